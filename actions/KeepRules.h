// Which file of each result group to keep, and the guard against sending
// every copy of a group to the trash. Pure functions over rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane {

enum class KeepRule : std::uint8_t {
    First,     // the group's first row
    Oldest,    // the earliest modification time, to the nanosecond
    Newest,    // the latest modification time
    Shortest,  // the shortest path, in bytes
};

// For each row, whether `rule` marks it for the trash: every row of a group
// of two or more rows but the kept one, ties going to the group's first row
// (in row order; a group's rows need not be adjacent). With `content` (one
// per row, from CheckContents) only rows with the kept row's content are
// marked, and none when the kept row has no content key. Rows without a stamp
// (the file was gone when the row was made) are neither kept nor marked, and
// rows of group 0 belong to no group. So no group is ever marked whole.
std::vector<bool> MarkForTrash(const std::vector<ResultRow>& rows, KeepRule rule,
                               const std::vector<RowContent>* content = nullptr);

// The number of groups whose every row is ticked (`ticked`, one per row):
// sending those would leave no copy of the file in the list.
std::size_t GroupsWhollyTicked(const std::vector<ResultRow>& rows, const std::vector<bool>& ticked);

}  // namespace corvane
