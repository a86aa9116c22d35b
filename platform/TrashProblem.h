// Why a file did not go to the trash, or did not come back from it, as data:
// the platform hands out the kind and the errno the system gave; the window
// and corvane-find put it into the same words with TrashProblemText.
#pragma once

#include <QString>
#include <cstddef>

namespace corvane {

enum class TrashProblem {
    kNone,
    // Sending.
    kVanished,         // no file at the path any more
    kChanged,          // not the file the search saw: type, device, inode, size or time differ
    kNotAFile,         // not a regular file (a request without a search stamp)
    kAlreadyInTrash,   // the path lies inside a trash folder
    kNoTrash,          // the drive has no trash: a system mount, read-only, or marked so
    kNameTooLong,      // the drive refused the name of the trash entry
    kTrashFolder,      // the trash folders cannot be made or are not safe to use
    kEntry,            // the .trashinfo could not be written
    kMove,             // the file could not be renamed into the trash
    kEntryUnverified,  // the entry did not read back complete, so the file was put back
    kTooManyNames,     // every name tried is taken in the trash
    kJournal,          // the record for Undo could not be written, so the file was kept
    kSystem,           // another failure of the system: the errno says which
    kStillInPlace,     // a trash answered "moved", but the file is still in place
    kNoAnswer,         // a trash gave no answer for the file
    kNotAttempted,     // the send was stopped before this file: it is untouched
    kCrossDevice,      // reached through another mount of its drive (a bind mount)
    // Putting back.
    kOriginalTaken,     // something is at the original path again
    kEntryGone,         // the trash entry is no longer there
    kEntryChanged,      // the trash entry is another file now (device, inode, size or time)
    kRestore,           // the rename back failed
    kUndoNotAttempted,  // the undo was stopped before this file: still in the trash
    kFolderAtOriginal,  // a folder is at the original path now
    kOriginalFolder,    // a folder of the original path is a link or a file now
    kTrashUnreachable,  // the trash folder is not there (its drive unmounted?)
};

// The user's words: "changed since the search", "this drive has no trash",
// and so on, with the system's words for `error` where it is not 0.
QString TrashProblemText(TrashProblem problem, int error = 0);

// What stops an undo as a whole.
enum class UndoProblem {
    kNone,
    kNoBatch,     // no batch, or the last one was undone already
    kUnreadable,  // the record cannot be read (errno)
    kNotAFile,    // the record is a link, a folder, a device, or someone else's
    kDamaged,     // the record is not one Corvane wrote (line number)
    kNotMarked,   // the files were put back, but the batch could not be marked undone (errno)
};

QString UndoProblemText(UndoProblem problem, int error = 0, std::size_t line = 0);

}  // namespace corvane
