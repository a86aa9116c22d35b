// The file-system calls the trash and its undo journal make, behind one seam.
// Production passes them straight to the system (one virtual call each); a
// test can make any one of them fail with the errno it chooses, to show that
// no failure at any step loses a file or leaves a broken trash entry.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Each call answers as the system call of its name does: -1 with errno set on
// failure. Threading: the system's calls are safe on any thread.
class FileSystemCalls {
  public:
    virtual ~FileSystemCalls() = default;
    virtual int Open(const char* path, int flags, mode_t mode) const;
    virtual ssize_t Read(int fd, void* buffer, std::size_t size) const;
    virtual ssize_t Write(int fd, const void* data, std::size_t size) const;
    virtual int Fsync(int fd) const;
    virtual int Close(int fd) const;
    // renameat2(AT_FDCWD, from, AT_FDCWD, to, flags).
    virtual int Rename(const char* from, const char* to, unsigned flags) const;
    virtual int Link(const char* from, const char* to) const;
    virtual int Unlink(const char* path) const;
    virtual int Mkdir(const char* path, mode_t mode) const;
    virtual int Lstat(const char* path, struct stat* st) const;
    virtual int Stat(const char* path, struct stat* st) const;
    virtual int Fstat(int fd, struct stat* st) const;
    // realpath(3): the path with every link and "." or ".." resolved.
    virtual int RealPath(const char* path, std::string& resolved) const;
    // The names in a folder, without "." and "..".
    virtual int ListFolder(const char* path, std::vector<std::string>& names) const;

    // The same, relative to an open folder (the *at calls).
    virtual int OpenAt(int folder, const char* name, int flags, mode_t mode) const;
    virtual int StatAt(int folder, const char* name, struct stat* st, int flags) const;
    virtual int RenameAt(int fromFolder, const char* from, int toFolder, const char* to,
                         unsigned flags) const;
    virtual int LinkAt(int fromFolder, const char* from, int toFolder, const char* to) const;
    virtual int UnlinkAt(int folder, const char* name, int flags) const;
    virtual int MkdirAt(int folder, const char* name, mode_t mode) const;
    // readlinkat into `target`.
    virtual int ReadLinkAt(int folder, const char* name, std::string& target) const;
    // syncfs(2): everything written to the drive of `fd` reaches the disk.
    virtual int SyncFs(int fd) const;

    // Names on their way out: Wait() gives one answer per name, in order (0
    // or the errno); destroying it waits too.
    struct NameAt {
        int folder = -1;
        std::string name;
    };
    class Removal {
      public:
        virtual ~Removal() = default;
        virtual std::vector<int> Wait() = 0;
    };
    // Removes each name from its folder as UnlinkAt(folder, name, 0) does.
    // These calls remove them before they answer, one after another through
    // UnlinkAt; the system's own (SystemCalls()) on a few threads while the
    // caller goes on, which pays where each removal waits for the drive (on a
    // drive mounted with "discard", unlinkat may trim the freed block before
    // it returns). The folders must stay open until Wait() answers.
    virtual std::unique_ptr<Removal> StartUnlinkEachAt(std::vector<NameAt> names) const;
};

// The system's own calls.
const FileSystemCalls& SystemCalls();

// Helpers over the calls; each answers 0 or the errno of the first failure.

// Writes all of `data`, going on after short writes.
int WriteAll(const FileSystemCalls& fs, int fd, std::string_view data);
// Reads at most `limit` bytes from the start of a file into `out`.
int ReadUpTo(const FileSystemCalls& fs, int fd, std::size_t limit, std::string& out);
// Moves `from` to `to` without ever replacing what is at `to` (EEXIST then).
// File systems without RENAME_NOREPLACE get a hard link and an unlink: the
// file has both names for a moment, never none.
int RenameNoReplace(const FileSystemCalls& fs, const std::string& from, const std::string& to);
// The same between open folders, with a hard link where renameat2 lacks
// RENAME_NOREPLACE.
int RenameNoReplaceAt(const FileSystemCalls& fs, int fromFolder, const std::string& from,
                      int toFolder, const std::string& to);
// mkdir -p: makes each missing folder of `path` with `mode`.
int MakeFolders(const FileSystemCalls& fs, const std::string& path, mode_t mode);
// fsync of a folder, so that the names made or removed in it last.
int SyncFolder(const FileSystemCalls& fs, const std::string& path);

}  // namespace corvane
