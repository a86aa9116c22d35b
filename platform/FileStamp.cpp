#include "platform/FileStamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <numeric>
#include <thread>

#include "platform/FolderWalk.h"

namespace corvane {

PathStatus StatPath(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return PathStatus{errno, false, {}};
    }
    return PathStatus{0, S_ISREG(st.st_mode), StampOf(st)};
}

namespace {

// Folders at most this deep stay open while their subfolders are read; a
// deeper one is reached from the deepest of them with descriptors of its own.
constexpr std::size_t kOpenFolders = 64;

// Opens folder paths one after another, keeping the chain of folders of the
// last one open, so that the next opens only the names it does not share.
class FolderOpener {
  public:
    ~FolderOpener() {
        while (!open_.empty()) {
            Pop();
        }
        CloseOwn();
    }

    // A descriptor for `folder` (a path ending in "/"; "" is the working
    // folder), valid until the next call; -1 with errno set on failure.
    int Open(std::string_view folder) {
        CloseOwn();
        while (!open_.empty() &&
               !folder.starts_with(std::string_view(last_).substr(0, open_.back().length))) {
            Pop();
        }
        std::size_t at = open_.empty() ? 0 : open_.back().length;
        int fd = open_.empty() ? AT_FDCWD : open_.back().fd;
        last_.assign(folder);
        if (at == 0 && folder.starts_with("/")) {
            fd = Push(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC), 1);
            at = 1;
        }
        // Name by name: a folder path may be longer than open() takes. (The
        // working folder's AT_FDCWD is negative too.)
        while ((fd >= 0 || fd == AT_FDCWD) && at < folder.size()) {
            const std::size_t slash = folder.find('/', at);
            const std::size_t end = slash == std::string_view::npos ? folder.size() : slash + 1;
            const std::string name(folder.substr(at, end - at - (slash == end - 1 ? 1 : 0)));
            at = end;
            if (name.empty()) {
                continue;  // "a//b": the empty name between two slashes
            }
            const int next = ::openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (next < 0 || open_.size() < kOpenFolders) {
                fd = Push(next, at);
            } else {
                CloseOwn();
                own_ = fd = next;
            }
        }
        return fd;
    }

  private:
    struct Kept {
        int fd;
        std::size_t length;  // of the folder's path in last_, "/" included
    };

    int Push(int fd, std::size_t length) {
        if (fd >= 0) {
            open_.push_back(Kept{fd, length});
        }
        return fd;
    }
    void Pop() {
        ::close(open_.back().fd);
        open_.pop_back();
    }
    void CloseOwn() {
        if (own_ >= 0) {
            ::close(own_);
            own_ = -1;
        }
    }

    std::string last_;
    std::vector<Kept> open_;
    int own_ = -1;  // a folder deeper than open_ keeps
};

}  // namespace

namespace {

// A folder is opened for its files when it holds at least this many of them;
// fewer are read by full path, one statx each. Measured on bench/run.sh's
// tree (42,000 rows, 1 to 7 a folder) in a VM where a system call costs far
// more than a name looked up: opening every folder took 25% more CPU than a
// statx by path for every file, opening those with 4 or more 8% more.
constexpr std::size_t kFilesWorthAnOpen = 8;
// Below this many files a second thread costs more than it saves.
constexpr std::size_t kFilesWorthAThread = 256;

std::optional<FileStamp> ReadStamp(int folder, const char* name) {
    struct statx st {};
    if (::statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC,
                STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_INO, &st) != 0) {
        return std::nullopt;
    }
    return FileStamp{FileId{static_cast<std::uint64_t>(makedev(st.stx_dev_major, st.stx_dev_minor)),
                            static_cast<std::uint64_t>(st.stx_ino)},
                     static_cast<std::int64_t>(st.stx_size),
                     ModifiedTime{static_cast<std::int64_t>(st.stx_mtime.tv_sec),
                                  static_cast<std::int32_t>(st.stx_mtime.tv_nsec)},
                     ModifiedTime{static_cast<std::int64_t>(st.stx_ctime.tv_sec),
                                  static_cast<std::int32_t>(st.stx_ctime.tv_nsec)}};
}

// Reads the files order[begin, end), whole folders of them; `stopped` is
// asked before each file.
template <typename Stopped>
void ReadFolders(const std::vector<std::string_view>& paths,
                 const std::vector<std::uint32_t>& folderLength,
                 const std::vector<std::size_t>& order, std::size_t begin, std::size_t end,
                 const std::function<void(std::size_t, const FileStamp&)>& found, Stopped stopped) {
    FolderOpener opener;
    std::string text;  // a path with its NUL
    for (std::size_t first = begin; first < end;) {
        const std::string_view folder = paths[order[first]].substr(0, folderLength[order[first]]);
        std::size_t last = first + 1;
        while (last < end && paths[order[last]].substr(0, folderLength[order[last]]) == folder) {
            ++last;
        }
        const bool openFolder = last - first >= kFilesWorthAnOpen;
        int fd = -1;
        for (std::size_t n = first; n < last; ++n) {
            if (stopped()) {
                return;
            }
            const std::size_t k = order[n];
            std::optional<FileStamp> stamp;
            if (!openFolder) {
                text.assign(paths[k]);
                stamp = ReadStamp(AT_FDCWD, text.c_str());
                if (stamp || errno != ENAMETOOLONG) {
                    if (stamp) {
                        found(k, *stamp);
                    }
                    continue;
                }
            }
            if (fd == -1) {
                fd = opener.Open(folder);  // AT_FDCWD for files of the working folder
                if (fd == -1) {
                    fd = -2;  // cannot be opened: none of its files is read
                }
            }
            if (fd != -2) {
                text.assign(paths[k].substr(folder.size()));
                stamp = ReadStamp(fd, text.c_str());
            }
            if (stamp) {
                found(k, *stamp);
            }
        }
        first = last;
    }
}

}  // namespace

void ReadStamps(const std::vector<std::string_view>& paths, const std::function<bool()>& stopped,
                const std::function<void(std::size_t, const FileStamp&)>& found) {
    std::vector<std::uint32_t> folderLength(paths.size());
    for (std::size_t k = 0; k < paths.size(); ++k) {
        folderLength[k] = static_cast<std::uint32_t>(paths[k].rfind('/') + 1);
    }
    const auto folderOf = [&](std::size_t k) { return paths[k].substr(0, folderLength[k]); };
    // By folder, in byte order: a folder's subfolders follow it closely, so
    // most opens are one name away from a folder still open.
    std::vector<std::size_t> order(paths.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return folderOf(a) < folderOf(b); });
    // Two threads, each taking whole folders: the second half goes to a
    // thread of its own, which stops when this one has heard a stop.
    std::size_t half = order.size();
    if (order.size() >= kFilesWorthAThread && FolderWalk::DefaultThreads() > 1) {
        half = order.size() / 2;
        while (half < order.size() && folderOf(order[half]) == folderOf(order[half - 1])) {
            ++half;
        }
    }
    std::atomic<bool> stop{false};
    std::thread second;
    if (half < order.size()) {
        second = std::thread([&] {
            ReadFolders(paths, folderLength, order, half, order.size(), found,
                        [&stop] { return stop.load(std::memory_order_relaxed); });
        });
    }
    ReadFolders(paths, folderLength, order, 0, half, found, [&] {
        if (stopped()) {
            stop.store(true, std::memory_order_relaxed);
            return true;
        }
        return false;
    });
    if (second.joinable()) {
        second.join();
    }
}

}  // namespace corvane
