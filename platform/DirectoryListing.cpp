#include "platform/DirectoryListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace corvane {
namespace {

// Owns an open directory stream.
class Folder {
  public:
    Folder(const std::string& path, FolderLink link) {
        int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
        if (link == FolderLink::Refuse) {
            flags |= O_NOFOLLOW;
        }
        const int fd = ::open(path.c_str(), flags);
        if (fd < 0) {
            error_ = errno;
            return;
        }
        dir_ = ::fdopendir(fd);
        if (dir_ == nullptr) {
            error_ = errno;
            ::close(fd);
        }
    }
    ~Folder() {
        if (dir_ != nullptr) {
            ::closedir(dir_);
        }
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    int error() const { return error_; }
    int fd() const { return ::dirfd(dir_); }

    // The next visible entry, or nullptr at the end (error() tells a failed read).
    const dirent* Next() {
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir_);
            if (entry == nullptr) {
                error_ = errno;
                return nullptr;
            }
            if (entry->d_name[0] != '.') {  // hidden, and "." and ".."
                return entry;
            }
        }
    }

  private:
    DIR* dir_ = nullptr;
    int error_ = 0;
};

bool LstatAt(int dirFd, const char* name, struct stat& st) {
    return ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

int ListFolder(const std::string& folder, FolderLink link, std::vector<std::string>& subfolders,
               PlainFiles& files) {
    subfolders.clear();
    files = PlainFiles();
    Folder dir(folder, link);
    if (dir.error() != 0) {
        return dir.error();
    }
    struct Found {
        std::string name;
        std::int64_t size;
        FileId id;
    };
    std::vector<Found> found;
    while (const dirent* entry = dir.Next()) {
        if (entry->d_type == DT_DIR) {
            subfolders.emplace_back(entry->d_name);
            continue;
        }
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) {
            continue;  // links, FIFOs, sockets, devices
        }
        struct stat st {};
        if (!LstatAt(dir.fd(), entry->d_name, st)) {
            continue;  // gone since it was listed
        }
        if (S_ISDIR(st.st_mode)) {
            subfolders.emplace_back(entry->d_name);
        } else if (S_ISREG(st.st_mode)) {
            found.push_back(Found{entry->d_name, static_cast<std::int64_t>(st.st_size),
                                  FileId{static_cast<std::uint64_t>(st.st_dev),
                                         static_cast<std::uint64_t>(st.st_ino)}});
        }
    }
    if (dir.error() != 0) {
        subfolders.clear();
        return dir.error();
    }
    // char_traits<char> compares like memcmp: byte order.
    std::sort(subfolders.begin(), subfolders.end());
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.name < b.name; });
    files.sizes.reserve(found.size());
    files.ids.reserve(found.size());
    for (const Found& file : found) {
        files.names.append(file.name);
        files.names.push_back('\0');
        files.sizes.push_back(file.size);
        files.ids.push_back(file.id);
    }
    return 0;
}

}  // namespace corvane
