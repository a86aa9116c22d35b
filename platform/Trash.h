// Moving files to the desktop trash (freedesktop.org Trash), by exact byte
// paths, and putting the last batch back.
#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileStamp.h"
#include "platform/FileSystemCalls.h"
#include "platform/StopToken.h"
#include "platform/TrashProblem.h"

namespace corvane {

// One file to send. With `expected` (what the search saw), the file goes only
// while it is still that regular file: same device, inode, size, and
// modification and change times to the nanosecond.
struct TrashRequest {
    std::string path;
    std::optional<FileStamp> expected;
};

struct TrashResult {
    bool moved = false;
    TrashProblem problem = TrashProblem::kNone;  // why not, when not moved
    int error = 0;                               // the system's errno, where it gave one
};

// One request of the user: a result per file, in order, and the name of the
// batch the journal recorded for Undo (empty when nothing went).
struct TrashBatch {
    std::string id;
    std::vector<TrashResult> results;
};

// How a caller follows and stops a send or an undo, which may run on a worker
// thread. A stop is heard between files: each file is either handled
// completely or left as it was, and those not reached are reported
// kNotAttempted (send) or kUndoNotAttempted (undo). `progress` is called on
// the working thread with the files handled so far, at least once at the end.
struct SendControl {
    const StopToken* stop = nullptr;
    std::function<void(std::size_t done, std::size_t total)> progress;

    bool Stopped() const { return stop != nullptr && stop->Stopped(); }
    void Report(std::size_t done, std::size_t total) const {
        if (progress) {
            progress(done, total);
        }
    }
};
using UndoControl = SendControl;

// One file of an undone batch.
struct UndoResult {
    std::string path;  // where it was (its folders' links resolved); again when restored
    FileStamp stamp;   // the file as it was sent (the journal keeps no change time)
    bool restored = false;
    TrashProblem problem = TrashProblem::kNone;
    int error = 0;
};

struct UndoOutcome {
    UndoProblem problem = UndoProblem::kNone;  // what stopped the undo as a whole
    int error = 0;
    std::size_t line = 0;           // the first damaged line of the record
    std::string id;                 // the batch
    std::vector<UndoResult> files;  // every file of the batch that went, in sending order
    // Some files may still come back (stopped, or a failure that may pass):
    // the batch stays the one to undo.
    bool stillUndoable = false;
};

// A file is never deleted: what cannot go to a trash with a complete,
// restorable entry stays in place, and what cannot come back stays in the
// trash with its entry.
class Trash {
  public:
    virtual ~Trash() = default;

    // Sends the files of one request. This default checks each stamp first
    // (CheckUnchanged) and hands the unchanged paths to MoveToTrash in one
    // call; DesktopTrash checks each file just before it moves and records
    // the batch for Undo.
    virtual TrashBatch Send(const std::vector<TrashRequest>& requests,
                            const SendControl& control = {});
    // Moves the files at `paths`, one result per path, in order.
    virtual std::vector<TrashResult> MoveToTrash(const std::vector<std::string>& paths) = 0;

    // True when there is a last batch to put back (also when its record is
    // damaged, so that asking to undo it says so).
    virtual bool HasBatchToUndo() { return false; }
    // Puts the files of the last batch back where they were; a batch is undone once.
    virtual UndoOutcome UndoLastBatch(const UndoControl& control = {}) {
        (void)control;
        UndoOutcome none;
        none.problem = UndoProblem::kNoBatch;
        return none;
    }
};

// The folders a desktop trash works with.
struct TrashPlaces {
    std::string dataHome;   // XDG_DATA_HOME: the home trash is dataHome/Trash
    std::string stateHome;  // XDG_STATE_HOME: the journal is in stateHome/corvane
};

// The user's desktop trash. Every entry is written by Corvane itself: the
// home trash for files on its drive, else the drive's $topdir/.Trash/$uid
// (when .Trash is a real folder with the sticky bit) or $topdir/.Trash-$uid.
// Files go in chunks with a few syncs for each chunk (TrashSender.h): the
// journal's lines, then the reserved .trashinfo files, are on disk before any
// file moves. Each file is reached by descriptors, its folders opened from
// "/" without following a link (their links were resolved once, before), and
// checked again by fstatat just before a rename between the two folders that
// never replaces anything; a wrong inode after the move goes back the same
// way and is reported.
//
// Threading: each call runs on the calling thread and blocks until done; one
// object serves one thread at a time, except HasBatchToUndo, which any thread
// may ask at any time (while a send runs it may still answer for the batch
// before). Two processes may send and undo at the same time: names are
// reserved exclusively and renames never replace.
class DesktopTrash final : public Trash {
  public:
    // The places GLib gives (read at first use: tests set HOME, XDG_DATA_HOME
    // and XDG_STATE_HOME before).
    DesktopTrash();
    explicit DesktopTrash(TrashPlaces places, const FileSystemCalls& fs = SystemCalls());

    TrashBatch Send(const std::vector<TrashRequest>& requests,
                    const SendControl& control = {}) override;
    // Sends without stamps: any regular file at the paths goes.
    std::vector<TrashResult> MoveToTrash(const std::vector<std::string>& paths) override;
    // Read from disk once, then again only after this object sent or undid,
    // or when the journal folder changed (another process sent or undid).
    bool HasBatchToUndo() override;
    // Each file goes back by a rename on its own drive that never replaces
    // anything, and its .trashinfo is removed only once it is back. A file
    // whose original path is taken, or whose trash entry is gone or is another
    // file now, stays where it is and is reported. Missing parent folders of
    // an original path are made again (0755). The journal is read as
    // untrusted: a damaged record changes nothing.
    UndoOutcome UndoLastBatch(const UndoControl& control = {}) override;

  private:
    const TrashPlaces& Places();
    std::string JournalFolder();
    void ForgetBatchAnswer();

    std::optional<TrashPlaces> places_;
    const FileSystemCalls& fs_;
    std::mutex answerLock_;  // guards places_ and the two below
    std::optional<bool> hasBatch_;
    struct stat answeredFor_ {};  // the journal folder when hasBatch_ was read
};

// The same check the search's rows get before any move: still a regular file
// with the device, inode, size, modification and change times of `expected`.
TrashResult CheckUnchanged(const std::string& path, const FileStamp& expected,
                           const FileSystemCalls& fs = SystemCalls());

// Names longer than this (in bytes) are shortened inside the trash, leaving
// room for ".trashinfo" and a clash counter on any drive.
inline constexpr std::size_t kLongTrashName = 200;

// The name of a trash entry for a file named `base`: the name itself when it
// is short enough and `counter` is 1; else the start of its stem, cut between
// UTF-8 letters (a stray byte counts as one), then "~counter" when counter > 1,
// then a short extension.
std::string TrashEntryName(const std::string& base, int counter);

// The percent-encoded form of a path for a .trashinfo Path line: every byte
// except A-Z a-z 0-9 - . _ ~ and "/" is escaped.
std::string TrashInfoPath(const std::string& path);

// The whole .trashinfo text for `recordedPath` (absolute, or relative to the
// drive's top folder) sent at `when` (written in local time).
std::string TrashInfoText(const std::string& recordedPath, std::time_t when);

// True when `path` (absolute, links resolved) lies inside a trash folder:
// `homeTrash` or any drive's .Trash-UID or .Trash/UID, at any depth.
bool InsideTrash(const std::string& path, const std::string& homeTrash);

}  // namespace corvane
