// What a search saw of a file: which file it was, its size and when it was
// last written. Acting on a file later first checks that the stamp still holds.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileId.h"

namespace corvane {

// A modification time to the nanosecond: a file rewritten at the same size
// within one second still counts as changed.
struct ModifiedTime {
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;
    friend auto operator<=>(const ModifiedTime&, const ModifiedTime&) = default;
};

struct FileStamp {
    FileId id;
    std::int64_t size = 0;
    ModifiedTime modified;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

inline FileStamp StampOf(const struct stat& st) {
    return FileStamp{
        FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
        static_cast<std::int64_t>(st.st_size),
        ModifiedTime{static_cast<std::int64_t>(st.st_mtim.tv_sec),
                     static_cast<std::int32_t>(st.st_mtim.tv_nsec)}};
}

// What lstat says of a path now: `error` is 0 or the errno of the failed
// lstat; `regular` tells a plain file from a folder, link or device.
struct PathStatus {
    int error = 0;
    bool regular = false;
    FileStamp stamp;
};
PathStatus StatPath(const std::string& path);

// The stamps of many files as they are now, links not followed, cheaper than
// a StatPath each: the files are read folder by folder, each folder opened
// once (relative to the folder above it while that is still open) and each
// file read relative to it by statx asking only for its size, modification
// time and inode, without syncing. Paths of any length are read, a folder
// path past PATH_MAX included. Answer k is for paths[k]: its stamp, or
// nothing when the file could not be read. `stopped` is asked before each
// file; once it answers true the files not yet read answer nothing.
std::vector<std::optional<FileStamp>> ReadStamps(const std::vector<std::string_view>& paths,
                                                 const std::function<bool()>& stopped);

}  // namespace corvane
