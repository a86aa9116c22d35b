#include "results/RowShade.h"

#include <array>

namespace corvane {

namespace {

struct ShadeEntry {
    std::string_view keyword;
    Shade shade;
    QColor background;
};

// Searched in this order; the first equal keyword decides.
const std::array<ShadeEntry, 4>& ShadeTable() {
    static const std::array<ShadeEntry, 4> table{{
        {"blue", Shade::Blue, QColor(212, 234, 255)},
        {"light blue", Shade::LightBlue, QColor(242, 242, 255)},
        {"light red", Shade::LightRed, QColor(255, 233, 212)},
        {"red", Shade::Red, QColor(255, 212, 213)},
    }};
    return table;
}

}  // namespace

Shade ShadeOf(std::string_view keyword) {
    for (const auto& entry : ShadeTable()) {
        if (entry.keyword == keyword) {
            return entry.shade;
        }
    }
    return Shade::None;
}

std::optional<ShadeColours> ColoursOf(Shade shade) {
    for (const auto& entry : ShadeTable()) {
        if (entry.shade == shade) {
            return ShadeColours{entry.background, QColor(0, 0, 0)};
        }
    }
    return std::nullopt;
}

}  // namespace corvane
