#include "widgets/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace corvane {
namespace {

long long Area(const QRect& rect) {
    return rect.isEmpty() ? 0 : static_cast<long long>(rect.width()) * rect.height();
}

long long DistanceSquared(const QPoint& point, const QRect& rect) {
    const long long dx = point.x() < rect.left()    ? rect.left() - point.x()
                         : point.x() > rect.right() ? point.x() - rect.right()
                                                    : 0;
    const long long dy = point.y() < rect.top()      ? rect.top() - point.y()
                         : point.y() > rect.bottom() ? point.y() - rect.bottom()
                                                     : 0;
    return dx * dx + dy * dy;
}

QRect ChosenScreen(const QRect& window, const QList<QRect>& screens) {
    QRect best;
    long long bestOverlap = 0;
    for (const QRect& screen : screens) {
        const long long overlap = Area(window.intersected(screen));
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = screen;
        }
    }
    if (bestOverlap > 0) {
        return best;
    }
    long long nearest = std::numeric_limits<long long>::max();
    for (const QRect& screen : screens) {
        const long long distance = DistanceSquared(window.center(), screen);
        if (distance < nearest) {
            nearest = distance;
            best = screen;
        }
    }
    return best;
}

}  // namespace

QRect ClampToScreens(const QRect& window, const QList<QRect>& screens) {
    if (screens.isEmpty()) {
        return window;
    }
    const QRect screen = ChosenScreen(window, screens);
    const QSize size = window.size().boundedTo(screen.size());
    const int left = std::clamp(window.left(), screen.left(), screen.right() + 1 - size.width());
    const int top = std::clamp(window.top(), screen.top(), screen.bottom() + 1 - size.height());
    return QRect(QPoint(left, top), size);
}

QList<QRect> AvailableScreens() {
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens << screen->availableGeometry();
    }
    return screens;
}

void KeepOnScreens(QWidget* window, const QList<QRect>& screens) {
    if (window->windowState() != Qt::WindowNoState) {
        return;
    }
    const QRect frame = window->frameGeometry();
    const QRect kept = ClampToScreens(frame, screens);
    if (kept.size() != frame.size()) {
        window->resize(window->size() - (frame.size() - kept.size()));
    }
    if (kept.topLeft() != frame.topLeft()) {
        window->move(kept.topLeft());
    }
}

}  // namespace corvane
