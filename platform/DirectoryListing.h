// One folder's entries as bytes, in byte order, with hidden names, links and
// special files left out, and the opening of folders by descriptor so that a
// walk never follows a link below the folder it was given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileId.h"
#include "platform/FileStamp.h"
#include "platform/StopToken.h"
#include "platform/SysResult.h"

namespace corvane {

// The regular files of one folder in byte order of their names, with what
// their lstat said when the folder was read. Kept compact because a walk holds
// one of these for every folder until its files are catalogued.
struct PlainFiles {
    std::string names;  // each name followed by a NUL byte (a name never holds one)
    std::vector<std::int64_t> sizes;
    std::vector<FileId> ids;
    // Their modification and change times, only when the listing was asked
    // for them (a search by contents): the rest of a walk keeps 24 bytes a file.
    std::vector<std::pair<ModifiedTime, ModifiedTime>> times;

    std::size_t Count() const { return sizes.size(); }
    bool Timed() const { return times.size() == sizes.size(); }
    // Calls visit(name, stamp) for each file, in order; the stamp's times
    // are zero unless Timed().
    template <typename Visit>
    void ForEach(Visit visit) const {
        std::string_view rest = names;
        for (std::size_t f = 0; f < sizes.size(); ++f) {
            const std::size_t end = rest.find('\0');
            const auto [modified, changed] =
                f < times.size() ? times[f] : std::pair<ModifiedTime, ModifiedTime>{};
            visit(rest.substr(0, end), FileStamp{ids[f], sizes[f], modified, changed});
            rest.remove_prefix(end + 1);
        }
    }
};

// A subfolder as its folder's listing saw it: the device and inode let the
// walk check, once it has opened the subfolder, that it is still that folder.
struct Subfolder {
    std::string name;
    FileId id;
};

// An open folder: its descriptor (O_CLOEXEC, the caller's to close) and
// its device and inode.
struct OpenFolder {
    int fd = -1;
    FileId id;
};

// Opens a folder the user named, following a link (they chose it).
SysResult<OpenFolder> OpenNamedFolder(const std::string& path);

// Opens `name` inside the open folder `parent`: never through a link, and
// only when it is still the folder `listed` (device and inode). Fails with
// ELOOP or ENOTDIR when a link or a file took its place, ENOENT when it is
// gone or another folder took its place.
SysResult<int> OpenSubfolder(int parent, const std::string& name, FileId listed);

// Opens the folder above the open folder `child` through "..", when that is
// still the folder `listed` (else ENOENT).
SysResult<int> OpenParentFolder(int child, FileId listed);

// Reads the open folder `folder` once (from where its descriptor stands):
// its subfolders and its regular files, both in byte order (memcmp), each with
// the device and inode of its lstat (files also with their size, and with
// their times when `withTimes`). Names starting with "." are
// hidden and left out, and so are links, FIFOs, sockets and devices (none of them is ever opened)
// and entries gone before their lstat. Returns 0, or the errno that kept the folder from being
// listed, outputs then empty: EACCES for a folder that may be read but not searched. Looks at
// `stop` every few hundred entries and gives ECANCELED once it is tripped.
int ListOpenFolder(int folder, std::vector<Subfolder>& subfolders, PlainFiles& files,
                   const StopToken* stop = nullptr, bool withTimes = false);

}  // namespace corvane
