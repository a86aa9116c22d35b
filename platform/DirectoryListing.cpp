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

int ListSubfolders(const std::string& folder, FolderLink link, std::vector<std::string>& names) {
    names.clear();
    Folder dir(folder, link);
    if (dir.error() != 0) {
        return dir.error();
    }
    while (const dirent* entry = dir.Next()) {
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isFolder = LstatAt(dir.fd(), entry->d_name, st) && S_ISDIR(st.st_mode);
        }
        if (isFolder) {
            names.emplace_back(entry->d_name);
        }
    }
    if (dir.error() != 0) {
        names.clear();
        return dir.error();
    }
    std::sort(names.begin(), names.end());  // char_traits<char> compares like memcmp
    return 0;
}

int ListPlainFiles(const std::string& folder, FolderLink link, std::vector<PlainFile>& files) {
    files.clear();
    Folder dir(folder, link);
    if (dir.error() != 0) {
        return dir.error();
    }
    while (const dirent* entry = dir.Next()) {
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) {
            continue;
        }
        struct stat st {};
        if (!LstatAt(dir.fd(), entry->d_name, st) || !S_ISREG(st.st_mode)) {
            continue;
        }
        files.push_back(PlainFile{
            entry->d_name, static_cast<std::int64_t>(st.st_size),
            FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)}});
    }
    if (dir.error() != 0) {
        files.clear();
        return dir.error();
    }
    std::sort(files.begin(), files.end(),
              [](const PlainFile& a, const PlainFile& b) { return a.name < b.name; });
    return 0;
}

}  // namespace corvane
