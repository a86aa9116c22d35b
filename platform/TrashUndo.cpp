#include "platform/TrashUndo.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <memory>
#include <vector>

#include "platform/TrashJournal.h"
#include "platform/TrashPaths.h"

namespace corvane {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// The .trashinfo files of the files back home are removed this many at a time.
constexpr std::size_t kRemovedTogether = 1024;

// One trash's files/ and info/, open; `error` when they cannot be.
struct TrashFolders {
    int files = -1;
    int info = -1;
    int error = 0;
};

class Restorer {
  public:
    explicit Restorer(const FileSystemCalls& fs) : fs_(fs), chain_(fs) {}
    ~Restorer() {
        removing_.reset();  // uses the folders below
        for (auto& [path, trash] : trashes_) {
            for (const int fd : {trash.files, trash.info}) {
                if (fd >= 0) {
                    fs_.Close(fd);
                }
            }
        }
    }
    Restorer(const Restorer&) = delete;
    Restorer& operator=(const Restorer&) = delete;

    void Restore(const JournalEntry& entry, UndoResult& file);
    // Starts removing the entries left of the files back home so far, once
    // those it started before are gone; the next files go back meanwhile.
    void RemoveEntries();
    // Waits until every entry left is gone. Done before the journal says the
    // files are back: until then a later undo finds them home and removes
    // what is left.
    void EntriesRemoved();

  private:
    const TrashFolders& FoldersOf(const std::string& trash);
    bool IsBack(int parent, const std::string& base, const FileStamp& stamp, struct stat& st);
    void PutBack(const JournalEntry& entry, const TrashFolders& trash, int parent,
                 UndoResult& file);

