#include "platform/FileSystemCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

namespace corvane {

int FileSystemCalls::Open(const char* path, int flags, mode_t mode) const {
    return ::open(path, flags, mode);
}

ssize_t FileSystemCalls::Read(int fd, void* buffer, std::size_t size) const {
    return ::read(fd, buffer, size);
}

ssize_t FileSystemCalls::Write(int fd, const void* data, std::size_t size) const {
    return ::write(fd, data, size);
}

int FileSystemCalls::Fsync(int fd) const {
    return ::fsync(fd);
}

int FileSystemCalls::Close(int fd) const {
    return ::close(fd);
}

int FileSystemCalls::Rename(const char* from, const char* to, unsigned flags) const {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

int FileSystemCalls::Link(const char* from, const char* to) const {
    return ::link(from, to);
}

int FileSystemCalls::Unlink(const char* path) const {
    return ::unlink(path);
}

int FileSystemCalls::Mkdir(const char* path, mode_t mode) const {
    return ::mkdir(path, mode);
}

int FileSystemCalls::Lstat(const char* path, struct stat* st) const {
    return ::lstat(path, st);
}

int FileSystemCalls::Stat(const char* path, struct stat* st) const {
    return ::stat(path, st);
}

int FileSystemCalls::Fstat(int fd, struct stat* st) const {
    return ::fstat(fd, st);
}

int FileSystemCalls::RealPath(const char* path, std::string& resolved) const {
    char* result = ::realpath(path, nullptr);
    if (result == nullptr) {
        return -1;
    }
    resolved = result;
    std::free(result);
    return 0;
}

int FileSystemCalls::ListFolder(const char* path, std::vector<std::string>& names) const {
    DIR* dir = ::opendir(path);
    if (dir == nullptr) {
        return -1;
    }
    names.clear();
    errno = 0;
    while (const dirent* item = ::readdir(dir)) {
        if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0) {
            names.emplace_back(item->d_name);
        }
    }
    const int error = errno;
    ::closedir(dir);
    errno = error;
    return error == 0 ? 0 : -1;
}

int FileSystemCalls::OpenAt(int folder, const char* name, int flags, mode_t mode) const {
    return ::openat(folder, name, flags, mode);
}

int FileSystemCalls::StatAt(int folder, const char* name, struct stat* st, int flags) const {
    return ::fstatat(folder, name, st, flags);
}

int FileSystemCalls::RenameAt(int fromFolder, const char* from, int toFolder, const char* to,
                              unsigned flags) const {
    return ::renameat2(fromFolder, from, toFolder, to, flags);
}

int FileSystemCalls::LinkAt(int fromFolder, const char* from, int toFolder, const char* to) const {
    return ::linkat(fromFolder, from, toFolder, to, 0);
}

int FileSystemCalls::UnlinkAt(int folder, const char* name, int flags) const {
    return ::unlinkat(folder, name, flags);
}

int FileSystemCalls::MkdirAt(int folder, const char* name, mode_t mode) const {
    return ::mkdirat(folder, name, mode);
}

int FileSystemCalls::ReadLinkAt(int folder, const char* name, std::string& target) const {
    std::string buffer(256, '\0');
    while (true) {
        const ssize_t n = ::readlinkat(folder, name, buffer.data(), buffer.size());
        if (n < 0) {
            return -1;
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(n));
            return 0;
        }
        buffer.resize(buffer.size() * 2);
    }
}

int FileSystemCalls::SyncFs(int fd) const {
    return ::syncfs(fd);
}

namespace {

// Removed already: the answers kept for Wait().
class DoneRemoval final : public FileSystemCalls::Removal {
  public:
    explicit DoneRemoval(std::vector<int> errors) : errors_(std::move(errors)) {}
    std::vector<int> Wait() override { return errors_; }

  private:
    std::vector<int> errors_;
};

// Removes the names on up to kMostRemovers threads of its own, each taking the
// next name left; each removal may wait for the drive, and the waits overlap.
class ThreadedRemoval final : public FileSystemCalls::Removal {
  public:
    explicit ThreadedRemoval(std::vector<FileSystemCalls::NameAt> names);
    ~ThreadedRemoval() override { Join(); }
    ThreadedRemoval(const ThreadedRemoval&) = delete;
    ThreadedRemoval& operator=(const ThreadedRemoval&) = delete;
    std::vector<int> Wait() override {
        Join();
        return errors_;
    }

