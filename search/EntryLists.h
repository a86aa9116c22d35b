// Lists of candidates that phase 2 reads (name groups, size buckets, word
// lists), and grouping entries by a key.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "search/StopCheck.h"

namespace corvane {

// Phase 2 numbers entries in 32 bits (kMaxPhase2Entries in MatchRules.h).
using Entry = std::uint32_t;
inline constexpr Entry kNoEntry = UINT32_MAX;
inline constexpr std::uint32_t kNoList = UINT32_MAX;

// The entries phase 2 leaves out, as if they had never been catalogued (the
// files of the Same Contents groups): one flag per entry, nonzero for left
// out. Empty when none is.
using Excluded = std::span<const std::uint8_t>;
inline bool IsExcluded(Excluded excluded, std::size_t e) {
    return !excluded.empty() && excluded[e] != 0;
}

// Lists of ascending numbers, stored one after another: entries, or for close
// matching, slots (WordIndex.h), which ascend with their entries. An outer
// entry with no row yet reads all members after it: its first match decides
// its row, whether that match is listed or not. An outer entry with a row
// reads only the live members: after it and not yet listed. Once behind the
// outer entry or listed, a member stays so, so the live copy drops it for good.
class EntryLists {
  public:
    // List k becomes members[start[k] .. start[k + 1]).
    void Assign(std::vector<Entry> members, std::vector<std::uint32_t> start);

    std::size_t Count() const { return start_.size() - 1; }
    std::size_t Size(std::size_t list) const { return start_[list + 1] - start_[list]; }
    std::span<const Entry> Members(std::size_t list) const {
        return {members_.data() + start_[list], members_.data() + start_[list + 1]};
    }
    // The members of `list` after `outer`.
    std::span<const Entry> After(std::size_t list, Entry outer) const;
    // The live members of `list`, once those up to `outer` and those `keep`
    // turns down are dropped. Costs a look at every member dropped or kept.
    template <typename Keep>
    std::span<const Entry> Live(std::size_t list, Entry outer, Keep keep) {
        const std::uint32_t begin = start_[list];
        std::uint32_t write = begin;
        for (std::uint32_t read = begin; read < liveEnd_[list]; ++read) {
            const Entry member = live_[read];
            if (member > outer && keep(member)) {
                live_[write++] = member;
            }
        }
        liveEnd_[list] = write;
        return {live_.data() + begin, live_.data() + write};
    }
    std::size_t LiveSize(std::size_t list) const { return liveEnd_[list] - start_[list]; }
    std::size_t MemoryBytes() const;

  private:
    std::vector<Entry> members_;
    std::vector<std::uint32_t> start_{0};
    std::vector<Entry> live_;
    std::vector<std::uint32_t> liveEnd_;
};

// A power of two at least twice `count`, for open addressing.
std::size_t HashTableSize(std::size_t count);

// `count` copies of `value`, written a slice at a time with a tick between:
// fresh memory can cost a page fault every 4 KiB, tens of microseconds each
// in a virtual machine, and a Stop press must not wait for a table's worth.
template <typename T>
std::vector<T> FilledVector(std::size_t count, T value, StopCheck& stop) {
    constexpr std::size_t kSlice = std::size_t{1} << 14;
    std::vector<T> filled;
    filled.reserve(count);
    while (filled.size() < count) {
        filled.resize(std::min(count, filled.size() + kSlice), value);
        stop.Tick(256);  // a clock read per slice
    }
    return filled;
}

// Entries grouped by a key: listOf[e] is entry e's group, or kNoList when no
// other entry has its key; group g is members[start[g] .. start[g + 1]),
// ascending, the groups in order of their first entry.
struct Grouping {
    std::vector<std::uint32_t> listOf;
    std::vector<Entry> members;
    std::vector<std::uint32_t> start;
};

// Turns keys into groups: keyOf[e] numbers entry e's key (in order of first
// appearance), keySize[k] counts key k's entries.
Grouping GroupKeys(std::vector<std::uint32_t> keyOf, std::vector<std::uint32_t> keySize,
                   StopCheck& stop);

// Groups entries 0 .. count - 1 by the key `same` compares and `hash` hashes;
// an excluded entry is in no group. False when stopped.
template <typename Hash, typename Same>
bool GroupByKey(std::size_t count, Hash hash, Same same, Grouping& grouping, StopCheck& stop,
                Excluded excluded = {}) {
    // first entry + 1; 0 = free
    std::vector<std::uint32_t> table = FilledVector<std::uint32_t>(HashTableSize(count), 0, stop);
    const std::size_t mask = table.size() - 1;
    std::vector<std::uint32_t> keyOf = FilledVector<std::uint32_t>(count, 0, stop), keySize;
    for (Entry e = 0; e < count; ++e) {
        if (IsExcluded(excluded, e)) {
            keyOf[e] = static_cast<std::uint32_t>(keySize.size());  // a key of its own
            keySize.push_back(1);
            continue;
        }
        std::size_t slot = hash(e) & mask;
        while (table[slot] != 0 && !same(table[slot] - 1, e)) {
            slot = (slot + 1) & mask;
        }
        if (table[slot] == 0) {
            table[slot] = e + 1;
            keyOf[e] = static_cast<std::uint32_t>(keySize.size());
            keySize.push_back(0);
        } else {
            keyOf[e] = keyOf[table[slot] - 1];
        }
        ++keySize[keyOf[e]];
        if (stop.Tick()) {
            return false;
        }
    }
    table = {};
    grouping = GroupKeys(std::move(keyOf), std::move(keySize), stop);
    return !stop.Stopped();
}

}  // namespace corvane
