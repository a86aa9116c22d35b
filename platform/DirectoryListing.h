// One folder's entries as bytes, in byte order, with hidden names, links and
// special files left out. Links are never followed below the listed folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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

// Reads `folder` once: the names of its subfolders and of its regular files,
// each in byte order; names starting with "." are hidden and left out, and so
// are links, FIFOs, sockets and devices. `files` gets the file names packed
// one after another, each followed by a NUL byte (a name never holds one).
// Returns 0, or the errno that kept the folder from being listed.
int ListFolder(const std::string& folder, FolderLink link, std::vector<std::string>& subfolders,
               std::string& files);

// lstat of each packed name in `folder`, keeping the regular files in order;
// a file that is gone or no longer a regular file is left out. Returns 0 or
// the errno that kept the folder from being opened.
int StatPlainFiles(const std::string& folder, FolderLink link, std::string_view packedNames,
                   std::vector<PlainFile>& files);

}  // namespace corvane
