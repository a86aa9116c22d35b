// Sending rows to the trash, the one way both front ends do it: which files
// go, the rules each passes just before it moves, and what became of each
// file, as data. The window runs it on a worker thread, corvane-find --trash
// on its main thread; each puts the report into its own words (SendTexts.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileStamp.h"
#include "platform/Trash.h"
#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane {

inline constexpr std::uint32_t kNoSet = UINT32_MAX;

// One file to send, as its row had it.
struct SendFile {
    std::string path;
    std::optional<FileStamp> stamp;  // none: the row has no stamp, so the file never goes
    std::uint32_t set = kNoSet;      // its content set (SendPlan::keptCopies), where known
};

// The files of one send and the copies they leave behind.
struct SendPlan {
    std::vector<SendFile> files;    // in list order
    std::vector<std::size_t> rows;  // the list row of each file
    // Per content set: its files that stay, with the stamps the search gave
    // them. The set's files go only while one of these is still that file.
    std::vector<std::vector<TrashRequest>> keptCopies;
    // Groups whose every row is to be sent: no copy of them would be left.
    std::size_t groupsLosingEveryCopy = 0;
    // Files to send whose bytes were never compared with another row's.
    std::size_t neverCompared = 0;
};

// Whose word the list's "Same" groups carry: the search that just compared
// their bytes, or a saved list read back, which is untrusted and whose bytes
// no one compared since.
enum class SameGroups : std::uint8_t { kComparedBySearch, kFromAList };

// Input: the list's rows, one tick (or keep-rule mark) per row, and, after a
// content check, one verdict per row. A ticked row whose bytes are known to
// equal those of unticked rows of its group belongs to the set of those
// rows; the unticked ones are its kept copies. The rows of a "Same" group
// the search compared are one set, with or without verdicts; other rows
// without verdicts have no set and count as never compared, and only the
// all-copies count guards them. Protected rows are never planned.
SendPlan PlanSend(const ResultRows& rows, const std::vector<bool>& ticked,
                  const std::vector<RowContent>* content = nullptr,
                  SameGroups same = SameGroups::kComparedBySearch);

enum class SendResult : std::uint8_t {
    kTrashed,       // in the trash with a complete entry, recorded for undo
    kFailed,        // not sent, or not gone: `problem` and `error` say why
    kKeptCopyGone,  // left alone: no kept copy of its set is still the file the search saw
    kStopped,       // left alone: the send was stopped before its turn
};

struct SentFile {
    SendResult result = SendResult::kStopped;
    TrashProblem problem = TrashProblem::kNone;  // for kFailed
    int error = 0;                               // the system's errno, where it gave one
    // No longer at its place afterwards, whatever the trash answered: its row
    // leaves the list. Never true for a file left alone.
    bool gone = false;
};

struct SendReport {
    std::string batch;            // the journal's batch for undo; empty when nothing went
    std::vector<SentFile> files;  // one per SendPlan::files, in order
    bool stopped = false;         // the stop token ended the send early

    std::size_t Count(SendResult result) const;
    // True when a file that was to go did not (a stopped file is not a failure).
    bool AnyFailed() const;
};

// Sends the plan's files in one request of `trash` (one batch for undo).
// Rules, in order: a file without a stamp is not sent (reported changed);
// the kept copies of each set are checked (same regular file, device, inode,
// size and times) just before the request, and a set none of whose copies
// holds is left alone; each other file is checked again by the trash just
// before it moves. After the request each file the trash was asked to move
// is looked at once more, so that `gone` follows the disk.
//
// Threading: runs on the calling thread and blocks; `control` (the stop
// token and the progress) may be polled and called from it.
SendReport SendRows(const SendPlan& plan, Trash& trash, const SendControl& control = {});

// Puts the files of the last batch back: the outcome is the platform's data.
// Failed when any file stayed in the trash or the record could not be used.
UndoOutcome UndoLastSend(Trash& trash, const UndoControl& control = {});
bool UndoFailed(const UndoOutcome& outcome);

}  // namespace corvane
