// Telling valid UTF-8 from other bytes in a path, which may hold either.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvane {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the bytes
// there are not one (overlong forms, surrogates and values past U+10FFFF
// included).
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);

}  // namespace corvane
