// Which files of each result group hold the same bytes, which of them to
// keep, and the guard against sending every copy of a group to the trash.
// Pure functions over rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane {

enum class KeepRule : std::uint8_t {
    First,     // the set's first row
    Oldest,    // the earliest modification time, to the nanosecond
    Newest,    // the latest modification time
    Shortest,  // the shortest path, in bytes
};

// A row's content set: the rows of one group whose content check gave them
// the same key from their whole bytes, when there are two or more of them.
struct ContentSet {
    // 1, 2, ... within the row's group, in row order of each set's first
    // row; 0 for a row in no set (its bytes match no other row of its group,
    // or are not known: unreadable, changed, not checked).
    std::uint32_t number = 0;
    bool wholeGroup = false;  // the set holds every row of its group
};

// One per row; `content` holds one verdict per row (CheckContents).
std::vector<ContentSet> ContentSets(const ResultRows& rows, const std::vector<RowContent>& content);

// For each row, whether `rule` marks it for the trash. Each content set keeps
// one file and marks the others: the file the rule picks among the set's
// protected rows when it has any (its other protected rows are kept too),
// else among all its rows; ties go to the earlier row. A row in no set is
// never marked, so a group never is marked whole; nothing is marked before
// the contents are known, nor in a group with a row the check left undecided
// (NotChecked, after a stop).
std::vector<bool> MarkForTrash(const ResultRows& rows, KeepRule rule,
                               const std::vector<RowContent>& content);

// The number of groups whose every row is ticked (`ticked`, one per row):
// sending those would leave no copy of the file in the list.
std::size_t GroupsWhollyTicked(const ResultRows& rows, const std::vector<bool>& ticked);

}  // namespace corvane
