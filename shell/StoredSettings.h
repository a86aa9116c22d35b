// Reading the stored option and geometry texts back, with the fresh-install
// values standing in for anything absent or unreadable.
#pragma once

#include <QString>
#include <optional>

namespace corvane {

// The state of a fresh installation: what the window looks like as designed.
inline constexpr int kInitialSliderValue = 3;
inline constexpr int kInitialClientWidth = 11250;  // twips
inline constexpr int kInitialClientHeight = 6240;  // twips

enum class StoredWindowState { Normal = 0, Minimised = 1, Maximised = 2 };

// "0".."5"; anything else gives the initial position 3.
int SliderValueFromText(const QString& text);
// "0", "1", "2"; anything else gives Normal.
StoredWindowState WindowStateFromText(const QString& text);
QString TextFromWindowState(StoredWindowState state);
// "1" is checked; "0", empty or anything else unchecked.
bool CheckedFromText(const QString& text);
// A window length in twips: a positive decimal number (a whole number
// normally, a fraction is rounded). None for anything that cannot be a window
// length, which leaves the window at its current size.
std::optional<int> TwipsFromText(const QString& text);

}  // namespace corvane
