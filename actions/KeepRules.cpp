#include "actions/KeepRules.h"

#include <algorithm>
#include <unordered_map>

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

// Group numbers as indexes into per-group tables. A search numbers groups
// from 1 without gaps, but a saved list may hold any number up to 2^32 - 1:
// numbers larger than the row count are renumbered rather than sized for.
class GroupIndex {
  public:
    explicit GroupIndex(const std::vector<ResultRow>& rows) : rows_(rows) {
        std::uint32_t largest = 0;
        for (const ResultRow& row : rows) {
            largest = std::max(largest, row.group);
        }
        if (largest <= rows.size()) {
            count_ = std::size_t{largest} + 1;
            return;
        }
        std::unordered_map<std::uint32_t, std::size_t> index{{0, 0}};  // 0 stays no group
        dense_.reserve(rows.size());
        for (const ResultRow& row : rows) {
            dense_.push_back(index.try_emplace(row.group, index.size()).first->second);
        }
        count_ = index.size();
    }
    std::size_t Count() const { return count_; }
    std::size_t operator[](std::size_t r) const {
        return dense_.empty() ? rows_[r].group : dense_[r];
    }

  private:
    const std::vector<ResultRow>& rows_;
    std::size_t count_ = 0;
    std::vector<std::size_t> dense_;
};

}  // namespace

std::vector<bool> MarkForTrash(const std::vector<ResultRow>& rows, KeepRule rule,
                               const std::vector<RowContent>* content) {
    constexpr std::size_t kNone = SIZE_MAX;
    const GroupIndex group(rows);
    std::vector<std::size_t> kept(group.Count(), kNone);
    std::vector<std::uint32_t> members(group.Count(), 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ResultRow& row = rows[r];
        std::size_t& keep = kept[group[r]];
        ++members[group[r]];
        if (row.stamped && (keep == kNone || Better(rule, row, rows[keep]))) {
            keep = r;
        }
    }
    std::vector<bool> marked(rows.size(), false);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ResultRow& row = rows[r];
        const std::size_t keep = kept[group[r]];
        if (row.group == 0 || members[group[r]] < 2 || keep == kNone || keep == r || !row.stamped) {
            continue;
        }
        marked[r] = content == nullptr || SameContent((*content)[r], (*content)[keep]);
    }
    return marked;
}

std::size_t GroupsWhollyTicked(const std::vector<ResultRow>& rows,
                               const std::vector<bool>& ticked) {
    const GroupIndex group(rows);
    // Per group: 0 no row seen, 1 every row so far ticked, 2 one unticked.
    std::vector<std::uint8_t> state(group.Count(), 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::uint8_t& s = state[group[r]];
        s = (s == 2 || !ticked[r]) ? 2 : 1;
    }
    return static_cast<std::size_t>(std::count(state.begin(), state.end(), 1));
}

}  // namespace corvane
