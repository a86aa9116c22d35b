// Which entries have a row, mostly without asking RowBuilder, which hashes
// a path the first time it is asked about an entry.
#pragma once

#include <cstdint>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "search/EntryLists.h"
#include "search/ExactMatches.h"
#include "search/RowBuilder.h"
#include "search/StopCheck.h"

namespace corvane {

// A file gets one row, found by its path or by its device and inode. An entry
// that shares neither with another entry has a row exactly when phase 2 has
// handed it to AddMatch (which lists both entries it is given), and the loop
// records that here; only entries that share their path or id are asked of
// RowBuilder. Phase 2 asks about the same unlisted candidates again and again.
class ListedEntries {
  public:
    ListedEntries(const FileCatalogue& catalogue, RowBuilder& rows)
        : catalogue_(catalogue), rows_(rows) {}

    // Works out which entries share a path (among entries with one name, from
    // `names`) or a known device and inode, leaving out the excluded ones;
    // false when stopped.
    bool Build(const ExactMatches& names, StopCheck& stop, Excluded excluded = {});
    bool Built() const { return built_; }

    bool IsListed(Entry e) {
        const std::uint8_t state = state_[e];
        return (state & kHanded) != 0 || ((state & kShared) != 0 && rows_.IsListed(e));
    }
    // After rows.AddMatch(i, j, ...): both have a row.
    void Handed(Entry i, Entry j) {
        state_[i] |= kHanded;
        state_[j] |= kHanded;
    }

  private:
    static constexpr std::uint8_t kShared = 1;
    static constexpr std::uint8_t kHanded = 2;

    bool MarkSharedIds(StopCheck& stop, Excluded excluded);
    bool MarkSharedPaths(const ExactMatches& names, StopCheck& stop);

    const FileCatalogue& catalogue_;
    RowBuilder& rows_;
    bool built_ = false;
    std::vector<std::uint8_t> state_;
};

}  // namespace corvane
