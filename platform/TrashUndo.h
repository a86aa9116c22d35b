// Putting the newest batch back (the trash's own part of
// DesktopTrash::UndoLastBatch; see Trash.h for what an undo promises).
//
// Each file goes back by descriptors: its trash's files/ and info/ are opened
// once; its original folder is opened name by name from "/" without following
// a link (missing folders are made with mkdirat, never through a link), and
// the file is renamed into it without replacing anything. Whether a file moved
// at all is told from the disk, not from the journal's confirmations: a file
// already at its original path (never moved, or put back by another undo) is
// reported back, and what is left of its reserved entry is removed. The
// .trashinfo files of the files back are removed a thousand at a time, several
// at once, while the next thousand go back (FileSystemCalls::StartUnlinkEachAt),
// always before the journal notes those files back.
#pragma once

#include <string>

#include "platform/FileSystemCalls.h"
#include "platform/Trash.h"

namespace corvane {

UndoOutcome UndoNewestBatch(const FileSystemCalls& fs, const std::string& journalFolder,
                            const UndoControl& control);

// True for the reasons a file may come back on a later try: the batch then
// stays the one to undo.
bool MayComeBackLater(TrashProblem problem);

}  // namespace corvane
