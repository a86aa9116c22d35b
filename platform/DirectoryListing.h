// One folder's entries as bytes, in byte order, with hidden names, links and
// special files left out. Links are never followed below the listed folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileId.h"

namespace corvane {

// The regular files of one folder in byte order of their names, with what
// their lstat said when the folder was read. Kept compact because a walk holds
// one of these for every folder until its files are catalogued.
struct PlainFiles {
    std::string names;  // each name followed by a NUL byte (a name never holds one)
    std::vector<std::int64_t> sizes;
    std::vector<FileId> ids;

    std::size_t Count() const { return sizes.size(); }
    // Calls visit(name, size, id) for each file, in order.
    template <typename Visit>
    void ForEach(Visit visit) const {
        std::string_view rest = names;
        for (std::size_t f = 0; f < sizes.size(); ++f) {
            const std::size_t end = rest.find('\0');
            visit(rest.substr(0, end), sizes[f], ids[f]);
            rest.remove_prefix(end + 1);
        }
    }
};

// How to open the folder itself: a folder the user named may be a link to a
// folder (they chose it), a folder found inside the walk never is.
enum class FolderLink { Follow, Refuse };

// Reads `folder` once: its subfolders' names and its regular files, both in
// byte order (memcmp); names starting with "." are hidden and left out, and so
// are links, FIFOs, sockets, devices and files gone before their lstat.
// Returns 0, or the errno that kept the folder from being listed (then both
// outputs are empty).
int ListFolder(const std::string& folder, FolderLink link, std::vector<std::string>& subfolders,
               PlainFiles& files);

}  // namespace corvane
