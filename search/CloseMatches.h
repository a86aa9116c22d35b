// Close matches: for an outer entry, the entries of its size bucket that can
// share enough of its words, each checked against the ratio.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "search/EntryLists.h"
#include "search/ListedEntries.h"
#include "search/RatioBound.h"
#include "search/StopCheck.h"
#include "search/WordIndex.h"
#include "search/WordPostings.h"

namespace corvane {

// Where the candidates of an outer entry i come from:
// - a small bucket: the whole bucket;
// - a crowded bucket: the word lists. A match needs matched >= Need(count i),
//   so some word of i comes before a tail of i's words (rarest first) too
//   short to reach that alone: i reads only the lists of the words before that
//   tail (its prefix). If i repeats no word, matched is the number of shared
//   words, at least Need(count j) too, so by the same argument the rarest shared
//   word is among j's first distinct words but Need(count j) - 1: j is listed
//   only under those (the prefix lists, one set per threshold). A word i
//   repeats counts more than once, so such an i reads lists of every word of
//   its bucket (the full lists).
// - the word counts: j's count is at most Longest(count i), and when i repeats
//   no word, at least Need(count i); other counts' lists are skipped.
class CloseMatches {
  public:
    CloseMatches(const FileCatalogue& catalogue, StopCheck& stop, Excluded excluded = {})
        : catalogue_(catalogue), stop_(stop), excluded_(excluded) {}

    // Words and word lists for `slider`, each built on first need; false
    // when stopped.
    bool Prepare(int slider);

    // True when another entry has i's size.
    bool HasPartner(Entry i) const { return words_.BucketOf(i) != kNoList; }
    // The first close match of i before `before`, or `before` when there is none.
    Entry First(Entry i, Entry before);
    // Appends, ascending, the close matches of i after `after` with no row yet.
    void Later(Entry i, Entry after, ListedEntries& listed, std::vector<Entry>& out);

    std::size_t MemoryBytes() const;

  private:
    struct Outer {
        Entry entry = kNoEntry;
        int slider = -1;
        std::uint32_t bucket;
        Entry slot;
        std::span<const std::uint32_t> words;
        std::uint32_t fewest;  // the fewest distinct words a match shares
        std::uint64_t mask;
        // When its distinct words have distinct bits, a match has at least
        // `fewest` bits of `mask` in the candidate's mask too.
        std::uint32_t bitsNeeded;
    };
    const Outer& OuterOf(Entry i);
    // What ForEachList works out once for the outer entry.
    struct Probe {
        std::span<const std::uint32_t> words;
        std::uint32_t count;
        bool repeats;
        WordPostings* postings;
        std::uint32_t fewest;  // the fewest words a match has
        std::uint32_t most;    // the most words a match has
        bool liveOnly;         // read() reads live members only and returns how many it dropped
    };
    // Calls read(lists, list) for each list holding candidates for the outer
    // entry; the lists hold slots. With `liveOnly`, read() returns how many
    // members it dropped, and words whose lists hold no live member are skipped.
    template <typename Read>
    void ForEachList(const Outer& outer, bool liveOnly, Read read);
    template <typename Read>
    void ReadWordLists(const Probe& probe, std::size_t k, std::size_t after, std::uint32_t rest,
                       Read read);
    // Sets sameFileSkipped_ when a pair fails for being one file only.
    bool Matches(const Outer& outer, Entry slot);
    bool BuildPrefixLists();
    bool BuildFullLists();
    void NextStamp();
    void NoMatchUpTo(Entry slot, Entry before);

    const FileCatalogue& catalogue_;
    StopCheck& stop_;
    Excluded excluded_;
    WordIndex words_;
    int slider_ = -1;
    std::optional<RatioBound> bound_;
    // Lists built for a lower slider serve a higher one too: its prefixes are
    // no longer, so those lists hold all of its candidates. A lower slider
    // needs new lists; at most one set is kept.
    WordPostings prefix_;
    int prefixSlider_ = -1;
    WordPostings full_;
    bool fullBuilt_ = false;
    // What First and Later keep per slot of a crowded bucket, together so a
    // candidate costs one memory read before its words: its mask (one bit per
    // word, WordBit), whether this pass looked at it already (seen == stamp_;
    // a candidate sits in the lists of each word it shares with i), and what
    // First found out about its name (noMatchBefore, below).
    struct CrowdedSlot {
        std::uint64_t mask;
        std::uint32_t seen;
        Entry noMatchBefore;
    };
    static std::uint64_t WordBit(std::uint32_t word) {
        return std::uint64_t{1} << ((word * 0x9E3779B97F4A7C15ull) >> 58);
    }
    // True the first time this pass asks about the slot.
    bool FirstLook(const Outer& outer, Entry slot) {
        if (!words_.Crowded(outer.bucket)) {
            return true;  // a small bucket is one list: no slot comes twice
        }
        const bool first = crowded_[slot].seen != stamp_;
        crowded_[slot].seen = stamp_;
        return first;
    }
    std::vector<CrowdedSlot> crowded_;
    std::uint32_t stamp_ = 0;
    std::vector<std::uint32_t> top_;  // for outer_ (OuterOf)
    std::vector<Entry> cursor_;       // by bucket: the slot of the latest outer entry
    // Entries of one name in one bucket have the same close matches, but for
    // their own files: when First found none for a slot up to its
    // noMatchBefore (at noMatchSlider_[slot]) and no candidate failed for
    // being the slot's own file, a later slot of that name has none up to
    // there either. This keeps a thousand empty "__init__.py" files with
    // Close Matches alone from comparing every pair of them.
    std::vector<std::int8_t> noMatchSlider_;
    bool sameFileSkipped_ = false;
    Outer outer_;
};

}  // namespace corvane
