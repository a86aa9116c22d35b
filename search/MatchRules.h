// Phase 2 of a search: which catalogue entries match, and the rows they give.
#pragma once

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
// Both functions give the rows of visiting every pair (i, j), i < j, in order
// and handing each matching pair to AddResultRow (i first, then j), with the
// options read afresh at every outer entry i. They return false when stopped.
//
// FindMatchesPairwise is that loop as it reads; it stays as the reference the
// tests hold FindMatchesIndexed to. FindMatchesIndexed looks only at entries
// sharing a name (exact) or a size and an upper-cased word (close), and skips
// entries already listed once the outer entry is listed itself.
bool FindMatchesPairwise(FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                         ResultRows& rows);
bool FindMatchesIndexed(FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                        ResultRows& rows);

}  // namespace corvane
