// The content check: which files of each result group hold the same bytes.
// GUI-free; corvane-find runs it on its main thread, the results window on a
// worker thread.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/FileDigest.h"
#include "platform/StopToken.h"
#include "search/ContentStages.h"
#include "search/ResultRow.h"

namespace corvane {

enum class ContentVerdict : std::uint8_t {
    NotChecked,  // never looked at, or left undecided by a stop
    Identical,   // its key is shared by at least one other row of its group
    Differs,     // no other row of its group has the same bytes
    Unreadable,  // could not be opened or read: see `error`
    Changed,     // not the file the row describes any more, or changed while read
};

enum class KeySource : std::uint8_t {
    None,     // no key: Unreadable, Changed or NotChecked
    Content,  // XXH3-128 of all of the file's bytes (empty files: of no bytes)
    // A key that only tells the file apart, for a file not read in full:
    // KeyNotFromContent(size) when no other row of the group has its size,
    // KeyNotFromContent(size, first and last blocks) when no other row of its
    // size has the same first and last blocks. Never counted as equal to
    // another row's key, whatever its bits.
    Distinct,
};

struct RowContent {
    ContentVerdict verdict = ContentVerdict::NotChecked;
    KeySource source = KeySource::None;
    ContentKey key;
    int error = 0;  // errno, for Unreadable
};

// Whether two rows of one group hold the same bytes: both keys come from the
// whole content and are equal. Keys are only compared within a group.
inline bool SameContent(const RowContent& a, const RowContent& b) {
    return a.source == KeySource::Content && b.source == KeySource::Content && a.key == b.key;
}

struct ContentCheckOptions {
    unsigned readers = 2;                            // reading threads: one per core
    std::size_t bufferBytes = std::size_t{1} << 20;  // each reader's buffer
};

struct ContentCheckResult {
    std::vector<RowContent> rows;  // one per row, in row order
    bool stopped = false;
    std::uint64_t bytesRead = 0;  // every byte read, first looks included
};

// Checks the rows' files by content, group by group (ResultRow::group),
// through the ContentStages with each group a bucket:
// - a row whose file no other row of its group matches in size is not read
//   (Differs, Distinct key);
// - an empty file is not read: it gets KeyOfNoBytes() once a fresh lstat
//   shows it still empty and as stamped (otherwise Changed, or Unreadable);
// - rows of a shared size are read in stages (head, tail, whole), each only
//   for the files whose earlier keys another row of the group and size
//   shares; a file no longer than one block is whole after its head;
// - a file is opened only as the row's stamp describes it (device, inode,
//   size, modification time): otherwise, or when it changes while it is read,
//   it is Changed; a row without a stamp is Unreadable (errno of a new lstat)
//   or Changed (the path exists again);
// - a file reached through two rows (hard links) is read once.
//
// Threading: runs on the caller's thread, which starts `options.readers`
// threads of its own (2 by default, one per core) for the reading and waits
// for them.
// `progress` is called on the caller's thread, about every 50 ms and once at
// the end. `stop` is read before each file and after each read of at most a
// buffer; once it is true the check ends soon, the rows it left undecided are
// NotChecked and `stopped` is set. Memory: one buffer per reader and a few
// words per row.
ContentCheckResult CheckContents(const ResultRows& rows, const StopToken* stop = nullptr,
                                 const std::function<void(const ContentProgress&)>& progress = {},
                                 const ContentCheckOptions& options = {});

}  // namespace corvane
