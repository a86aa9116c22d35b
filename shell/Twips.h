// Window geometry is kept in twips, 15 to a pixel (96 dots per inch).
#pragma once

#include <QtGlobal>

namespace corvane {

inline constexpr int kTwipsPerPixel = 15;

inline int PixelsFromTwips(double twips) {
    return qRound(twips / kTwipsPerPixel);
}
inline int TwipsFromPixels(int pixels) {
    return pixels * kTwipsPerPixel;
}

}  // namespace corvane
