// Phase 2 of a search: which catalogue entries match, and the rows they give.
#pragma once

#include <cstdint>

#include "catalogue/FileCatalogue.h"
#include "search/ResultRows.h"
#include "search/SearchObserver.h"
#include "search/StopCheck.h"

namespace corvane {

// The close threshold for a slider position: slider / 10 + 0.4. Positions
// outside 0..5 are taken as the nearest end, so a close match always needs at
// least one shared word.
double CloseThreshold(int slider);

// Exact match: equal names. Close match: equal size texts, different names and
// a word-match ratio (lower entry first) above the threshold.
//
// True when entries i and j are one file on disk (same device and inode): a
// folder listed twice, a folder and its subfolder, a hard link. Such entries
// are never a pair, for either rule.
inline bool SameFile(const FileCatalogue& catalogue, std::size_t i, std::size_t j) {
    const FileId id = catalogue.Id(i);
    return id.Known() && id == catalogue.Id(j);
}

// Phase 2 numbers entries in 32 bits, with two values kept for its own use.
inline constexpr std::size_t kMaxPhase2Entries = UINT32_MAX - 2;

// Both functions give the rows of visiting every pair (i, j), i < j, in order
// and handing each matching pair to ResultRows::AddMatch, with the
// options read afresh at every outer entry i. They return false when stopped.
//
// FindMatchesPairwise is that loop as it reads; it stays as the reference the
// tests hold FindMatches to. FindMatches looks only at entries
// sharing a name (exact) or a size and an upper-cased word (close), and skips
// entries already listed once the outer entry is listed itself.
bool FindMatchesPairwise(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                         ResultRows& rows);
bool FindMatches(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                 ResultRows& rows);

}  // namespace corvane
