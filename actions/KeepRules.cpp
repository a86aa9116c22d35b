#include "actions/KeepRules.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace corvane {
namespace {

constexpr std::size_t kNone = SIZE_MAX;

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

struct GroupKey {
    std::uint32_t group;
    ContentKey key;
    bool operator==(const GroupKey&) const = default;
};

struct GroupKeyHash {
    std::size_t operator()(const GroupKey& k) const {
        return std::hash<std::uint64_t>()(k.key.low ^ (k.key.high * 0x9e3779b97f4a7c15ULL) ^
                                          k.group);
    }
};

// Rows by (group, whole-content key): `slot` per row (kNone for a row
// without such a key), and the rows of each slot. Slots of one row are no
// set; slots are numbered in row order of their first row.
struct Slots {
    std::vector<std::size_t> slot;
    std::vector<std::uint32_t> count;
};

Slots SlotsOf(const ResultRows& rows, const std::vector<RowContent>& content) {
    Slots slots;
    slots.slot.assign(rows.size(), kNone);
    std::unordered_map<GroupKey, std::size_t, GroupKeyHash> index;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const RowContent& c = content[r];
        if (rows[r].group == 0 || c.source != KeySource::Content ||
            c.verdict == ContentVerdict::Unreadable || c.verdict == ContentVerdict::Changed) {
            continue;
        }
        const auto [at, added] = index.try_emplace(GroupKey{rows[r].group, c.key}, index.size());
        if (added) {
            slots.count.push_back(0);
        }
        slots.slot[r] = at->second;
        ++slots.count[at->second];
    }
    return slots;
}

}  // namespace

std::vector<ContentSet> ContentSets(const ResultRows& rows,
                                    const std::vector<RowContent>& content) {
    const Slots slots = SlotsOf(rows, content);
    std::unordered_map<std::uint32_t, std::uint32_t> groupRows, groupSets;
    for (const ResultRow& row : rows) {
        ++groupRows[row.group];
    }
    std::vector<std::uint32_t> number(slots.count.size(), 0);
    std::vector<ContentSet> sets(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t s = slots.slot[r];
        if (s == kNone || slots.count[s] < 2) {
            continue;
        }
        if (number[s] == 0) {
            number[s] = ++groupSets[rows[r].group];
        }
        sets[r].number = number[s];
        sets[r].wholeGroup = slots.count[s] == groupRows[rows[r].group];
    }
    return sets;
}

std::vector<bool> MarkForTrash(const ResultRows& rows, KeepRule rule,
                               const std::vector<RowContent>& content) {
    const Slots slots = SlotsOf(rows, content);
    // Per slot: the rule's pick among all its rows, and among its protected
    // rows.
    std::vector<std::size_t> best(slots.count.size(), kNone);
    std::vector<std::size_t> bestProtected(slots.count.size(), kNone);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t s = slots.slot[r];
        if (s == kNone || !rows[r].stamped) {
            continue;
        }
        std::size_t& pick = rows[r].isProtected ? bestProtected[s] : best[s];
        if (pick == kNone || Better(rule, rows[r], rows[pick])) {
            pick = r;
        }
    }
    // A group with a row the check left undecided (a stop) is not marked:
    // that row might be the file the rule would keep.
    std::unordered_set<std::uint32_t> undecided;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (content[r].verdict == ContentVerdict::NotChecked) {
            undecided.insert(rows[r].group);
        }
    }
    std::vector<bool> marked(rows.size(), false);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t s = slots.slot[r];
        if (s == kNone || slots.count[s] < 2 || rows[r].isProtected ||
            undecided.contains(rows[r].group)) {
            continue;
        }
        std::size_t kept = bestProtected[s];
        if (kept == kNone) {
            kept = best[s];
        }
        marked[r] = kept != kNone && kept != r;
    }
    return marked;
}

std::size_t GroupsWhollyTicked(const ResultRows& rows, const std::vector<bool>& ticked) {
    // Per group: 1 every row so far ticked, 2 one unticked.
    std::unordered_map<std::uint32_t, std::uint8_t> state;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::uint8_t& s = state[rows[r].group];
        s = (s == 2 || !ticked[r]) ? 2 : 1;
    }
    return static_cast<std::size_t>(
        std::count_if(state.begin(), state.end(), [](const auto& s) { return s.second == 1; }));
}

}  // namespace corvane
