// Window geometry is kept in twips, 15 to a pixel (96 dots per inch).
#pragma once

#include <QWidget>
#include <QtGlobal>

namespace corvane {

inline constexpr int kTwipsPerPixel = 15;

inline int PixelsFromTwips(double twips) {
    return qRound(twips / kTwipsPerPixel);
}
inline int TwipsFromPixels(int pixels) {
    return pixels * kTwipsPerPixel;
}

// Places a control at its designed position and size, given in twips.
inline void PlaceInTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(PixelsFromTwips(left), PixelsFromTwips(top), PixelsFromTwips(width),
                        PixelsFromTwips(height));
}

}  // namespace corvane
