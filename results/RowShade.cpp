#include "results/RowShade.h"

namespace corvane {

Shade ShadeFor(MatchType type, GroupShade shade) {
    const bool dark = shade == GroupShade::Dark;
    switch (type) {
        case MatchType::Exact:
            return dark ? Shade::Blue : Shade::LightBlue;
        case MatchType::Close:
            return dark ? Shade::Red : Shade::LightRed;
        case MatchType::Same:
            break;
    }
    return dark ? Shade::Green : Shade::LightGreen;
}

std::optional<ShadeColours> ColoursOf(Shade shade) {
    const QColor black(0, 0, 0);
    switch (shade) {
        case Shade::Blue:
            return ShadeColours{QColor(212, 234, 255), black};
        case Shade::LightBlue:
            return ShadeColours{QColor(242, 242, 255), black};
        case Shade::LightRed:
            return ShadeColours{QColor(255, 233, 212), black};
        case Shade::Red:
            return ShadeColours{QColor(255, 212, 213), black};
        case Shade::LightGreen:
            return ShadeColours{QColor(236, 250, 236), black};
        case Shade::Green:
            return ShadeColours{QColor(208, 240, 208), black};
        case Shade::None:
            break;
    }
    return std::nullopt;
}

}  // namespace corvane
