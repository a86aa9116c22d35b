// The rows of the Same Contents groups, which come before phase 2's, and the
// entries phase 2 then leaves out.
#pragma once

#include <cstdint>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "search/RowBuilder.h"
#include "search/SameContents.h"
#include "search/SearchObserver.h"
#include "search/StopCheck.h"

namespace corvane {

// One row per entry of each group, group after group as given (by their
// first entry), rows in catalogue order; groups numbered from 1, shades
// alternating from light.
std::vector<FoundRow> SameContentFoundRows(const std::vector<SameContentGroup>& groups);

// One flag per catalogue entry: nonzero for every entry of a file (device and
// inode) that a group holds, so phase 2 leaves all of its paths out.
std::vector<std::uint8_t> EntriesOfGroups(const FileCatalogue& catalogue,
                                          const std::vector<SameContentGroup>& groups);

// The rows of a search with Same Contents on, as catalogue entries: the
// groups' rows first, then phase 2's over the catalogue without the groups'
// files, its groups numbered after theirs. False when stopped.
bool MatchAfterSameContents(const FileCatalogue& catalogue, SearchObserver& observer,
                            StopCheck& stop, const std::vector<SameContentGroup>& groups,
                            std::vector<FoundRow>& found);

}  // namespace corvane
