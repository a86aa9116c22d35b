#include "search/EntryLists.h"

#include <algorithm>
#include <stdexcept>

namespace corvane {

void EntryLists::Assign(std::vector<Entry> members, std::vector<std::uint32_t> start) {
    members_ = std::move(members);
    start_ = std::move(start);
    live_ = members_;
    liveEnd_.assign(start_.begin() + 1, start_.end());
}

std::span<const Entry> EntryLists::After(std::size_t list, Entry outer) const {
    const Entry* begin = members_.data() + start_[list];
    const Entry* end = members_.data() + start_[list + 1];
    const Entry* from = std::upper_bound(begin, end, outer);
    return {from, end};
}

std::size_t EntryLists::MemoryBytes() const {
    return (members_.capacity() + live_.capacity()) * sizeof(Entry) +
           (start_.capacity() + liveEnd_.capacity()) * sizeof(std::uint32_t);
}

std::size_t HashTableSize(std::size_t count) {
    std::size_t size = 16;
    while (size < 2 * count) {
        size *= 2;
    }
    return size;
}

Grouping GroupKeys(std::vector<std::uint32_t> keyOf, std::vector<std::uint32_t> keySize,
                   StopCheck& stop) {
    // keySize[k] becomes key k's group, or kNoList.
    Grouping grouping{std::move(keyOf), {}, {0}};
    std::vector<std::uint32_t>& start = grouping.start;
    for (std::uint32_t& size : keySize) {
        if (size < 2) {
            size = kNoList;
            continue;
        }
        if (std::uint64_t{start.back()} + size > UINT32_MAX) {
            throw std::length_error("too many catalogue entries for phase 2");
        }
        start.push_back(start.back() + size);
        size = static_cast<std::uint32_t>(start.size() - 2);
    }
    grouping.members.resize(start.back());
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::size_t e = 0; e < grouping.listOf.size(); ++e) {
        std::uint32_t& group = grouping.listOf[e];
        group = keySize[group];
        if (group != kNoList) {
            grouping.members[fill[group]++] = static_cast<Entry>(e);
        }
        stop.Tick();
    }
    return grouping;
}

}  // namespace corvane