  private:
    static constexpr std::size_t kMostRemovers = 8;
    static constexpr std::size_t kNamesPerRemover = 16;

    void Remove();
    void Join();

    std::vector<FileSystemCalls::NameAt> names_;
    std::vector<int> errors_;
    std::atomic<std::size_t> next_{0};
    std::vector<std::thread> threads_;
};

ThreadedRemoval::ThreadedRemoval(std::vector<FileSystemCalls::NameAt> names)
    : names_(std::move(names)), errors_(names_.size(), 0) {
    const std::size_t removers =
        std::clamp<std::size_t>(names_.size() / kNamesPerRemover, 1, kMostRemovers);
    threads_.reserve(removers);
    try {
        while (!names_.empty() && threads_.size() < removers) {
            threads_.emplace_back([this] { Remove(); });
        }
    } catch (const std::system_error&) {
        // No more threads to be had: those there do it all, or else this one.
        if (threads_.empty()) {
            Remove();
        }
    }
}

void ThreadedRemoval::Remove() {
    for (std::size_t i = next_++; i < names_.size(); i = next_++) {
        errors_[i] = ::unlinkat(names_[i].folder, names_[i].name.c_str(), 0) == 0 ? 0 : errno;
    }
}

void ThreadedRemoval::Join() {
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
}

// The system's calls, with StartUnlinkEachAt's removals on threads of their own.
class ConcurrentSystemCalls final : public FileSystemCalls {
  public:
    std::unique_ptr<Removal> StartUnlinkEachAt(std::vector<NameAt> names) const override {
        return std::make_unique<ThreadedRemoval>(std::move(names));
    }
};

}  // namespace

std::unique_ptr<FileSystemCalls::Removal> FileSystemCalls::StartUnlinkEachAt(
    std::vector<NameAt> names) const {
    std::vector<int> errors;
    errors.reserve(names.size());
    for (const NameAt& at : names) {
        errors.push_back(UnlinkAt(at.folder, at.name.c_str(), 0) == 0 ? 0 : errno);
    }
    return std::make_unique<DoneRemoval>(std::move(errors));
}

const FileSystemCalls& SystemCalls() {
    static const ConcurrentSystemCalls system;
    return system;
}

int WriteAll(const FileSystemCalls& fs, int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = fs.Write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0 ? EIO : errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int ReadUpTo(const FileSystemCalls& fs, int fd, std::size_t limit, std::string& out) {
    out.clear();
    char buffer[16384];
    while (out.size() < limit) {
        const std::size_t want = std::min(sizeof buffer, limit - out.size());
        const ssize_t n = fs.Read(fd, buffer, want);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            break;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return 0;
}

int RenameNoReplace(const FileSystemCalls& fs, const std::string& from, const std::string& to) {
    if (fs.Rename(from.c_str(), to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A hard link fails on an existing name as RENAME_NOREPLACE does.
    if (fs.Link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    if (fs.Unlink(from.c_str()) != 0) {
        const int error = errno;
        fs.Unlink(to.c_str());
        return error;
    }
    return 0;
}

int RenameNoReplaceAt(const FileSystemCalls& fs, int fromFolder, const std::string& from,
                      int toFolder, const std::string& to) {
    if (fs.RenameAt(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (fs.LinkAt(fromFolder, from.c_str(), toFolder, to.c_str()) != 0) {
        return errno;
    }
    if (fs.UnlinkAt(fromFolder, from.c_str(), 0) != 0) {
        const int error = errno;
        fs.UnlinkAt(toFolder, to.c_str(), 0);
        return error;
    }
    return 0;
}

int MakeFolders(const FileSystemCalls& fs, const std::string& path, mode_t mode) {
    struct stat st {};
    if (fs.Stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    }
    if (errno != ENOENT) {
        return errno;
    }
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        if (const int error = MakeFolders(fs, path.substr(0, slash), mode)) {
            return error;
        }
    }
    if (fs.Mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
        return errno;
    }
    return 0;
}

int SyncFolder(const FileSystemCalls& fs, const std::string& path) {
    const int fd = fs.Open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) {
        return errno;
    }
    const int error = fs.Fsync(fd) == 0 ? 0 : errno;
    fs.Close(fd);
    return error;
}

}  // namespace corvane
