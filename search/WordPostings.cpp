#include "search/WordPostings.h"

#include <stdexcept>

namespace corvane {
namespace {

// The entries of the crowded buckets by word count, then bucket, then entry;
// class[c] .. class[c + 1] - 1 are the entries with the c-th count present.
struct ByWordCount {
    std::vector<Entry> order;
    std::vector<std::uint32_t> start;
};

ByWordCount CrowdedByWordCount(const WordIndex& words) {
    std::vector<std::uint32_t> start;
    const auto forCrowded = [&](auto use) {
        for (std::uint32_t bucket = 0; bucket < words.Buckets().Count(); ++bucket) {
            if (words.Crowded(bucket)) {
                for (const Entry e : words.Buckets().Members(bucket)) {
                    use(e, words.Words(e).size());
                }
            }
        }
    };
    forCrowded([&](Entry, std::size_t count) {
        if (count + 2 > start.size()) {
            start.resize(count + 2, 0);
        }
        ++start[count + 1];
    });
    for (std::size_t count = 1; count < start.size(); ++count) {
        start[count] += start[count - 1];
    }
    ByWordCount byCount{std::vector<Entry>(start.empty() ? 0 : start.back()), {}};
    std::vector<std::uint32_t> fill = start;
    forCrowded([&](Entry e, std::size_t count) { byCount.order[fill[count]++] = e; });
    start.erase(std::unique(start.begin(), start.end()), start.end());  // empty classes
    byCount.start = std::move(start);
    return byCount;
}

}  // namespace

bool WordPostings::Build(const WordIndex& words, const Rule& rule, StopCheck& stop) {
    const ByWordCount byCount = CrowdedByWordCount(words);
    const std::vector<Entry>& order = byCount.order;
    std::vector<std::uint32_t> listed(order.size());
    std::vector<std::uint32_t> wordStart(words.RankCount() + 1, 0);
    std::uint64_t total = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        listed[k] = rule(order[k]);
        ForDistinctWords(words.Words(order[k]), listed[k],
                         [&](std::uint32_t word, std::uint32_t) { ++wordStart[word + 1]; });
        total += listed[k];
        if (stop.Tick()) {
            return false;
        }
    }
    if (total > UINT32_MAX) {
        throw std::length_error("too many words for phase 2");
    }
    for (std::size_t word = 0; word < words.RankCount(); ++word) {
        wordStart[word + 1] += wordStart[word];
    }
    Filled filled{std::vector<Entry>(total), std::vector<std::uint32_t>(total),
                  std::vector<std::uint32_t>(total)};
    std::vector<std::uint32_t> fill(wordStart.begin(), wordStart.end() - 1);
    for (std::size_t c = 0; c + 1 < byCount.start.size(); ++c) {
        const std::size_t from = byCount.start[c], to = byCount.start[c + 1];
        Fill(words, std::span(order).subspan(from, to - from),
             std::span(listed).subspan(from, to - from), fill, filled, stop);
        if (stop.Stopped()) {
            return false;
        }
    }
    Cut(words, wordStart, std::move(filled), stop);
    liveCount_.resize(words.RankCount());
    for (std::size_t word = 0; word < liveCount_.size(); ++word) {
        liveCount_[word] = wordStart[word + 1] - wordStart[word];
    }
    return !stop.Tick(total);
}

namespace {

// Sorts `items` by key(item), a number below `range`, keeping the order of
// items with equal keys.
template <typename T, typename Key>
void StableCountingSort(std::vector<T>& items, std::size_t range, Key key) {
    std::vector<std::uint32_t> start(range + 1, 0);
    for (const T& item : items) {
        ++start[key(item) + 1];
    }
    for (std::size_t k = 1; k < start.size(); ++k) {
        start[k] += start[k - 1];
    }
    std::vector<T> sorted(items.size());
    for (const T& item : items) {
        sorted[start[key(item)]++] = item;
    }
    items.swap(sorted);
}

}  // namespace

// Puts the postings of entries with one word count into their words' places,
// ordered by position, then next word, then slot: with the classes taken in
// count order, each word's entries end up sorted by (count, position, next
// word, slot).
void WordPostings::Fill(const WordIndex& words, std::span<const Entry> entries,
                        std::span<const std::uint32_t> listed, std::vector<std::uint32_t>& fill,
                        Filled& filled, StopCheck& stop) {
    struct Posting {
        Entry slot;
        std::uint32_t word;
        std::uint32_t position;
        std::uint32_t next;
    };
    std::vector<Posting> postings;
    std::vector<std::uint32_t> distinct;
    std::uint32_t positions = 0;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        distinct.clear();
        ForDistinctWords(words.Words(entries[k]), listed[k] + 1,
                         [&](std::uint32_t word, std::uint32_t) { distinct.push_back(word); });
        for (std::uint32_t p = 0; p < listed[k]; ++p) {
            const std::uint32_t next = p + 1 < distinct.size() ? distinct[p + 1] : kLastWord;
            postings.push_back(Posting{entries[k], distinct[p], p, next});
        }
        stop.Tick();
        positions = std::max(positions, listed[k]);
    }
    const std::uint32_t nextRange = words.RankCount() + 1;  // kLastWord sorts last
    StableCountingSort(postings, nextRange, [&](const Posting& posting) {
        return posting.next == kLastWord ? nextRange - 1 : posting.next;
    });
    StableCountingSort(postings, positions,
                       [](const Posting& posting) { return posting.position; });
    for (const Posting& posting : postings) {
        const std::uint32_t at = fill[posting.word]++;
        filled.members[at] = posting.slot;
        filled.position[at] = posting.position;
        filled.next[at] = posting.next;
        stop.Tick();
    }
}

// A new run opens at each word's first entry and wherever the count or the
// position changes; a new list at each run and wherever the next word changes.
void WordPostings::Cut(const WordIndex& words, const std::vector<std::uint32_t>& wordStart,
                       Filled filled, StopCheck& stop) {
    std::vector<std::uint32_t> start;
    firstRun_.assign(words.RankCount() + 1, 0);
    runs_.clear();
    next_.clear();
    for (std::uint32_t word = 0; word + 1 < wordStart.size(); ++word) {
        for (std::uint32_t m = wordStart[word]; m < wordStart[word + 1]; ++m) {
            const auto count = static_cast<std::uint32_t>(words.Words(filled.members[m]).size());
            const bool opensRun = m == wordStart[word] || count != runs_.back().count ||
                                  filled.position[m] != runs_.back().position;
            if (opensRun) {
                runs_.push_back(
                    Run{count, filled.position[m], static_cast<std::uint32_t>(next_.size())});
            }
            if (opensRun || filled.next[m] != next_.back()) {
                start.push_back(m);
                next_.push_back(filled.next[m]);
            }
        }
        stop.Tick(wordStart[word + 1] - wordStart[word]);
        firstRun_[word + 1] = static_cast<std::uint32_t>(runs_.size());
    }
    runs_.push_back(Run{0, 0, static_cast<std::uint32_t>(next_.size())});
    start.push_back(static_cast<std::uint32_t>(filled.members.size()));
    lists_.Assign(std::move(filled.members), std::move(start));
}

std::size_t WordPostings::MemoryBytes() const {
    return (firstRun_.capacity() + next_.capacity() + liveCount_.capacity()) *
               sizeof(std::uint32_t) +
           runs_.capacity() * sizeof(Run) + lists_.MemoryBytes();
}

}  // namespace corvane
