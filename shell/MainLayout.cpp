#include "shell/MainLayout.h"

namespace corvane {
namespace {

void SetLength(int& length, int value) {
    if (value >= 0) {
        length = value;
    }
}

}  // namespace

MainGeometry ApplyResizeRules(MainGeometry g, int frameLeft, QSize window) {
    SetLength(g.listWidth, window.width() - 600);
    SetLength(g.listHeight, window.height() - 2700);
    SetLength(g.frameWidth, g.listWidth + 260);
    SetLength(g.frameHeight, g.listHeight + 380);
    g.barLeft = frameLeft;
    SetLength(g.barWidth, g.frameWidth);
    g.barTop = window.height() - 920;
    return g;
}

QPoint CenterFormPosition(QSize screen, QSize window) {
    return {(screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2 - 1000};
}

int FolderColumnWidth(int listWidth) {
    return listWidth * 7 / 8 - 100;
}

}  // namespace corvane
