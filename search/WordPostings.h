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
// is the entry's next distinct word after it (kLastWord after its last). The
// lists of one word count and position form a run. A reader skips the runs
// and lists whose count, position or next word rule a match out. Each list
// is ascending.
class WordPostings {
  public:
    // How many of entry e's distinct words e is listed under; entries of
    // buckets that are not crowded are never asked.
    using Rule = std::function<std::uint32_t(Entry e)>;

    // False when stopped.
    bool Build(const WordIndex& words, const Rule& rule, StopCheck& stop);

    // The runs under word number `word` are FirstRun(word) .. FirstRun(word + 1) - 1,
    // by ascending word count, then position. A run's lists hold entries with
    // the run's word count and the word at the run's position, one list per
    // next word, ascending: FirstList(run) .. FirstList(run + 1) - 1.
    std::uint32_t FirstRun(std::uint32_t word) const { return firstRun_[word]; }
    std::uint32_t WordCount(std::uint32_t run) const { return runs_[run].count; }
    // Which distinct word of its entries (0 = the rarest) the run's word is.
    std::uint32_t Position(std::uint32_t run) const { return runs_[run].position; }
    std::uint32_t FirstList(std::uint32_t run) const { return runs_[run].firstList; }
    // The list's entries' distinct word after the run's word, or kLastWord.
    std::uint32_t NextWord(std::uint32_t list) const { return next_[list]; }
    static constexpr std::uint32_t kLastWord = UINT32_MAX;
    // The list of `run` whose next word is `next`, or FirstList(run + 1).
    std::uint32_t FindNext(std::uint32_t run, std::uint32_t next) const {
        const auto begin = next_.begin() + FirstList(run);
        const auto end = next_.begin() + FirstList(run + 1);
        const auto found = std::lower_bound(begin, end, next);
        return static_cast<std::uint32_t>((found != end && *found == next ? found : end) -
                                          next_.begin());
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
    struct Run {
        std::uint32_t count;
        std::uint32_t position;
        std::uint32_t firstList;
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

    std::vector<std::uint32_t> firstRun_;  // by word; one past the last word: the end
    std::vector<Run> runs_;                // one past the last run: the end of the lists
    std::vector<std::uint32_t> next_;      // by list
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
