// The stages that tell files apart by their bytes, cheapest first: sizes,
// the head, the tail, the whole file. The content check and Same Contents
// both run their files through them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileDigest.h"
#include "platform/LargeArrays.h"

namespace corvane {

class DigestCache;

struct ContentProgress {
    // Bytes read so far, and the most there is to read with them: the total
    // first counts every file of a shared size in full (head, tail and
    // whole), and drops whenever a stage tells a file apart (or it cannot be
    // read), so the fraction only moves forward; at the end of a run that
    // was not stopped the two are equal.
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesToRead = 0;
    std::uint64_t filesDone = 0;  // files whose answer is known
    std::uint64_t filesToRead = 0;
};

// The tail is read only for files longer than this: below it, reading the
// whole file costs about as much as a second look at its end.
inline constexpr std::int64_t kTailFromBytes = 64 * 1024;

// What the stages found of one file.
struct StagedFile {
    // What the file must be: its device, inode and size (and modification
    // time, with `checkModified`); once `looked`, its whole state when first
    // opened or looked at, which every later open must show again.
    FileStamp seen;
    ContentKey head, tail, whole;
    std::uint32_t source = 0;  // the caller's number for the file
    int error = 0;             // errno, for Unreadable
    std::uint8_t known = 0;    // kHead | kTail | kWhole: which keys are set
    std::uint8_t cached = 0;   // which of them came from the cache
    bool checkModified = false;
    bool looked = false;
    DigestOutcome outcome = DigestOutcome::Done;  // Unreadable, Changed or Stopped

    static constexpr std::uint8_t kHead = 1, kTail = 2, kWhole = 4;
    FileExpectation Expected() const;
    // Whether the file's whole content key is known.
    bool Whole() const { return (known & kWhole) != 0; }
    // Its whole digest, or a key that only tells it apart (KeyNotFromContent
    // of its size and the keys it was told apart by).
    ContentKey Key() const;
};

struct ContentStagesOptions {
    unsigned readers = 2;                            // reading threads: one per core
    std::size_t bufferBytes = std::size_t{1} << 20;  // each reader's buffer
    const DigestSecret* secret = nullptr;            // keys every digest when set
    const DigestCache* cache = nullptr;              // keys of earlier runs, when set
    // Called on a reading thread after each read (tests change files there).
    std::function<void(const std::string& path)> afterRead;
};

// Files are added one per device and inode (AddFile), then put into buckets
// (AddMember): only files of one bucket and size are compared. Run reads, in
// stages, only what tells the files of a bucket and size apart:
// - a file alone in its bucket and size is not read at all;
// - the head (a file no longer than kEdgeBlockBytes is then whole);
// - the tail, of files longer than kTailFromBytes whose head another file
//   of their bucket and size shares;
// - the whole file, of those that share every earlier key with another.
// Each stage reads its files in device and inode order on `readers` threads,
// each opening them a batch at a time (FileBatches);
// every open checks that the file is still the one expected (and, after the
// first, unchanged since the first: size, modification and change time), and
// every read is followed by a check that nothing moved meanwhile. A file
// whose keys are in the cache, for its device and inode and exactly its
// stamp, is not read: only looked at (statx), unless it was added seen.
class ContentStages {
  public:
    using PathOf = std::function<std::string(std::uint32_t source)>;

    ContentStages(PathOf pathOf, ContentStagesOptions options);
    ~ContentStages();

    // A file as the search saw it; its modification time is held to the
    // stamp's when `checkModified`.
    std::uint32_t AddFile(std::uint32_t source, const FileStamp& stamp, bool checkModified);
    // A file whose whole stamp the search saw a moment ago (its listing):
    // its keys are taken from the cache without looking at it again, and
    // every open must show that stamp.
    std::uint32_t AddSeenFile(std::uint32_t source, const FileStamp& seen);
    void AddMember(std::uint32_t bucket, std::uint32_t file);
    // Makes room for `files` files and as many members.
    void Reserve(std::size_t files);
    std::size_t FileCount() const { return files_.size(); }

    // Runs every stage. `stopped` is asked before each file and after each
    // read: once it answers true the run ends and returns false, with the
    // files it did not finish left Stopped. `progress` is called on this
    // thread about every 50 ms and once at the end.
    bool Run(const std::function<bool()>& stopped,
             const std::function<void(const ContentProgress&)>& progress = {});

    const StagedFile& File(std::uint32_t file) const { return files_[file]; }
    std::uint64_t BytesRead() const;

  private:
    struct Shared;
    enum class Stage : std::uint8_t { Head, Tail, Whole };

    std::vector<bool> Refine(unsigned stage);
    std::vector<std::uint32_t> Select(Stage stage);
    void ReadStage(Stage stage, const std::vector<std::uint32_t>& files);
    bool NeedsOpen(Stage stage, StagedFile& file, const std::string& path);
    void ReadOpened(DigestReader& reader, Stage stage, StagedFile& file, const std::string& path,
                    StampedFile& open);
    bool LookUp(StagedFile& file, const std::string& path);
    void FindStableDevices();
    void TakeFromCache(StagedFile& file) const;

    PathOf pathOf_;
    ContentStagesOptions options_;
    LargeVector<StagedFile> files_;
    LargeVector<std::pair<std::uint32_t, std::uint32_t>> members_;  // bucket, file
    // Ranges of members_ (sorted by bucket and size, then by each key read)
    // whose files still share every key so far.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs_;
    std::unique_ptr<Shared> shared_;
};

}  // namespace corvane
