// The group shades of the results list and the colours they paint.
#pragma once

#include <QColor>
#include <cstdint>
#include <optional>

#include "search/ResultRow.h"

namespace corvane {

// A row's shade in the list. `None` is the list's own colours: what every row
// shows after a send to the trash.
enum class Shade : std::uint8_t { None, Blue, LightBlue, LightRed, Red, LightGreen, Green };

// Exact rows in blues, Close rows in reds, Same rows in greens, light or
// plain by the group shade.
Shade ShadeFor(MatchType type, GroupShade shade);

struct ShadeColours {
    QColor background;
    QColor text;
};

// The colours of a shaded row; none for Shade::None.
std::optional<ShadeColours> ColoursOf(Shade shade);

}  // namespace corvane
