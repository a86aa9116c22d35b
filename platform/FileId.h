// Which file a path names on disk: its device and inode number.
#pragma once

#include <cstdint>

namespace corvane {

// Two paths with the same device and inode are one file (a hard link, a
// second spelling of a path, a folder reached twice). {0, 0} means unknown.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool Known() const { return device != 0 || inode != 0; }
    friend bool operator==(const FileId&, const FileId&) = default;
};

}  // namespace corvane
