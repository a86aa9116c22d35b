// The group shades of the results list: colour keyword to row colours.
#pragma once

#include <QColor>
#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane {

// A row's shade. `None` stands for "white", "" and every unknown keyword:
// the list's own colours.
enum class Shade : std::uint8_t { None, Blue, LightBlue, LightRed, Red };

// Exact, case-sensitive lookup of a colour keyword.
Shade ShadeOf(std::string_view keyword);

struct ShadeColours {
    QColor background;
    QColor text;
};

// The colours of a shaded row; none for Shade::None.
std::optional<ShadeColours> ColoursOf(Shade shade);

}  // namespace corvane
