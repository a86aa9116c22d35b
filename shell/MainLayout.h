// The main window's placement and resize rules, in twips, free of widgets.
#pragma once

#include <QPoint>
#include <QSize>

namespace corvane {

// The smallest client area, in twips: as wide as designed, since the top row
// never moves and "Few" ends near the right edge; tall enough for the folder
// list to show a few rows above the progress bar.
inline constexpr int kMinimumClientWidth = 11250;
inline constexpr int kMinimumClientHeight = 4200;

// The geometry the resize rules change, in twips.
struct MainGeometry {
    int listWidth = 0;
    int listHeight = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    int barLeft = 0;
    int barWidth = 0;
    int barTop = 0;

    friend bool operator==(const MainGeometry&, const MainGeometry&) = default;
};

// The seven layout steps for a window of the given outer size, in order, each
// reading the values left by the steps before it. A step that would give a
// control a negative width or height is skipped and leaves that value as it
// was; the others still run.
MainGeometry ApplyResizeRules(MainGeometry current, int frameLeft, QSize window);

// Where CenterForm puts the window's top left corner: centred across the
// full screen, and 1000 twips above the vertical centre.
QPoint CenterFormPosition(QSize screen, QSize window);

// The folder column's width at start-up: seven eighths of the list, less 100.
int FolderColumnWidth(int listWidth);

}  // namespace corvane
