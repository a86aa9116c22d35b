// Rows for the results-window tests, shaded by the keyword corvane-find
// prints for them ("light blue", "blue", "light red", "red", "light green",
// "green").
#pragma once

#include <string_view>

#include "search/ResultRow.h"

namespace corvane::testing {

inline ResultRow Coloured(ResultRow row, std::string_view keyword) {
    row.type = keyword.ends_with("blue")    ? MatchType::Exact
               : keyword.ends_with("green") ? MatchType::Same
                                            : MatchType::Close;
    row.shade = keyword.starts_with("light") ? GroupShade::Light : GroupShade::Dark;
    return row;
}

}  // namespace corvane::testing
