// Phase 2 of a search: which catalogue entries match, and the rows they give.
#pragma once

#include <cstdint>

#include "catalogue/FileCatalogue.h"
#include "search/EntryLists.h"
#include "search/RowBuilder.h"
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

// Gives the rows of visiting every pair (i, j), i < j, in order and handing
// each matching pair to RowBuilder::AddMatch, with the options read once at
// every outer entry i. Returns false when stopped.
//
// Only the pairs that can change the rows are looked for: while i has no row,
// its first match (listed or not) and every unlisted match after it; once i
// has a row, only its unlisted matches. Candidates come from entries sharing a
// name (ExactMatches.h) or a size and a rare word (CloseMatches.h).
//
// `excluded` entries take no part, exactly as if the catalogue did not hold
// them: the same rows, options reads and progress as a catalogue without them.
bool FindMatches(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                 RowBuilder& rows, Excluded excluded = {});

}  // namespace corvane
