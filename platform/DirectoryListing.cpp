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
               std::string& files) {
    subfolders.clear();
    files.clear();
    Folder dir(folder, link);
    if (dir.error() != 0) {
        return dir.error();
    }
    std::vector<std::string> fileNames;
    while (const dirent* entry = dir.Next()) {
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (LstatAt(dir.fd(), entry->d_name, st)) {
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
            }
        }
        if (type == DT_DIR) {
            subfolders.emplace_back(entry->d_name);
        } else if (type == DT_REG) {
            fileNames.emplace_back(entry->d_name);
        }
    }
    if (dir.error() != 0) {
        subfolders.clear();
        return dir.error();
    }
    // char_traits<char> compares like memcmp: byte order.
    std::sort(subfolders.begin(), subfolders.end());
    std::sort(fileNames.begin(), fileNames.end());
    for (const std::string& name : fileNames) {
        files.append(name);
        files.push_back('\0');
    }
    return 0;
}

int StatPlainFiles(const std::string& folder, FolderLink link, std::string_view packedNames,
                   std::vector<PlainFile>& files) {
    files.clear();
    Folder dir(folder, link);
    if (dir.error() != 0) {
        return dir.error();
    }
    while (!packedNames.empty()) {
        const std::size_t end = packedNames.find('\0');
        const std::string_view name = packedNames.substr(0, end);
        packedNames.remove_prefix(end + 1);
        struct stat st {};
        const std::string nameText(name);
        if (!LstatAt(dir.fd(), nameText.c_str(), st) || !S_ISREG(st.st_mode)) {
            continue;
        }
        files.push_back(PlainFile{
            nameText, static_cast<std::int64_t>(st.st_size),
            FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)}});
    }
    return 0;
}

}  // namespace corvane
