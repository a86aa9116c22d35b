#include "actions/KeepRules.h"

#include <algorithm>

namespace corvane {
namespace {

// Whether row `candidate` beats row `kept` under `rule`; equal is no better,
// so the earlier row stays.
bool Better(KeepRule rule, const ResultRow& candidate, const ResultRow& kept) {
    switch (rule) {
        case KeepRule::First:
            return false;
        case KeepRule::Oldest:
            return candidate.stamp.modified < kept.stamp.modified;
        case KeepRule::Newest:
            return candidate.stamp.modified > kept.stamp.modified;
        case KeepRule::Shortest:
            return candidate.path.size() < kept.path.size();
    }
    return false;
}

std::uint32_t GroupCount(const std::vector<ResultRow>& rows) {
    std::uint32_t count = 0;
    for (const ResultRow& row : rows) {
        count = std::max(count, row.group);
    }
    return count + 1;
}

}  // namespace

std::vector<bool> MarkForTrash(const std::vector<ResultRow>& rows, KeepRule rule,
                               const std::vector<RowContent>* content) {
    constexpr std::size_t kNone = SIZE_MAX;
    const std::uint32_t groups = GroupCount(rows);
    std::vector<std::size_t> kept(groups, kNone);
    std::vector<std::uint32_t> members(groups, 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ResultRow& row = rows[r];
        ++members[row.group];
        if (row.stamped && (kept[row.group] == kNone || Better(rule, row, rows[kept[row.group]]))) {
            kept[row.group] = r;
        }
    }
    std::vector<bool> marked(rows.size(), false);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ResultRow& row = rows[r];
        const std::size_t keep = kept[row.group];
        if (row.group == 0 || members[row.group] < 2 || keep == kNone || keep == r ||
            !row.stamped) {
            continue;
        }
        marked[r] = content == nullptr || SameContent((*content)[r], (*content)[keep]);
    }
    return marked;
}

std::size_t GroupsWhollyTicked(const std::vector<ResultRow>& rows,
                               const std::vector<bool>& ticked) {
    const std::uint32_t groups = GroupCount(rows);
    // Per group: 0 no row seen, 1 every row so far ticked, 2 one unticked.
    std::vector<std::uint8_t> state(groups, 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::uint8_t& s = state[rows[r].group];
        s = (s == 2 || !ticked[r]) ? 2 : 1;
    }
    return static_cast<std::size_t>(std::count(state.begin(), state.end(), 1));
}

}  // namespace corvane
