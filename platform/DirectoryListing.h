// One folder's entries as bytes, in byte order, with hidden names, links and
// special files left out. Links are never followed below the listed folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"

namespace corvane {

// A regular file of a folder, with what its lstat said when it was listed.
struct PlainFile {
    std::string name;
    std::int64_t size = 0;
    FileId id;
};

// How to open the folder itself: a folder the user named may be a link to a
// folder (they chose it), a folder found inside the walk never is.
enum class FolderLink { Follow, Refuse };

// Names of the subfolders of `folder` (a path ending in "/"), in byte order;
// names starting with "." are hidden and left out. Returns 0, or the errno
// that kept the folder from being listed.
int ListSubfolders(const std::string& folder, FolderLink link, std::vector<std::string>& names);

// The regular files of `folder`, in byte order, hidden names left out. A file
// that is gone by the time of its lstat is left out too. Returns 0 or an errno.
int ListPlainFiles(const std::string& folder, FolderLink link, std::vector<PlainFile>& files);

}  // namespace corvane