    const FileSystemCalls& fs_;
    FolderChain chain_;
    std::map<std::string, TrashFolders> trashes_;
    std::vector<FileSystemCalls::NameAt> leftEntries_;  // .trashinfo files to remove
    std::unique_ptr<FileSystemCalls::Removal> removing_;
};

// A .trashinfo that cannot be removed stays, naming no file: harmless.
void Restorer::RemoveEntries() {
    if (removing_) {
        removing_->Wait();
    }
    removing_ = fs_.StartUnlinkEachAt(std::move(leftEntries_));
    leftEntries_.clear();
}

void Restorer::EntriesRemoved() {
    RemoveEntries();
    removing_->Wait();
    removing_.reset();
}

const TrashFolders& Restorer::FoldersOf(const std::string& trash) {
    if (const auto found = trashes_.find(trash); found != trashes_.end()) {
        return found->second;
    }
    TrashFolders folders;
    const int top = fs_.Open(trash.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (top < 0) {
        folders.error = errno;
    } else {
        folders.files = fs_.OpenAt(top, "files", kFolderFlags, 0);
        folders.error = folders.files < 0 ? errno : 0;
        if (folders.error == 0) {
            folders.info = fs_.OpenAt(top, "info", kFolderFlags, 0);
            folders.error = folders.info < 0 ? errno : 0;
        }
        fs_.Close(top);
    }
    return trashes_.emplace(trash, folders).first->second;
}

bool Restorer::IsBack(int parent, const std::string& base, const FileStamp& stamp,
                      struct stat& st) {
    return fs_.StatAt(parent, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
           SameFileMoved(StampOf(st), stamp);
}

void Restorer::Restore(const JournalEntry& entry, UndoResult& file) {
    file.path = entry.path;
    file.stamp = entry.stamp;
    const TrashFolders& trash = FoldersOf(entry.trash);
    if (trash.error != 0) {
        file.problem =
            trash.error == ENOENT ? TrashProblem::kTrashUnreachable : TrashProblem::kRestore;
        file.error = trash.error == ENOENT ? 0 : trash.error;
        return;
    }
    struct stat inTrash {};
    const int trashError =
        fs_.StatAt(trash.files, entry.filesName.c_str(), &inTrash, AT_SYMLINK_NOFOLLOW) == 0
            ? 0
            : errno;
    const bool ours =
        trashError == 0 && S_ISREG(inTrash.st_mode) && SameFileMoved(StampOf(inTrash), entry.stamp);
    // Missing folders are made again only for a file that can come back.
    const int parent = chain_.Open(FolderOf(entry.path), ours);
    if (parent < 0) {
        const int error = errno;
        const bool linked = error == ELOOP || error == ENOTDIR;
        file.problem = !ours && trashError == ENOENT ? TrashProblem::kEntryGone
                       : linked                      ? TrashProblem::kOriginalFolder
                                                     : TrashProblem::kRestore;
        file.error = file.problem == TrashProblem::kRestore ? error : 0;
        return;
    }
    // A file whose only name is its trash entry cannot be back already.
    struct stat there {};
    if (!(ours && inTrash.st_nlink == 1) &&
        IsBack(parent, BaseName(entry.path), entry.stamp, there)) {
        // Never moved (stopped or crashed between reserving the entry and the
        // move), or put back by another undo: what is left of the entry is ours.
        bool held = trashError != ENOENT;
        if (ours && inTrash.st_nlink > 1 &&
            fs_.UnlinkAt(trash.files, entry.filesName.c_str(), 0) == 0) {
            held = false;  // a second name of the file, left by a link fallback
        }
        if (!held) {
            leftEntries_.push_back({trash.info, entry.infoName});
        }
        file.restored = true;
        return;
    }
    if (trashError != 0) {
        file.problem = trashError == ENOENT ? TrashProblem::kEntryGone : TrashProblem::kRestore;
        file.error = trashError == ENOENT ? 0 : trashError;
        return;
    }
    if (!ours) {
        file.problem = TrashProblem::kEntryChanged;
        return;
    }
    PutBack(entry, trash, parent, file);
}

void Restorer::PutBack(const JournalEntry& entry, const TrashFolders& trash, int parent,
                       UndoResult& file) {
    const std::string base = BaseName(entry.path);
    const int error = RenameNoReplaceAt(fs_, trash.files, entry.filesName, parent, base);
    struct stat there {};
    if (error == 0 ||
        ((error == EEXIST || error == ENOENT) && IsBack(parent, base, entry.stamp, there))) {
        // Back, by this undo or by another one that was quicker. Only now
        // may its entry go.
        leftEntries_.push_back({trash.info, entry.infoName});
        file.restored = true;
        return;
    }
    switch (error) {
        case EEXIST:
            file.problem = fs_.StatAt(parent, base.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
                                   S_ISDIR(there.st_mode)
                               ? TrashProblem::kFolderAtOriginal
                               : TrashProblem::kOriginalTaken;
            break;
        case ENOENT:
            file.problem = TrashProblem::kEntryGone;
            break;
        default:
            file.problem = TrashProblem::kRestore;
            file.error = error;
    }
}

}  // namespace

bool MayComeBackLater(TrashProblem problem) {
    switch (problem) {
        case TrashProblem::kUndoNotAttempted:
        case TrashProblem::kOriginalTaken:
        case TrashProblem::kFolderAtOriginal:
        case TrashProblem::kOriginalFolder:
        case TrashProblem::kTrashUnreachable:
        case TrashProblem::kRestore:
            return true;
        default:
            return false;
    }
}

UndoOutcome UndoNewestBatch(const FileSystemCalls& fs, const std::string& journalFolder,
                            const UndoControl& control) {
    const JournalBatch batch = ReadNewestBatch(fs, journalFolder);
    UndoOutcome outcome{batch.problem, batch.error, batch.line, batch.id, {}, false};
    if (batch.problem != UndoProblem::kNone) {
        return outcome;
    }
    std::vector<std::size_t> left;  // the entries still to put back
    for (std::size_t i = 0; i < batch.entries.size(); ++i) {
        const auto state = batch.entries[i].state;
        if (state == JournalEntry::State::kPending || state == JournalEntry::State::kMoved) {
            left.push_back(i);
        }
    }
    Restorer restorer(fs);
    std::vector<std::pair<std::size_t, JournalEntry::State>> settled;
    for (const std::size_t i : left) {
        UndoResult& file = outcome.files.emplace_back();
        if (control.Stopped()) {
            file.path = batch.entries[i].path;
            file.stamp = batch.entries[i].stamp;
            file.problem = TrashProblem::kUndoNotAttempted;
        } else {
            restorer.Restore(batch.entries[i], file);
            if (outcome.files.size() % kRemovedTogether == 0) {
                restorer.RemoveEntries();
            }
            control.Report(outcome.files.size(), left.size());
        }
        if (file.restored) {
            settled.emplace_back(i, JournalEntry::State::kRestored);
        } else if (!MayComeBackLater(file.problem)) {
            settled.emplace_back(i, JournalEntry::State::kLost);
        }
        outcome.stillUndoable = outcome.stillUndoable || MayComeBackLater(file.problem);
    }
    restorer.EntriesRemoved();
    // A batch some of whose files may still come back stays the one to undo,
    // and notes which are settled (back, or never coming back); else it is undone.
    const int error = outcome.stillUndoable ? RecordSettled(fs, journalFolder, batch.id, settled)
                                            : MarkBatchUndone(fs, journalFolder, batch.id);
    if (error != 0 && !outcome.stillUndoable) {
        outcome.problem = UndoProblem::kNotMarked;
        outcome.error = error;
    }
    control.Report(left.size(), left.size());
    return outcome;
}

}  // namespace corvane
