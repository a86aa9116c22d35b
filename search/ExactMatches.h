// Exact matches: entries grouped by equal names (bytes, case kept).
#pragma once

#include <vector>

#include "catalogue/FileCatalogue.h"
#include "search/EntryLists.h"
#include "search/StopCheck.h"

namespace corvane {

class ListedEntries;

// Every entry of a name group matches every other one but its own file, so
// there is nothing to check: the group is the answer.
class ExactMatches {
  public:
    ExactMatches(const FileCatalogue& catalogue, StopCheck& stop, Excluded excluded = {})
        : catalogue_(catalogue), stop_(stop), excluded_(excluded) {}

    // Groups the entries by name, the excluded ones in no group; false when
    // stopped.
    bool Build();
    bool Built() const { return built_; }

    // True when another entry has i's name.
    bool HasPartner(Entry i) const { return listOf_[i] != kNoList; }
    // The groups of two or more entries with one name.
    std::size_t GroupCount() const { return names_.Count(); }
    std::span<const Entry> Group(std::size_t group) const { return names_.Members(group); }
    // The first entry after i with i's name that is not i's own file, or kNoEntry.
    Entry First(Entry i);
    // Appends, ascending, the entries after `after` with i's name that have no
    // row yet and are not i's own file.
    void Later(Entry i, Entry after, ListedEntries& listed, std::vector<Entry>& out);

    std::size_t MemoryBytes() const;

  private:
    const FileCatalogue& catalogue_;
    StopCheck& stop_;
    Excluded excluded_;
    bool built_ = false;
    std::vector<std::uint32_t> listOf_;
    EntryLists names_;
};

}  // namespace corvane
