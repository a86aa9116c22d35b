// The pairwise phase 2, exactly as the rules read: every pair (i, j), i < j,
// in order. Too slow for the product; the tests and bench/phase2_bench hold
// FindMatches to its rows.
#pragma once

#include <cstddef>

#include "catalogue/FileCatalogue.h"
#include "search/ResultRow.h"
#include "search/RowBuilder.h"
#include "search/SearchObserver.h"
#include "search/StopCheck.h"

namespace corvane::testing {

// What the loop hands its matching pairs to: RowBuilder, or a test's own
// row builder.
class PairRecipient {
  public:
    virtual ~PairRecipient() = default;
    virtual void AddMatch(std::size_t i, std::size_t j, MatchType type) = 0;
    virtual void EndOuterPass() = 0;
};

// For i in catalogue order, with the options read once per i: every later j
// that is not i's own file, Exact when the names are equal, Close when the
// sizes are equal, the names differ and the word-match ratio of (i, j) is
// above the threshold. False when stopped.
bool VisitMatchingPairs(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                        PairRecipient& recipient);

// The same loop handing its pairs to RowBuilder.
bool FindMatchesPairwise(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                         RowBuilder& rows);

}  // namespace corvane::testing
