#include "search/ExactMatches.h"

#include <functional>
#include <string_view>

#include "search/ListedEntries.h"
#include "search/MatchRules.h"

namespace corvane {

bool ExactMatches::Build() {
    const auto hash = [this](Entry e) {
        return std::hash<std::string_view>()(catalogue_.FileName(e));
    };
    const auto same = [this](Entry a, Entry b) {
        return catalogue_.FileName(a) == catalogue_.FileName(b);
    };
    Grouping grouping;
    built_ = GroupByKey(catalogue_.FileCount(), hash, same, grouping, stop_, excluded_);
    listOf_ = std::move(grouping.listOf);
    names_.Assign(std::move(grouping.members), std::move(grouping.start));
    return built_;
}

Entry ExactMatches::First(Entry i) {
    for (const Entry j : names_.After(listOf_[i], i)) {
        stop_.Tick();
        if (!SameFile(catalogue_, i, j)) {
            return j;
        }
    }
    return kNoEntry;
}

void ExactMatches::Later(Entry i, Entry after, ListedEntries& listed, std::vector<Entry>& out) {
    const std::span<const Entry> live =
        names_.Live(listOf_[i], i, [&listed](Entry j) { return !listed.IsListed(j); });
    stop_.Tick(live.size());
    for (const Entry j : live) {
        if (j > after && !SameFile(catalogue_, i, j)) {
            out.push_back(j);
        }
    }
}

std::size_t ExactMatches::MemoryBytes() const {
    return listOf_.capacity() * sizeof(std::uint32_t) + names_.MemoryBytes();
}

}  // namespace corvane
