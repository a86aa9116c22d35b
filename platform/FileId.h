// Which file a path names on disk: its device and inode number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace corvane {

// Two paths with the same device and inode are one file (a hard link, a
// second spelling of a path, a folder reached twice). {0, 0} means unknown.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool Known() const { return device != 0 || inode != 0; }
    friend bool operator==(const FileId&, const FileId&) = default;
};

// For hash sets and maps keyed by file.
struct FileIdHash {
    std::size_t operator()(const FileId& id) const {
        return std::hash<std::uint64_t>()(id.inode * 0x9e3779b97f4a7c15ULL ^ id.device);
    }
};

}  // namespace corvane
