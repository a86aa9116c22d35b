#include "search/WordIndex.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "search/NameSimilarity.h"

namespace corvane {
namespace {

// Words to the ids of their upper-cased forms, 0, 1, ..., by open addressing
// over one byte arena.
class WordIds {
  public:
    std::uint32_t Id(std::string_view word) {
        const std::size_t hash = Upper(word);
        if (2 * hashes_.size() >= table_.size()) {
            Grow();
        }
        const std::size_t mask = table_.size() - 1;
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            const std::uint32_t stored = table_[slot];
            if (stored == 0) {
                table_[slot] = Count() + 1;
                arena_.append(upper_);
                ends_.push_back(arena_.size());
                hashes_.push_back(hash);
                return Count() - 1;
            }
            if (hashes_[stored - 1] == hash && Word(stored - 1) == upper_) {
                return stored - 1;
            }
        }
    }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(hashes_.size()); }

  private:
    // Upper-cases `word` into upper_ and returns its hash (FNV-1a): ASCII in
    // one pass, anything else as AppendUpperCase maps it.
    std::size_t Upper(std::string_view word) {
        std::uint64_t hash = 0xCBF29CE484222325ull;
        upper_.resize(word.size());
        for (std::size_t k = 0; k < word.size(); ++k) {
            char c = word[k];
            if ((c & 0x80) != 0) {
                upper_.clear();
                AppendUpperCase(word, upper_);
                return Hash(upper_);
            }
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            upper_[k] = c;
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
        }
        return static_cast<std::size_t>(hash ^ (hash >> 29));
    }
    static std::size_t Hash(std::string_view bytes) {
        std::uint64_t hash = 0xCBF29CE484222325ull;
        for (const char c : bytes) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
        }
        return static_cast<std::size_t>(hash ^ (hash >> 29));
    }
    std::string_view Word(std::uint32_t id) const {
        return {arena_.data() + ends_[id], ends_[id + 1] - ends_[id]};
    }
    void Grow() {
        table_.assign(std::max<std::size_t>(64, 2 * table_.size()), 0);
        const std::size_t mask = table_.size() - 1;
        for (std::uint32_t id = 0; id < Count(); ++id) {
            std::size_t slot = hashes_[id] & mask;
            while (table_[slot] != 0) {
                slot = (slot + 1) & mask;
            }
            table_[slot] = id + 1;
        }
    }

    std::string upper_;
    std::string arena_;
    std::vector<std::size_t> ends_{0};
    std::vector<std::size_t> hashes_;
    std::vector<std::uint32_t> table_;  // id + 1; 0 = free
};

// A name has a handful of words: insertion sort beats std::sort's setup.
void SortWords(std::span<std::uint32_t> words) {
    if (words.size() > 16) {
        std::sort(words.begin(), words.end());
        return;
    }
    for (std::size_t k = 1; k < words.size(); ++k) {
        const std::uint32_t word = words[k];
        std::size_t at = k;
        for (; at > 0 && words[at - 1] > word; --at) {
            words[at] = words[at - 1];
        }
        words[at] = word;
    }
}

}  // namespace

bool WordIndex::Build(const FileCatalogue& catalogue, StopCheck& stop, Excluded excluded) {
    const auto hash = [&catalogue](Entry e) {
        const std::uint64_t mixed =
            static_cast<std::uint64_t>(catalogue.Bytes(e)) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(mixed ^ (mixed >> 32));
    };
    const auto same = [&catalogue](Entry a, Entry b) {
        return catalogue.Bytes(a) == catalogue.Bytes(b);
    };
    Grouping grouping;
    if (!GroupByKey(catalogue.FileCount(), hash, same, grouping, stop, excluded)) {
        return false;
    }
    Lay(std::move(grouping), stop);
    built_ = ReadWords(catalogue, stop) && LinkSameNames(catalogue, stop);
    return built_;
}

// Numbers the buckets crowded ones first and lays out their slots in that order.
void WordIndex::Lay(Grouping grouping, StopCheck& stop) {
    const std::size_t count = grouping.start.size() - 1;
    std::vector<std::uint32_t> order;  // new bucket number -> old
    for (const bool crowded : {true, false}) {
        for (std::uint32_t old = 0; old < count; ++old) {
            if ((grouping.start[old + 1] - grouping.start[old] > kSmallBucket) == crowded) {
                order.push_back(old);
            }
        }
        if (crowded) {
            crowdedBuckets_ = static_cast<std::uint32_t>(order.size());
        }
    }
    std::vector<std::uint32_t> renumber(count), start{0};
    entryAt_.clear();
    entryAt_.reserve(grouping.members.size());
    for (std::uint32_t bucket = 0; bucket < count; ++bucket) {
        const std::uint32_t old = order[bucket];
        renumber[old] = bucket;
        entryAt_.insert(entryAt_.end(), grouping.members.begin() + grouping.start[old],
                        grouping.members.begin() + grouping.start[old + 1]);
        start.push_back(static_cast<std::uint32_t>(entryAt_.size()));
        stop.Tick(grouping.start[old + 1] - grouping.start[old]);
    }
    bucketOf_ = std::move(grouping.listOf);
    for (std::uint32_t& bucket : bucketOf_) {
        bucket = bucket == kNoList ? kNoList : renumber[bucket];
    }
    std::vector<Entry> ordinal(entryAt_.size());
    for (std::size_t slot = 0; slot < ordinal.size(); ++slot) {
        ordinal[slot] = static_cast<Entry>(slot);
    }
    buckets_.Assign(std::move(ordinal), std::move(start));
}

