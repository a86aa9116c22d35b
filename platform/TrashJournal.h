// The record of each batch of files sent to the trash, one file per batch in
// $XDG_STATE_HOME/corvane, so that the last batch can be put back, also by
// another process after a restart, or after a crash between two moves.
//
// Version 1, one record per line, LF-terminated, printable ASCII only:
//
//   corvane-trash-journal 1
//   entry PATH TRASH FILES-NAME INFO-NAME DEVICE INODE SIZE MTIME-SECONDS MTIME-NANOSECONDS
//   moved N
//   kept N
//   restored N
//   lost N
//
// Fields are separated by one space. PATH (where the file was), TRASH (the
// trash folder that holds files/ and info/) and the two names are bytes: each
// byte outside "!".."~", and "\" itself, is written as \x and two lowercase
// hex digits. The numbers are decimal (MTIME-SECONDS may be negative) and
// describe the file as it was moved. N numbers the entry lines from 0.
//
// A send goes in chunks. The entry lines of a chunk are written with one write
// and are on disk (fsync) before any of its .trashinfo files is made; the
// .trashinfo files are on disk (syncfs) before any of its files moves. "moved"
// and "kept" follow for the whole chunk at once and only confirm what the disk
// shows: undo tells from the trash itself whether an entry's file moved, and
// removes a reserved .trashinfo whose file never did. "restored" notes a file
// an undo put back (twice when two undos raced), "lost" one that can never
// come back (its trash entry gone or replaced); a batch stays to be undone
// while some of its other files may still come back. A last line without its LF was
// cut off by a crash and is ignored; any other line that is not as above
// makes the whole record damaged, and undo then changes nothing.
//
// File names: trash-SSSSSSSSSSSS.NNNNNNNNN-CCCCCC.journal, the clock's seconds
// and nanoseconds and a counter, always greater than every name already in the
// folder, so the newest batch is the greatest name whatever the files say. An
// undone batch is renamed to the same name ending in .undone. Only the newest
// 20 batches and those younger than 30 days are kept (PruneJournals).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileStamp.h"
#include "platform/FileSystemCalls.h"
#include "platform/TrashProblem.h"

namespace corvane {

struct JournalEntry {
    enum class State { kPending, kMoved, kKept, kRestored, kLost };
    std::string path;       // absolute, its folders' links resolved, as bytes
    std::string trash;      // the trash folder
    std::string filesName;  // the file's name in trash/files
    std::string infoName;   // its .trashinfo's name in trash/info
    FileStamp stamp;        // what was moved
    State state = State::kPending;
};

// Lines longer than this, or records larger than kMaxJournalBytes, are damaged.
inline constexpr std::size_t kMaxJournalLine = 64 * 1024;
inline constexpr std::size_t kMaxJournalBytes = 64 * 1024 * 1024;

// A journal's text read as untrusted input. `damagedLine` is 0 when every
// complete line is as Corvane writes it, else the number (from 1) of the first
// line that is not; `entries` is then empty.
struct ParsedJournal {
    std::size_t damagedLine = 0;
    std::vector<JournalEntry> entries;
};
ParsedJournal ParseJournal(std::string_view text, unsigned uid);

// Writes one batch. Nothing is written until the first Add; a batch in which
// no file moved is removed again by Finish.
//
// Threading: one thread at a time per writer; two writers, in one process or
// two, always get two files.
class JournalWriter {
  public:
    JournalWriter(const FileSystemCalls& fs, std::string folder);
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Appends the entries in one write and waits until they are on disk;
    // answers 0 and the number of the first, or the errno. After any failure
    // nothing more is appended (a half-written line must stay the last one).
    int Add(const std::vector<JournalEntry>& entries, std::size_t& first);
    // Appends, in one write, what became of entries (number, kMoved or
    // kKept); not waited for.
    void Record(const std::vector<std::pair<std::size_t, JournalEntry::State>>& states);
    // Flushes and closes the file; removes it when no file moved.
    void Finish();
    // The batch's name, empty until the first Add made the file.
    const std::string& BatchId() const { return id_; }

  private:
    int Open();
    int Append(const std::string& text, bool wait);

    const FileSystemCalls& fs_;
    std::string folder_;
    std::string file_;
    std::string id_;
    int fd_ = -1;
    int failure_ = 0;
    std::size_t entries_ = 0;
    std::size_t moved_ = 0;
    bool headerWritten_ = false;
};

// The newest batch of `folder`, read and checked whole.
struct JournalBatch {
    UndoProblem problem = UndoProblem::kNone;
    int error = 0;
    std::size_t line = 0;
    std::string id;
    std::vector<JournalEntry> entries;
};
// kNoBatch when the folder holds no batch, when the newest one is undone, or
// when nothing of it went to the trash.
JournalBatch ReadNewestBatch(const FileSystemCalls& fs, const std::string& folder);

// Renames the batch to ….undone and waits until that is on disk; 0 or errno.
// A batch another undo has marked already counts as marked.
int MarkBatchUndone(const FileSystemCalls& fs, const std::string& folder, const std::string& id);

// Appends "restored N" or "lost N" for each entry an undo settled (number,
// kRestored or kLost) to the batch's record; 0 or errno. Not waited for: the
// disk shows what came back.
int RecordSettled(const FileSystemCalls& fs, const std::string& folder, const std::string& id,
                  const std::vector<std::pair<std::size_t, JournalEntry::State>>& settled);

// Keeps the newest `keep` batches and every batch younger than `maxAgeSeconds`
// at `now`; removes the other batches' records.
inline constexpr std::size_t kKeptBatches = 20;
inline constexpr std::int64_t kKeptBatchSeconds = 30LL * 24 * 60 * 60;
void PruneJournals(const FileSystemCalls& fs, const std::string& folder, std::int64_t now,
                   std::size_t keep = kKeptBatches, std::int64_t maxAgeSeconds = kKeptBatchSeconds);

// The byte escaping of the journal's fields, for tests and tools.
std::string EscapeJournalField(std::string_view bytes);

}  // namespace corvane
