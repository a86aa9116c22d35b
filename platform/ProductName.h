// The program's name, as its captions, its messages' titles and its settings
// file show it: spelled here only.
#pragma once

namespace corvane {

inline constexpr char kProductName[] = "Corvane";

}  // namespace corvane
