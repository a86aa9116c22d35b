#include "platform/DirectoryListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace corvane {
namespace {

FileId IdOf(const struct stat& st) {
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// `fd` (just opened, or -1 with errno set) with its folder's identity; on
// failure it is closed.
SysResult<OpenFolder> Identify(int fd) {
    if (fd < 0) {
        return SysResult<OpenFolder>::Failure(errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return SysResult<OpenFolder>::Failure(error);
    }
    return OpenFolder{fd, IdOf(st)};
}

// `fd` when it is the folder `listed`; else it is closed.
SysResult<int> KeepIfListed(int fd, FileId listed) {
    const SysResult<OpenFolder> opened = Identify(fd);
    if (!opened) {
        return SysResult<int>::Failure(opened.error());
    }
    if (opened->id != listed) {
        ::close(opened->fd);
        return SysResult<int>::Failure(ENOENT);
    }
    return opened->fd;
}

// One entry of a listing, its name in the listing's arena.
struct Entry {
    std::uint32_t offset;
    std::uint32_t length;
    bool folder;
    FileStamp stamp;
};

constexpr std::size_t kReadBytes = 32 * 1024;  // one getdents64 call
constexpr unsigned kEntriesBetweenStopChecks = 256;

}  // namespace

SysResult<OpenFolder> OpenNamedFolder(const std::string& path) {
    return Identify(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

SysResult<int> OpenSubfolder(int parent, const std::string& name, FileId listed) {
    // The bare name, never with a trailing "/" (which would make openat
    // follow a link even under O_NOFOLLOW).
    return KeepIfListed(
        ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC), listed);
}

SysResult<int> OpenParentFolder(int child, FileId listed) {
    return KeepIfListed(::openat(child, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC), listed);
}

int ListOpenFolder(int folder, std::vector<Subfolder>& subfolders, PlainFiles& files,
                   const StopToken* stop, bool withTimes) {
    subfolders.clear();
    files = PlainFiles();
    // getdents64 straight into a buffer of our own: the descriptor stays ours
    // (fdopendir would take it) for opening the subfolders later.
    const std::unique_ptr<char[]> buffer(new char[kReadBytes]);
    std::string arena;
    std::vector<Entry> entries;
    unsigned sinceStopCheck = 0;
    for (;;) {
        const ssize_t read = ::getdents64(folder, buffer.get(), kReadBytes);
        if (read < 0) {
            return errno;
        }
        if (read == 0) {
            break;
        }
        for (ssize_t at = 0; at < read;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer.get() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            const unsigned char type = entry->d_type;
            if (name[0] == '.' || (type != DT_DIR && type != DT_REG && type != DT_UNKNOWN)) {
                continue;  // hidden (and "." and ".."), links, FIFOs, sockets, devices
            }
            struct stat st {};
            if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT) {
                    continue;  // gone since the folder was read
                }
                // EACCES here means the folder may be read but not searched:
                // none of its entries can be looked at, so it is not listed.
                return errno;
            }
            if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
                continue;
            }
            const std::string_view bytes(name);
            entries.push_back(Entry{static_cast<std::uint32_t>(arena.size()),
                                    static_cast<std::uint32_t>(bytes.size()), S_ISDIR(st.st_mode),
                                    StampOf(st)});
            arena.append(bytes);
            if (stop != nullptr && ++sinceStopCheck == kEntriesBetweenStopChecks) {
                sinceStopCheck = 0;
                if (stop->Stopped()) {
                    return ECANCELED;
                }
            }
        }
    }
    const auto nameOf = [&arena](const Entry& e) {
        return std::string_view(arena).substr(e.offset, e.length);
    };
    // string_view compares like memcmp: byte order.
    std::sort(entries.begin(), entries.end(),
              [&](const Entry& a, const Entry& b) { return nameOf(a) < nameOf(b); });
    std::size_t fileCount = 0;
    for (const Entry& e : entries) {
        fileCount += e.folder ? 0 : 1;
    }
    subfolders.reserve(entries.size() - fileCount);
    files.names.reserve(arena.size() + fileCount);
    files.sizes.reserve(fileCount);
    files.ids.reserve(fileCount);
    files.times.reserve(withTimes ? fileCount : 0);
    for (const Entry& e : entries) {
        if (e.folder) {
            subfolders.push_back(Subfolder{std::string(nameOf(e)), e.stamp.id});
        } else {
            files.names.append(nameOf(e));
            files.names.push_back('\0');
            files.sizes.push_back(e.stamp.size);
            files.ids.push_back(e.stamp.id);
            if (withTimes) {
                files.times.emplace_back(e.stamp.modified, e.stamp.changed);
            }
        }
    }
    return 0;
}

}  // namespace corvane
