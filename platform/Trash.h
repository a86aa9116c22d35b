// Moving files to the desktop trash (freedesktop.org Trash), by exact byte paths.
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace corvane {

struct TrashResult {
    bool moved = false;
    QString reason;  // why the file was not moved; empty when it was
};

// One request from the user: every path is tried in order, and the answer
// holds one result per path, in the same order. A file is never deleted:
// what cannot go to a trash with a complete, restorable entry stays in place.
class Trash {
  public:
    virtual ~Trash() = default;
    virtual std::vector<TrashResult> MoveToTrash(const std::vector<std::string>& paths) = 0;
};

// The user's desktop trash through GIO. Names too long for GIO to record
// (it would leave an empty .trashinfo, or refuse) are moved into the home
// trash by our own entry writer under a shortened name; on other drives
// such names are refused.
//
// Threading: the calling thread; GLib reads HOME and XDG_DATA_HOME once per
// process, so tests set them before the first call.
class DesktopTrash final : public Trash {
  public:
    std::vector<TrashResult> MoveToTrash(const std::vector<std::string>& paths) override;
};

// Names longer than this (in bytes) are written by our own code: GIO 2.74 gets
// 239 bytes and more wrong, and a clash suffix adds a few bytes to the name.
inline constexpr std::size_t kLongTrashName = 200;

// Writes a home-trash entry for `path` the freedesktop.org way: an
// exclusive .trashinfo (Path percent-encoded, DeletionDate in local time) under
// a name short enough for the info file, then the file itself is renamed
// into files/ without replacing anything. `dataHome` is XDG_DATA_HOME.
TrashResult MoveToHomeTrash(const std::string& path, const std::string& dataHome);

// The percent-encoded form of a path for a .trashinfo Path line: every byte
// except A-Z a-z 0-9 - . _ ~ and "/" is escaped, as GIO writes it.
std::string TrashInfoPath(const std::string& path);

}  // namespace corvane
