// What the trash tests share: a home of their own, file helpers, a reader of
// trash folders that insists on complete entries, and a file system whose
// calls fail on demand.
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "platform/FileSystemCalls.h"
#include "platform/Trash.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvane::testing {

// HOME, XDG_DATA_HOME and XDG_STATE_HOME point into a folder of the test
// program before main() and so before GLib first reads them; each test still
// passes its own places to DesktopTrash.
struct ScratchHome {
    TempDir dir;
    ScratchHome() {
        ::setenv("HOME", dir.path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    }
};
inline ScratchHome g_scratchHome;

inline std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    SystemCalls().ListFolder(folder.c_str(), names);
    return names;
}

// Places inside a test folder: data/ for the home trash, state/ for the journal.
inline TrashPlaces PlacesIn(const TempDir& dir) {
    return TrashPlaces{dir / "data", dir / "state"};
}

struct TrashedFile {
    std::string name;  // in files/
    std::string content;
};

// The entries of a trash folder by original path (relative paths joined to
// `topdir`). Sets `complete` to false when a file lies in files/ without a
// complete .trashinfo naming it.
inline std::map<std::string, TrashedFile> EntriesOf(const std::string& trash, bool& complete,
                                                    const std::string& topdir = "") {
    static const std::regex kInfo(
        "\\[Trash "
        "Info\\]\nPath=([^\n]+)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::map<std::string, TrashedFile> entries;
    complete = true;
    for (const auto& name : Names(trash + "/files")) {
        const std::string info = ReadFile(trash + "/info/" + name + ".trashinfo");
        std::smatch match;
        if (!std::regex_match(info, match, kInfo)) {
            complete = false;
            continue;
        }
        std::string path;
        const std::string encoded = match[1];
        for (std::size_t i = 0; i < encoded.size(); ++i) {
            if (encoded[i] == '%' && i + 2 < encoded.size()) {
                path += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                path += encoded[i];
            }
        }
        if (path.front() != '/') {
            path = topdir + "/" + path;
        }
        entries[path] = TrashedFile{name, ReadFile(trash + "/files/" + name)};
    }
    return entries;
}

// The system's calls, except that call number `failAt` (from 1) fails with
// `error`, and with `sticky` every call after it too (a drive that stays full).
// FaultyCalls() never fails.
class FaultyCalls final : public FileSystemCalls {
  public:
    FaultyCalls(long failAt = LONG_MAX, int error = 0, bool sticky = false)
        : failAt_(failAt), error_(error), sticky_(sticky) {}
    long calls() const { return calls_; }
    bool failed() const { return calls_ >= failAt_; }

    int Open(const char* p, int f, mode_t m) const override {
        if (Fail()) {
            return -1;
        }
        const int fd = FileSystemCalls::Open(p, f, m);
        if (fd >= 0 && (f & O_CREAT)) {
            written_.emplace(FdPath(fd), 0);  // nothing of it is on disk yet
        }
        return fd;
    }
    ssize_t Read(int fd, void* b, std::size_t n) const override {
        return Fail() ? -1 : FileSystemCalls::Read(fd, b, n);
    }
    ssize_t Write(int fd, const void* d, std::size_t n) const override {
        return Fail() ? -1 : FileSystemCalls::Write(fd, d, n);
    }
    // Counted and failed like the others, but never waited for: what reaches
    // the platter is not what these tests look at, and syncs would make them slow.
    int Fsync(int fd) const override {
        if (Fail()) {
            return -1;
        }
        if (const auto found = written_.find(FdPath(fd)); found != written_.end()) {
            found->second = SizeOf(found->first);
        }
        return 0;
    }
    int Close(int fd) const override {
        // A failed close still closes, as the system's does.
        const int result = FileSystemCalls::Close(fd);
        return Fail() ? -1 : result;
    }
    int Rename(const char* a, const char* b, unsigned f) const override {
        return Fail() ? -1 : FileSystemCalls::Rename(a, b, f);
    }
    int Link(const char* a, const char* b) const override {
        return Fail() ? -1 : FileSystemCalls::Link(a, b);
    }
    int Unlink(const char* p) const override { return Fail() ? -1 : FileSystemCalls::Unlink(p); }
    int Mkdir(const char* p, mode_t m) const override {
        return Fail() ? -1 : FileSystemCalls::Mkdir(p, m);
    }
    int Lstat(const char* p, struct stat* st) const override {
        return Fail() ? -1 : FileSystemCalls::Lstat(p, st);
    }
    int Stat(const char* p, struct stat* st) const override {
        return Fail() ? -1 : FileSystemCalls::Stat(p, st);
    }
    int Fstat(int fd, struct stat* st) const override {
        return Fail() ? -1 : FileSystemCalls::Fstat(fd, st);
    }
    int RealPath(const char* p, std::string& r) const override {
        return Fail() ? -1 : FileSystemCalls::RealPath(p, r);
    }
    int ListFolder(const char* p, std::vector<std::string>& n) const override {
        return Fail() ? -1 : FileSystemCalls::ListFolder(p, n);
    }

    int OpenAt(int d, const char* n, int f, mode_t m) const override {
        if (Fail()) {
            return -1;
        }
        const int fd = FileSystemCalls::OpenAt(d, n, f, m);
        if (fd >= 0 && (f & O_CREAT)) {
            written_.emplace(FdPath(fd), 0);  // nothing of it is on disk yet
        }
        return fd;
    }
    int StatAt(int d, const char* n, struct stat* st, int f) const override {
        return Fail() ? -1 : FileSystemCalls::StatAt(d, n, st, f);
    }
    int RenameAt(int a, const char* b, int c, const char* d, unsigned f) const override {
        return Fail() ? -1 : FileSystemCalls::RenameAt(a, b, c, d, f);
    }
    int LinkAt(int a, const char* b, int c, const char* d) const override {
        return Fail() ? -1 : FileSystemCalls::LinkAt(a, b, c, d);
    }
    int UnlinkAt(int d, const char* n, int f) const override {
        return Fail() ? -1 : FileSystemCalls::UnlinkAt(d, n, f);
    }
    int MkdirAt(int d, const char* n, mode_t m) const override {
        return Fail() ? -1 : FileSystemCalls::MkdirAt(d, n, m);
    }
    int ReadLinkAt(int d, const char* n, std::string& t) const override {
        return Fail() ? -1 : FileSystemCalls::ReadLinkAt(d, n, t);
    }
    // Like Fsync: counted, failed, never waited for; what it would have made
    // durable is noted for LoseUnsynced.
    int SyncFs(int) const override {
        if (Fail()) {
            return -1;
        }
        for (auto& [path, durable] : written_) {
            durable = SizeOf(path);
        }
        return 0;
    }

    // What a power cut right now would leave: every file written through
    // these calls is cut back to what the last fsync or syncfs covered.
    void LoseUnsynced() const {
        for (const auto& [path, durable] : written_) {
            if (SizeOf(path) > durable) {
                ::truncate(path.c_str(), durable);
            }
        }
    }

    // Called before each call with its number (from 1): a test changes the
    // tree there, at one step of a send or an undo.
    std::function<void(long)> onCall;

  private:
    static std::string FdPath(int fd) {
        std::string target;
        FileSystemCalls().ReadLinkAt(AT_FDCWD, ("/proc/self/fd/" + std::to_string(fd)).c_str(),
                                     target);
        return target;
    }
    static off_t SizeOf(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
    }

    bool Fail() const {
        ++calls_;
        if (onCall) {
            onCall(calls_);
        }
        if (calls_ == failAt_ || (sticky_ && calls_ > failAt_)) {
            errno = error_;
            return true;
        }
        return false;
    }

    long failAt_;
    int error_;
    bool sticky_;
    mutable long calls_ = 0;
    mutable std::map<std::string, off_t> written_;  // made here: bytes synced
};

}  // namespace corvane::testing
