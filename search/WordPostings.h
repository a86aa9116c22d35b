// Word lists of the crowded size buckets: under each word, the entries listed
// under it, split by their word count and by where the word stands in them.
#pragma once

#include <algorithm>
#include <functional>
#include <span>
#include <vector>

#include "search/EntryLists.h"
#include "search/StopCheck.h"
#include "search/WordIndex.h"

namespace corvane {

// An entry is listed under some of its distinct words, rarest first: as many
// as the builder's rule says (the prefix a threshold needs, or all of them).
// Under one word there is a list per (word count, position, next word), in
// that order; position 0 means the word is the entry's rarest, the next word
// is the entry's next distinct word after it (kLastWord after its last). A
// reader skips the lists whose count, position or next word rule a match out.
// Each list is ascending.
class WordPostings {
  public:
    // How many of entry e's distinct words e is listed under; entries of
    // buckets that are not crowded are never asked.
    using Rule = std::function<std::uint32_t(Entry e)>;

    // False when stopped.
    bool Build(const WordIndex& words, const Rule& rule, StopCheck& stop);

    // The lists under word number `word` are FirstList(word) .. FirstList(word + 1) - 1.
    std::uint32_t FirstList(std::uint32_t word) const { return firstList_[word]; }
    // The word count of every entry of `list`.
    std::uint32_t WordCount(std::uint32_t list) const { return key_[list].count; }
    // Which distinct word of its entries (0 = the rarest) the list's word is.
    std::uint32_t Position(std::uint32_t list) const { return key_[list].position; }
    // Its entries' distinct word after the list's word, or kLastWord.
    std::uint32_t NextWord(std::uint32_t list) const { return key_[list].next; }
    static constexpr std::uint32_t kLastWord = UINT32_MAX;
    // The end of the run of lists from `list` (before `end`) that share its
    // count and position: they differ only in their next word, ascending.
    std::uint32_t RunEnd(std::uint32_t list, std::uint32_t end) const {
        const Key& key = key_[list];
        return static_cast<std::uint32_t>(
            std::partition_point(key_.begin() + list, key_.begin() + end,
                                 [&key](const Key& other) {
                                     return other.count == key.count &&
                                            other.position == key.position;
                                 }) -
            key_.begin());
    }
    // The list of the run list .. end - 1 whose next word is `next`, or `end`.
    std::uint32_t FindNext(std::uint32_t list, std::uint32_t end, std::uint32_t next) const {
        const auto found = std::lower_bound(
            key_.begin() + list, key_.begin() + end, next,
            [](const Key& key, std::uint32_t wanted) { return key.next < wanted; });
        return found != key_.begin() + end && found->next == next
                   ? static_cast<std::uint32_t>(found - key_.begin())
                   : end;
    }
    EntryLists& Lists() { return lists_; }
    // The live members of all lists under `word`, as far as readers have
    // reported what they dropped.
    std::uint32_t LiveCount(std::uint32_t word) const { return liveCount_[word]; }
    void Dropped(std::uint32_t word, std::size_t members) {
        liveCount_[word] -= static_cast<std::uint32_t>(members);
    }

    std::size_t MemoryBytes() const;

  private:
    struct Key {
        std::uint32_t count;
        std::uint32_t position;
        std::uint32_t next;
        bool operator==(const Key&) const = default;
    };
    // The postings in their final order, before they are cut into lists.
    struct Filled {
        std::vector<Entry> members;
        std::vector<std::uint32_t> position;
        std::vector<std::uint32_t> next;
    };
    void Fill(const WordIndex& words, std::span<const Entry> entries,
              std::span<const std::uint32_t> listed, std::vector<std::uint32_t>& fill,
              Filled& filled, StopCheck& stop);
    void Cut(const WordIndex& words, const std::vector<std::uint32_t>& wordStart, Filled filled,
             StopCheck& stop);

    std::vector<std::uint32_t> firstList_;
    std::vector<Key> key_;
    std::vector<std::uint32_t> liveCount_;
    EntryLists lists_;
};

// Calls visit(word, position) for the first `limit` distinct words of a sorted
// array, position counting distinct words from 0.
template <typename Visit>
void ForDistinctWords(std::span<const std::uint32_t> words, std::uint32_t limit, Visit visit) {
    std::uint32_t position = 0;
    for (std::size_t k = 0; k < words.size() && position < limit; ++k) {
        if (k == 0 || words[k] != words[k - 1]) {
            visit(words[k], position++);
        }
    }
}

inline std::uint32_t DistinctWords(std::span<const std::uint32_t> words) {
    std::uint32_t distinct = 0;
    ForDistinctWords(words, UINT32_MAX, [&distinct](std::uint32_t, std::uint32_t) { ++distinct; });
    return distinct;
}

}  // namespace corvane
