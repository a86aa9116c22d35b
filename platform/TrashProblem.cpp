#include "platform/TrashProblem.h"

#include "platform/ErrnoText.h"

namespace corvane {

namespace {

// "what happened (what the system said)", or the first part alone.
QString WithError(const QString& text, int error) {
    return error == 0 ? text : QStringLiteral("%1 (%2)").arg(text, ErrnoText(error));
}

}  // namespace

QString TrashProblemText(TrashProblem problem, int error) {
    switch (problem) {
        case TrashProblem::kNone:
            return {};
        case TrashProblem::kVanished:
            return QStringLiteral("it no longer exists");
        case TrashProblem::kChanged:
            return QStringLiteral("changed since the search");
        case TrashProblem::kNotAFile:
            return QStringLiteral("it is not a plain file");
        case TrashProblem::kAlreadyInTrash:
            return QStringLiteral("it is already in the trash");
        case TrashProblem::kNoTrash:
            return QStringLiteral("this drive has no trash");
        case TrashProblem::kNameTooLong:
            return QStringLiteral("its name is too long for the trash on this drive");
        case TrashProblem::kTrashFolder:
            return WithError(QStringLiteral("the trash folder cannot be made or used"), error);
        case TrashProblem::kEntry:
            return WithError(QStringLiteral("its trash entry cannot be written"), error);
        case TrashProblem::kMove:
            return WithError(QStringLiteral("it cannot be moved into the trash"), error);
        case TrashProblem::kEntryUnverified:
            return WithError(QStringLiteral("its trash entry did not read back complete, so it "
                                            "was put back"),
                             error);
        case TrashProblem::kTooManyNames:
            return QStringLiteral("the trash holds too many files of this name");
        case TrashProblem::kJournal:
            return WithError(QStringLiteral("the record for Undo cannot be written"), error);
        case TrashProblem::kSystem:
            return error == 0 ? QStringLiteral("the system gave no reason") : ErrnoText(error);
        case TrashProblem::kStillInPlace:
            return QStringLiteral("the trash reported it moved, but it is still in place");
        case TrashProblem::kNoAnswer:
            return QStringLiteral("the trash gave no answer");
        case TrashProblem::kNotAttempted:
            return QStringLiteral("stopped before it was sent");
        case TrashProblem::kUndoNotAttempted:
            return QStringLiteral("stopped before it was put back");
        case TrashProblem::kCrossDevice:
            return QStringLiteral(
                "it is reached through another mount of its drive (a bind "
                "mount), and files cannot be moved between mounts");
        case TrashProblem::kFolderAtOriginal:
            return QStringLiteral("a folder is at its original place");
        case TrashProblem::kOriginalFolder:
            return QStringLiteral("a folder on its original path is now a link or a file");
        case TrashProblem::kTrashUnreachable:
            return QStringLiteral("its trash folder is not there now (is the drive mounted?)");
        case TrashProblem::kOriginalTaken:
            return QStringLiteral("another file is at its original place");
        case TrashProblem::kEntryGone:
            return QStringLiteral("it is no longer in the trash");
        case TrashProblem::kEntryChanged:
            return QStringLiteral("its trash entry has changed");
        case TrashProblem::kRestore:
            return WithError(QStringLiteral("it cannot be put back"), error);
    }
    return {};
}

QString UndoProblemText(UndoProblem problem, int error, std::size_t line) {
    switch (problem) {
        case UndoProblem::kNone:
            return {};
        case UndoProblem::kNoBatch:
            return QStringLiteral("there is nothing to undo");
        case UndoProblem::kUnreadable:
            return WithError(QStringLiteral("the record of the last send cannot be read"), error);
        case UndoProblem::kNotAFile:
            return QStringLiteral("the record of the last send is not a plain file of yours");
        case UndoProblem::kDamaged:
            return line == 0 ? QStringLiteral("the record of the last send is damaged")
                             : QStringLiteral("the record of the last send is damaged (line %1)")
                                   .arg(line);
        case UndoProblem::kNotMarked:
            return WithError(QStringLiteral("the files were put back, but the send could not be "
                                            "marked as undone"),
                             error);
    }
    return {};
}

}  // namespace corvane
