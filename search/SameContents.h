// Same Contents: the catalogued files whose bytes are identical, whatever
// their names. Runs before phase 2; the files of its groups then take no part
// in phase 2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "platform/FileDigest.h"
#include "platform/StopToken.h"

namespace corvane {

// One set of two or more files with identical bytes: catalogue positions in
// catalogue order, one position per file (device and inode).
struct SameContentGroup {
    ContentKey key;  // the digest of the whole content
    std::vector<std::size_t> entries;
};

// A file left out of every group, and why.
struct UngroupedFile {
    enum class Reason : std::uint8_t { Unreadable, Changed };
    std::size_t entry = 0;
    Reason reason = Reason::Unreadable;
    int error = 0;  // errno, for Unreadable
};

struct SameContentsProgress {
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesToRead = 0;  // only drops as files are told apart
};

struct SameContentsOptions {
    bool useCache = true;     // corvane-find --no-cache turns it off
    std::string cacheFolder;  // empty: $XDG_CACHE_HOME/corvane (the secret lives there too)
    // Called on a reading thread after each read of a file, with its path:
    // a seam for tests that change a file while it is read.
    std::function<void(const std::string& path)> afterRead;
};

struct SameContentsResult {
    std::vector<SameContentGroup> groups;  // ordered by their first entry
    std::vector<UngroupedFile> ungrouped;  // in catalogue order
    bool stopped = false;                  // groups are then empty
    std::uint64_t bytesRead = 0;
};

// Every group of catalogued files of size > 0 with identical bytes. The
// catalogue must hold sizes and file ids. `progress` is called on the
// caller's thread now and then and once at the end; `stop` is polled between
// reads and ends the run at once.
SameContentsResult FindSameContents(
    const FileCatalogue& catalogue, const StopToken* stop = nullptr,
    const std::function<void(const SameContentsProgress&)>& progress = {},
    const SameContentsOptions& options = {});

}  // namespace corvane
