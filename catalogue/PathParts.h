// Splitting a byte path at its last "/".
#pragma once

#include <string_view>

namespace corvane {

// Everything after the last "/"; the whole path when it holds none.
std::string_view FileNamePart(std::string_view path);
// Everything up to and including the last "/"; "" when it holds none.
std::string_view FolderPart(std::string_view path);

}  // namespace corvane
