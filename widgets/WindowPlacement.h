// Keeping a window whole on a screen.
#pragma once

#include <QList>
#include <QRect>

class QWidget;

namespace corvane {

// Where a window of outer rectangle `window` goes so that all of it lies on
// one of `screens` (their available areas, panels left out): the screen it
// overlaps most, or, when it overlaps none, the screen nearest to its
// centre. A window larger than that screen is shrunk to it. With no screens
// the rectangle is returned unchanged.
QRect ClampToScreens(const QRect& window, const QList<QRect>& screens);

// The available areas of the screens the desktop has now.
QList<QRect> AvailableScreens();

// Moves (and, if need be, shrinks) a top-level window in normal state so its
// frame lies whole on one of `screens`. Minimised, maximised and full-screen
// windows are left alone.
void KeepOnScreens(QWidget* window, const QList<QRect>& screens);

}  // namespace corvane
