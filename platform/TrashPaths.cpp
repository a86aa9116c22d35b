#include "platform/TrashPaths.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <deque>

namespace corvane {

namespace {

constexpr int kMostLinks = 40;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::deque<std::string> Names(const std::string& path) {
    std::deque<std::string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto slash = std::min(path.find('/', start), path.size());
        if (slash > start) {
            names.push_back(path.substr(start, slash - start));
        }
        start = slash + 1;
    }
    return names;
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

int ResolveFolder(const FileSystemCalls& fs, const std::string& path, std::string& resolved) {
    std::deque<std::string> names = Names(path);
    std::vector<int> fds{fs.OpenAt(AT_FDCWD, "/", kFolderFlags, 0)};
    std::vector<std::string> parts;
    int links = 0;
    int error = fds.back() < 0 ? errno : 0;
    while (error == 0 && !names.empty()) {
        const std::string name = std::move(names.front());
        names.pop_front();
        if (name == "." || (name == ".." && parts.empty())) {
            continue;
        }
        if (name == "..") {
            fs.Close(fds.back());
            fds.pop_back();
            parts.pop_back();
            continue;
        }
        struct stat st {};
        if (fs.StatAt(fds.back(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            error = errno;
        } else if (S_ISLNK(st.st_mode)) {
            std::string target;
            if (++links > kMostLinks) {
                error = ELOOP;
            } else if (fs.ReadLinkAt(fds.back(), name.c_str(), target) != 0) {
                error = errno;
            } else {
                const std::deque<std::string> more = Names(target);
                names.insert(names.begin(), more.begin(), more.end());
                while (!target.empty() && target[0] == '/' && fds.size() > 1) {
                    fs.Close(fds.back());
                    fds.pop_back();
                    parts.pop_back();
                }
            }
        } else if (!S_ISDIR(st.st_mode)) {
            error = ENOTDIR;
        } else {
            const int next = fs.OpenAt(fds.back(), name.c_str(), kFolderFlags, 0);
            error = next < 0 ? errno : 0;
            if (next >= 0) {
                fds.push_back(next);
                parts.push_back(name);
            }
        }
    }
    for (const int fd : fds) {
        if (fd >= 0) {
            fs.Close(fd);
        }
    }
    // Appended piece by piece: GCC 12 at -O2 warns falsely (-Wrestrict) on +=.
    resolved.assign(parts.empty() ? 1 : 0, '/');
    for (const auto& part : parts) {
        resolved.push_back('/');
        resolved.append(part.data(), part.size());
    }
    return error;
}

void FolderChain::CloseFrom(std::size_t count) {
    while (open_.size() > count) {
        fs_.Close(open_.back().fd);
        open_.pop_back();
    }
}

int FolderChain::OpenNext(int parent, const std::string& name, bool make) {
    int fd = fs_.OpenAt(parent, name.c_str(), kFolderFlags, 0);
    if (fd < 0 && errno == ENOENT && make) {
        if (fs_.MkdirAt(parent, name.c_str(), 0755) != 0 && errno != EEXIST) {
            return -1;
        }
        fd = fs_.OpenAt(parent, name.c_str(), kFolderFlags, 0);
    }
    return fd;
}

int FolderChain::Open(const std::string& path, bool make) {
    // Keep the folders the new path shares with the last one.
    std::size_t keep = 0;
    while (keep < open_.size()) {
        const std::size_t length = open_[keep].length;
        const bool shared = path.size() >= length &&
                            path.compare(0, length, last_, 0, length) == 0 &&
                            (length == 1 || path.size() == length || path[length] == '/');
        if (!shared) {
            break;
        }
        ++keep;
    }
    CloseFrom(keep);
    last_ = path;
    if (open_.empty()) {
        const int root = fs_.OpenAt(AT_FDCWD, "/", kFolderFlags, 0);
        if (root < 0) {
            return -1;
        }
        open_.push_back(Kept{root, 1});
    }
    std::size_t at = open_.back().length;
    while (at < path.size()) {
        const std::size_t start = path[at] == '/' ? at + 1 : at;
        const std::size_t end = std::min(path.find('/', start), path.size());
        at = end;
        if (end == start) {
            continue;
        }
        const int fd = OpenNext(open_.back().fd, path.substr(start, end - start), make);
        if (fd < 0) {
            const int error = errno;
            last_.resize(open_.back().length);
            errno = error;
            return -1;
        }
        open_.push_back(Kept{fd, end});
    }
    return open_.back().fd;
}

std::string FolderChain::TopOf(dev_t device) {
    for (const Kept& kept : open_) {
        struct stat st {};
        if (fs_.Fstat(kept.fd, &st) != 0) {
            return {};
        }
        if (st.st_dev == device) {
            return last_.substr(0, kept.length);
        }
    }
    errno = ENOENT;
    return {};
}

}  // namespace corvane
