// Splitting a byte path at its last "/", and the one rule for trailing "/"s.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Everything after the last "/"; the whole path when it holds none.
std::string_view FileNamePart(std::string_view path);
// Everything up to and including the last "/"; "" when it holds none.
std::string_view FolderPart(std::string_view path);

// A listed folder as the scan queues it and the catalogue stores its files'
// folder: one trailing "/" taken off, then one put on. "/" stays "/", "a"
// and "a/" give "a/", and "a//" keeps both.
std::string FolderWithSlash(std::string_view folder);

// A folder as a row of the folder list: without its trailing "/", except "/"
// itself, which would otherwise become the empty text.
std::string_view WithoutTrailingSlash(std::string_view folder);

}  // namespace corvane
