// One-path file-system questions, all by lstat: links are never followed and
// paths are never patterns. Failures answer a neutral value.
#pragma once

#include <string>

namespace corvane {

// True when the path is a folder (a link to a folder is not).
bool IsFolder(const std::string& path);

// True when lstat succeeds on the path.
bool FileExists(const std::string& path);

}  // namespace corvane
