// Grouping by size and by upper-cased word: the size buckets close matching
// works in, and the words of their entries as sorted numbers.
#pragma once

#include <algorithm>
#include <span>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "search/EntryLists.h"
#include "search/StopCheck.h"

namespace corvane {

// A close match needs equal sizes, so only entries sharing a size with another
// entry take part. Each has a slot: its place in the buckets, laid out bucket
// after bucket, ascending within each, so that slots ascend with entries
// inside a bucket and one bucket's data sits together in memory. Crowded
// buckets come first, numbered 0 .. CrowdedBuckets() - 1, with slots
// 0 .. CrowdedSlots() - 1, so what only they need is kept for them alone.
//
// A slot's words are numbers, equal for equal upper-cased words within a
// bucket, kept sorted (repeats included): comparing two names is a merge of
// two short arrays. In a crowded bucket (more than kSmallBucket entries) a
// word's number is its rank by rarity within the bucket (fewest entries
// first), counted across all crowded buckets, so a slot's words come rarest
// first, which the word lists (WordPostings.h) rely on. A small bucket is
// read whole and its words are numbered as they come.
class WordIndex {
  public:
    static constexpr std::size_t kSmallBucket = 32;

    // Excluded entries are in no bucket. False when stopped.
    bool Build(const FileCatalogue& catalogue, StopCheck& stop, Excluded excluded = {});
    bool Built() const { return built_; }

    // Entry i's bucket, or kNoList when no other entry has its size.
    std::uint32_t BucketOf(Entry i) const { return bucketOf_[i]; }
    // The first slot of `bucket` whose entry is `entry` or later; one past the
    // bucket's last slot when there is none.
    Entry SlotFrom(std::uint32_t bucket, Entry entry) const {
        const std::span<const Entry> range = buckets_.Members(bucket);
        const auto begin = entryAt_.begin() + range.front();
        const auto end = begin + static_cast<std::ptrdiff_t>(range.size());
        return static_cast<Entry>(std::lower_bound(begin, end, entry) - entryAt_.begin());
    }
    Entry EntryAt(Entry slot) const { return entryAt_[slot]; }
    std::size_t SlotCount() const { return entryAt_.size(); }
    bool Crowded(std::uint32_t bucket) const { return bucket < crowdedBuckets_; }
    std::size_t CrowdedSlots() const {
        return crowdedBuckets_ == 0 ? 0 : buckets_.Members(crowdedBuckets_ - 1).back() + 1;
    }
    // Each bucket as a list of its slots.
    EntryLists& Buckets() { return buckets_; }
    const EntryLists& Buckets() const { return buckets_; }
    // True when some entry of a crowded bucket has a word twice.
    bool Repeats(std::uint32_t bucket) const { return repeats_[bucket]; }
    bool AnyRepeats() const { return anyRepeats_; }

    std::span<const std::uint32_t> Words(Entry slot) const {
        return {words_.data() + wordStart_[slot], words_.data() + wordStart_[slot + 1]};
    }
    // In a crowded bucket, the slot before `slot` with the same name (bytes),
    // or kNoEntry.
    Entry SameNameBefore(Entry slot) const { return sameNameBefore_[slot]; }
    // Crowded buckets' words are numbered 0 .. RankCount() - 1.
    std::uint32_t RankCount() const { return rankCount_; }

    std::size_t MemoryBytes() const;

  private:
    bool ReadWords(const FileCatalogue& catalogue, StopCheck& stop);
    bool RankWords(std::uint32_t idCount, StopCheck& stop);
    bool LinkSameNames(const FileCatalogue& catalogue, StopCheck& stop);
    void RankBucket(std::uint32_t bucket, std::vector<std::uint32_t>& entriesOf,
                    std::vector<std::uint32_t>& rankOf, std::vector<std::uint32_t>& seen,
                    StopCheck& stop);
    std::span<std::uint32_t> MutableWords(Entry slot) {
        return {words_.data() + wordStart_[slot], words_.data() + wordStart_[slot + 1]};
    }

    void Lay(Grouping grouping, StopCheck& stop);

    bool built_ = false;
    std::uint32_t crowdedBuckets_ = 0;
    std::vector<std::uint32_t> bucketOf_;
    EntryLists buckets_;
    std::vector<Entry> entryAt_;
    std::vector<std::uint32_t> wordStart_;  // slot s's words: words_[wordStart_[s] .. [s + 1])
    std::vector<std::uint32_t> words_;
    std::vector<Entry> sameNameBefore_;  // by crowded slot
    std::vector<bool> repeats_;          // by bucket
    bool anyRepeats_ = false;
    std::uint32_t rankCount_ = 0;
};

}  // namespace corvane
