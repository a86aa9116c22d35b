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

// A file time to the nanosecond: a file rewritten at the same size within one
// second still counts as changed.
struct ModifiedTime {
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;
    friend auto operator<=>(const ModifiedTime&, const ModifiedTime&) = default;
};

// `changed` is the inode's change time, which no one can set back: a file
// rewritten and given its old size and modification time again (touch -d)
// still differs there. A rename or a new link moves it on as well, so a file
// moved by us is compared by SameFileMoved.
struct FileStamp {
    FileId id;
    std::int64_t size = 0;
    ModifiedTime modified;
    ModifiedTime changed;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The same file, size and modification time; the change time aside.
inline bool SameFileMoved(const FileStamp& a, const FileStamp& b) {
    return a.id == b.id && a.size == b.size && a.modified == b.modified;
}

inline FileStamp StampOf(const struct stat& st) {
    return FileStamp{
        FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)},
        static_cast<std::int64_t>(st.st_size),
        ModifiedTime{static_cast<std::int64_t>(st.st_mtim.tv_sec),
                     static_cast<std::int32_t>(st.st_mtim.tv_nsec)},
        ModifiedTime{static_cast<std::int64_t>(st.st_ctim.tv_sec),
                     static_cast<std::int32_t>(st.st_ctim.tv_nsec)}};
}

// What lstat says of a path now: `error` is 0 or the errno of the failed
// lstat; `regular` tells a plain file from a folder, link or device.
struct PathStatus {
    int error = 0;
    bool regular = false;
    FileStamp stamp;
};
PathStatus StatPath(const std::string& path);

// The stamps of many files as they are now, links not followed: found(k,
// stamp) for each of paths[k] that could be read. Folder by folder, on two
// threads (found is called from both at once, each with its own k): a file
// is read by statx asking only for its size, modification and change times
// and inode,
// without syncing, by its full path, or relative to its folder where that
// folder holds enough of the files to be worth opening or its path is too
// long for one call (folders are opened relative to the folder above while
// that is still open), so paths of any length are read. `stopped` is asked
// on the calling thread before each of its files; once it answers true no
// more files are read.
void ReadStamps(const std::vector<std::string_view>& paths, const std::function<bool()>& stopped,
                const std::function<void(std::size_t, const FileStamp&)>& found);

}  // namespace corvane
