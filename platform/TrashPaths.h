// How the trash reaches the folders of the files it moves and puts back: each
// folder is opened name by name from "/", never through a link, so a folder
// swapped for a link between a check and a move is refused rather than
// followed, and paths of any length are reached.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/FileSystemCalls.h"

namespace corvane {

// The absolute folder `path` with every link, "." and ".." resolved, read name
// by name so that any length works. 0 or the errno (ELOOP past 40 links,
// ENOTDIR where a file stands on the way).
int ResolveFolder(const FileSystemCalls& fs, const std::string& path, std::string& resolved);

// Opens folders one after another, keeping the folders of the last one open so
// that the next one opens only the names it does not share with it.
//
// Threading: one thread at a time.
class FolderChain {
  public:
    explicit FolderChain(const FileSystemCalls& fs) : fs_(fs) {}
    ~FolderChain() { CloseFrom(0); }
    FolderChain(const FolderChain&) = delete;
    FolderChain& operator=(const FolderChain&) = delete;

    // A descriptor for the absolute folder `path` (its links resolved), valid
    // until the next Open: every folder on the way is opened from the one
    // above with O_NOFOLLOW | O_DIRECTORY. With `make`, missing folders are
    // made with mkdirat (0755), never through a link. -1 with errno on
    // failure: ELOOP or ENOTDIR where a link or a file stands on the way.
    int Open(const std::string& path, bool make = false);
    // The drive's top folder on the path last opened: the shallowest of its
    // folders on `device`. Empty, with errno set, when fstat fails.
    std::string TopOf(dev_t device);

  private:
    struct Kept {
        int fd;
        std::size_t length;  // of the folder's path in last_ ("/" is 1)
    };
    void CloseFrom(std::size_t count);
    int OpenNext(int parent, const std::string& name, bool make);

    const FileSystemCalls& fs_;
    std::string last_;
    std::vector<Kept> open_;
};

// The folder part of an absolute path ("/a/b" -> "/a", "/a" -> "/") and the
// last name.
std::string FolderOf(const std::string& path);
std::string BaseName(const std::string& path);
std::string Join(const std::string& folder, const std::string& name);

}  // namespace corvane
