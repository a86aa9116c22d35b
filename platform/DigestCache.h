// Digests kept across runs, so that a file read once is not read again while
// it stays as it was: keyed by device and inode, and valid only while the
// file's size, modification time and change time (to the nanosecond) are
// those it had when it was read. Lives in $XDG_CACHE_HOME/corvane/ beside
// the secret the digests are keyed with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileDigest.h"
#include "platform/LargeArrays.h"
#include "platform/SysResult.h"

namespace corvane {

// The keys of one file as it was when they were read.
struct CachedDigests {
    FileStamp state;
    std::uint8_t known = 0;  // 1 head, 2 tail, 4 whole
    ContentKey head, tail, whole;
};

// $XDG_CACHE_HOME/corvane (or ~/.cache/corvane), without a trailing slash.
std::string DefaultCacheFolder();

// The installation's digest secret, from `folder`/digest-secret: made once
// from the system's random source and stored with mode 600 (the folder 700).
// A secret that cannot be read or stored is made anew for this run only;
// `stored` tells which.
struct LoadedSecret {
    DigestSecret secret;
    bool stored = false;
};
LoadedSecret LoadOrMakeSecret(const std::string& folder);

// Whether a file system numbers its inodes for good (from statfs's f_type):
// network and FUSE file systems may give a file another inode, or another
// file its inode, so the cache is off on them.
bool InodesAreStable(long fileSystemType);
// The same for the file system holding `path` (false when statfs fails).
bool InodesAreStableFor(const std::string& path);

class DigestCache {
  public:
    // At most this many files are kept; the least recently used go first.
    static constexpr std::size_t kDefaultBound = 400000;

    explicit DigestCache(const DigestSecret& secret, std::size_t bound = kDefaultBound);
    ~DigestCache();
    DigestCache(const DigestCache&) = delete;
    DigestCache& operator=(const DigestCache&) = delete;

    // Maps `folder`/digests (read only: the file is ours, mode 600 in a
    // folder of mode 700, and only ever replaced by a rename, never written
    // in place). A file that is missing, damaged, of another
    // version or made with another secret leaves the cache empty (and is
    // replaced by the next Save); false then.
    bool Load(const std::string& folder);
    // Takes a file's bytes as Load reads them; false (and empty) unless they
    // are a whole, undamaged cache of this version and secret.
    bool Parse(std::string_view bytes);

    // The keys of the file with `state`'s device and inode, when its entry
    // was made with exactly that state. Looked up in the file's bytes as
    // loaded; safe on several threads at once while nothing is stored.
    std::optional<CachedDigests> Find(const FileStamp& state) const;

    // Keeps `digests` (replacing an older entry of its device and inode);
    // an entry equal to a loaded one only counts as used in this run.
    void Store(const CachedDigests& digests);
    // Whether Store added anything the loaded file does not hold; only then
    // is Save worth its write. Entries only used again keep their older last
    // use until the next write, so the bound goes by the runs that wrote.
    bool Changed() const { return !added_.empty(); }
    std::size_t Count() const { return loaded_ + added_.size(); }

    // Writes the cache to `folder`/digests through a new file renamed over
    // the old one, so a reader sees the old or the new cache, never a part;
    // trimmed to the bound, the entries stored since Load first.
    SysStatus Save(const std::string& folder);
    // The bytes Save writes.
    std::string Serialize();

  private:
    struct Entry {
        CachedDigests digests;
        std::uint32_t used = 0;  // the run that last stored it
    };
    // Checks bytes_ as a whole cache of this version and secret.
    bool Check();
    void Clear();
    // Loaded entry k, with its last use.
    Entry Loaded(std::size_t k) const;
    std::optional<std::size_t> LoadedIndex(FileId id) const;
    // The loaded entries and those stored since, by device and inode,
    // trimmed to the bound.
    std::vector<Entry> Merged();

    std::uint64_t secretTag_;
    std::size_t bound_;
    std::uint32_t run_ = 1;
    std::string owned_;       // Parse's copy of the bytes, or
    void* mapped_ = nullptr;  // Load's map of the file
    std::size_t mappedBytes_ = 0;
    std::string_view bytes_;       // the loaded file, its entries by device and inode
    std::size_t loaded_ = 0;       // how many entries it holds
    std::uint32_t usedShift_ = 0;  // taken off every loaded last use (see Check)
    std::vector<bool> usedAgain_;  // loaded entries stored unchanged in this run
    std::vector<Entry> added_;
    // The loaded entries by a hash of their device and inode (entry + 1, 0
    // where free): a lookup costs two reads of memory, not a binary search's
    // twenty.
    LargeVector<std::uint32_t> slots_;
};

}  // namespace corvane