// Links each slot of a crowded bucket to the slot before it in its bucket with
// the same name (bytes), by open addressing over (bucket, name).
bool WordIndex::LinkSameNames(const FileCatalogue& catalogue, StopCheck& stop) {
    sameNameBefore_ = FilledVector(CrowdedSlots(), kNoEntry, stop);
    // latest slot + 1; 0 = free
    std::vector<Entry> table = FilledVector<Entry>(HashTableSize(CrowdedSlots()), 0, stop);
    const std::size_t mask = table.size() - 1;
    for (std::uint32_t bucket = 0; bucket < crowdedBuckets_; ++bucket) {
        for (const Entry slot : buckets_.Members(bucket)) {
            const std::string_view name = catalogue.FileName(entryAt_[slot]);
            std::size_t at =
                (std::hash<std::string_view>()(name) ^ bucket * 0x9E3779B97F4A7C15ull) & mask;
            while (table[at] != 0 && !(BucketOf(entryAt_[table[at] - 1]) == bucket &&
                                       catalogue.FileName(entryAt_[table[at] - 1]) == name)) {
                at = (at + 1) & mask;
            }
            if (table[at] != 0) {
                sameNameBefore_[slot] = table[at] - 1;
            }
            table[at] = slot + 1;
            stop.Tick();
        }
    }
    return !stop.Stopped();
}

bool WordIndex::ReadWords(const FileCatalogue& catalogue, StopCheck& stop) {
    // A name has one word more than it has spaces: the offsets first, so the
    // words take their exact room.
    wordStart_ = FilledVector<std::uint32_t>(entryAt_.size() + 1, 0, stop);
    std::uint64_t total = 0;
    for (std::size_t slot = 0; slot < entryAt_.size(); ++slot) {
        const std::string_view name = catalogue.FileName(entryAt_[slot]);
        for (std::size_t space = name.find(' '); space != std::string_view::npos;
             space = name.find(' ', space + 1)) {
            ++total;
        }
        ++total;
        if (total > UINT32_MAX) {
            throw std::length_error("too many words for phase 2");
        }
        wordStart_[slot + 1] = static_cast<std::uint32_t>(total);
        stop.Tick();
    }
    words_.resize(total);
    // Words as SplitWords cuts them: at every space, so "" and the ends of
    // "a  b " give empty words too.
    WordIds ids;
    for (Entry slot = 0; slot < entryAt_.size(); ++slot) {
        const std::string_view name = catalogue.FileName(entryAt_[slot]);
        const std::span<std::uint32_t> words = MutableWords(slot);
        std::size_t start = 0;
        for (std::uint32_t& word : words) {
            const std::size_t space = std::min(name.find(' ', start), name.size());
            word = ids.Id(name.substr(start, space - start));
            start = space + 1;
        }
        SortWords(words);
        if (stop.Tick()) {
            return false;
        }
    }
    return RankWords(ids.Count(), stop);
}

bool WordIndex::RankWords(std::uint32_t idCount, StopCheck& stop) {
    repeats_.assign(buckets_.Count(), false);
    std::vector<std::uint32_t> entriesOf(idCount, 0), rankOf(idCount, 0), seen;
    for (std::uint32_t bucket = 0; bucket < buckets_.Count(); ++bucket) {
        if (Crowded(bucket)) {
            RankBucket(bucket, entriesOf, rankOf, seen, stop);
            if (stop.Stopped()) {
                return false;
            }
        }
    }
    return true;
}

// Numbers the bucket's words rarest first, ties by id, from rankCount_ on, and
// re-sorts each member's words by those numbers.
void WordIndex::RankBucket(std::uint32_t bucket, std::vector<std::uint32_t>& entriesOf,
                           std::vector<std::uint32_t>& rankOf, std::vector<std::uint32_t>& seen,
                           StopCheck& stop) {
    seen.clear();
    for (const Entry slot : buckets_.Members(bucket)) {
        const std::span<const std::uint32_t> words = Words(slot);
        for (std::size_t k = 0; k < words.size(); ++k) {
            if (k > 0 && words[k] == words[k - 1]) {
                repeats_[bucket] = true;
                continue;  // an entry counts once per word
            }
            if (entriesOf[words[k]]++ == 0) {
                seen.push_back(words[k]);
            }
        }
    }
    std::sort(seen.begin(), seen.end(), [&entriesOf](std::uint32_t a, std::uint32_t b) {
        return entriesOf[a] != entriesOf[b] ? entriesOf[a] < entriesOf[b] : a < b;
    });
    if (std::uint64_t{rankCount_} + seen.size() > UINT32_MAX) {
        throw std::length_error("too many words for phase 2");
    }
    for (std::size_t k = 0; k < seen.size(); ++k) {
        rankOf[seen[k]] = rankCount_ + static_cast<std::uint32_t>(k);
        entriesOf[seen[k]] = 0;
    }
    rankCount_ += static_cast<std::uint32_t>(seen.size());
    for (const Entry slot : buckets_.Members(bucket)) {
        const std::span<std::uint32_t> words = MutableWords(slot);
        for (std::uint32_t& word : words) {
            word = rankOf[word];
        }
        SortWords(words);
        stop.Tick(2);  // this pass and the count above
    }
    anyRepeats_ = anyRepeats_ || repeats_[bucket];
}

std::size_t WordIndex::MemoryBytes() const {
    return (bucketOf_.capacity() + entryAt_.capacity() + wordStart_.capacity() +
            words_.capacity()) *
               sizeof(std::uint32_t) +
           sameNameBefore_.capacity() * sizeof(Entry) + buckets_.MemoryBytes() +
           repeats_.capacity() / 8;
}

}  // namespace corvane
