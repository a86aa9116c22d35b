#include "search/CloseMatches.h"

#include <algorithm>
#include <bit>
#include <functional>

#include "search/MatchRules.h"

namespace corvane {
namespace {

bool RepeatsAWord(std::span<const std::uint32_t> words) {
    return std::adjacent_find(words.begin(), words.end()) != words.end();
}

// How many of the sorted `words` are i's prefix: all but the longest tail of
// whole words (repeats counted) that stays below `need`.
std::size_t PrefixLength(std::span<const std::uint32_t> words, std::uint32_t need) {
    std::size_t end = words.size();
    std::size_t tail = 0;
    while (end > 0) {
        std::size_t begin = end - 1;
        while (begin > 0 && words[begin - 1] == words[end - 1]) {
            --begin;
        }
        if (tail + (end - begin) >= need) {
            break;
        }
        tail += end - begin;
        end = begin;
    }
    return end;
}

// True when at least `need` of the words of `a` (repeats counted) are among
// those of `b`; both sorted.
bool SharesEnough(std::span<const std::uint32_t> a, std::span<const std::uint32_t> b,
                  std::uint32_t need) {
    std::size_t matched = 0;
    std::size_t y = 0;
    for (std::size_t x = 0; x < a.size(); ++x) {
        if (matched + (a.size() - x) < need) {
            return false;
        }
        while (y < b.size() && b[y] < a[x]) {
            ++y;
        }
        if (y == b.size()) {
            break;
        }
        matched += b[y] == a[x];
    }
    return matched >= need;
}

// top[k] = the occurrences of the k most repeated distinct words of sorted
// `words`, for k = 0 .. distinct count.
void MostMatched(std::span<const std::uint32_t> words, std::vector<std::uint32_t>& top) {
    top.resize(words.size() + 1);
    if (!RepeatsAWord(words)) {
        for (std::size_t k = 0; k < top.size(); ++k) {
            top[k] = static_cast<std::uint32_t>(k);
        }
        return;
    }
    top.assign(1, 0);
    for (std::size_t k = 0; k < words.size();) {
        const std::size_t begin = k;
        while (k < words.size() && words[k] == words[begin]) {
            ++k;
        }
        top.push_back(static_cast<std::uint32_t>(k - begin));
    }
    std::sort(top.begin() + 1, top.end(), std::greater<>());
    for (std::size_t k = 1; k < top.size(); ++k) {
        top[k] += top[k - 1];
    }
}

// The last place from `from` on where a distinct word of sorted `words` starts
// with `short` occurrences or more from there to the end; words.size() when
// there is none.
std::size_t LatestNext(std::span<const std::uint32_t> words, std::size_t from,
                       std::uint32_t shortBy) {
    std::uint32_t tail = 0;
    for (std::size_t q = words.size(); q > from; --q) {
        ++tail;
        const bool starts = q - 1 == from || words[q - 2] != words[q - 1];
        if (starts && tail >= shortBy) {
            return q - 1;
        }
    }
    return words.size();
}

// LatestNext's answer when the word read matches enough alone.
constexpr std::size_t kAnyNext = SIZE_MAX;

}  // namespace

bool CloseMatches::Prepare(int slider) {
    if (!words_.Built()) {
        if (!words_.Build(catalogue_, stop_, excluded_)) {
            return false;
        }
        crowded_.resize(words_.CrowdedSlots());
        for (Entry slot = 0; slot < crowded_.size(); ++slot) {
            std::uint64_t mask = 0;
            for (const std::uint32_t word : words_.Words(slot)) {
                mask |= WordBit(word);
            }
            crowded_[slot] = CrowdedSlot{mask, 0, 0};
        }
        noMatchSlider_.assign(words_.CrowdedSlots(), -1);
        cursor_.resize(words_.Buckets().Count());
        for (std::uint32_t bucket = 0; bucket < cursor_.size(); ++bucket) {
            cursor_[bucket] = words_.Buckets().Members(bucket).front();
        }
    }
    slider = std::clamp(slider, 0, 5);
    if (slider != slider_) {
        bound_.emplace(CloseThreshold(slider));
        slider_ = slider;
    }
    if (words_.RankCount() == 0) {
        return true;  // no crowded bucket: no word lists
    }
    if (prefixSlider_ < 0 || slider < prefixSlider_) {
        if (!BuildPrefixLists()) {
            return false;
        }
        prefixSlider_ = slider;
    }
    return fullBuilt_ || !words_.AnyRepeats() || BuildFullLists();
}

bool CloseMatches::BuildPrefixLists() {
    const RatioBound& bound = *bound_;
    return prefix_.Build(
        words_,
        [&](Entry slot) -> std::uint32_t {
            const std::span<const std::uint32_t> words = words_.Words(slot);
            const std::uint32_t need = bound.Need(static_cast<std::uint32_t>(words.size()));
            const std::uint32_t distinct = DistinctWords(words);
            return need <= distinct ? distinct - need + 1 : 0;
        },
        stop_);
}

bool CloseMatches::BuildFullLists() {
    fullBuilt_ = full_.Build(
        words_,
        [&](Entry slot) -> std::uint32_t {
            return words_.Repeats(words_.BucketOf(words_.EntryAt(slot)))
                       ? DistinctWords(words_.Words(slot))
                       : 0;
        },
        stop_);
    return fullBuilt_;
}

const CloseMatches::Outer& CloseMatches::OuterOf(Entry i) {
    if (outer_.entry == i && outer_.slider == slider_) {
        return outer_;  // First and Later of one outer entry
    }
    // Outer entries come in ascending order, and so do a bucket's slots: a
    // cursor per bucket finds i's slot without a search.
    const std::uint32_t bucket = words_.BucketOf(i);
    Entry& cursor = cursor_[bucket];
    while (words_.EntryAt(cursor) < i) {
        ++cursor;
    }
    if (words_.EntryAt(cursor) != i) {
        cursor = words_.SlotFrom(bucket, i);  // an outer entry seen before: search
    }
    const Entry slot = cursor;
    const std::span<const std::uint32_t> words = words_.Words(slot);
    if (!words_.Crowded(bucket)) {
        outer_ = Outer{i, slider_, bucket, slot, words, 0, 0, 0};  // the bucket is read whole
        return outer_;
    }
    // top_[k]: the most of i's words k shared distinct words can match, its
    // most repeated words first (k itself when i repeats none). A match shares
    // at least `fewest` distinct words.
    MostMatched(words, top_);
    const std::uint32_t need = bound_->Need(static_cast<std::uint32_t>(words.size()));
    const auto fewest = static_cast<std::uint32_t>(
        std::find_if(top_.begin(), top_.end(), [need](std::uint32_t n) { return n >= need; }) -
        top_.begin());
    const std::uint64_t mask = crowded_[slot].mask;
    const bool distinctBits = static_cast<std::size_t>(std::popcount(mask)) == top_.size() - 1;
    outer_ = Outer{i, slider_, bucket, slot, words, fewest, mask, distinctBits ? fewest : 0};
    return outer_;
}

template <typename Read>
void CloseMatches::ForEachList(const Outer& outer, bool liveOnly, Read read) {
    if (!words_.Crowded(outer.bucket)) {
        read(words_.Buckets(), outer.bucket);
        return;
    }
    const std::span<const std::uint32_t> words = outer.words;
    const auto count = static_cast<std::uint32_t>(words.size());
    const bool repeats = RepeatsAWord(words);
    // A match shares at least outer.fewest distinct words, so j has at least
    // that many words.
    const Probe probe{
        words,   count, repeats, repeats ? &full_ : &prefix_, outer.fewest, bound_->Longest(count),
        liveOnly};
    const std::size_t prefix = PrefixLength(words, bound_->Need(count));
    std::uint32_t rest = probe.count;
    for (std::size_t k = 0; k < prefix;) {
        std::size_t after = k;
        while (after < words.size() && words[after] == words[k]) {
            ++after;
        }
        ReadWordLists(probe, k, after, rest, read);
        rest -= static_cast<std::uint32_t>(after - k);
        k = after;
    }
}

// Reads the lists of the word at words[k .. after) for a match whose rarest
// shared word it is: no word before it is shared, so i's words from it on
// (`rest`) bound matched, and so do j's words from its position on, through
// top_. After it, i's next shared word must leave enough words from there on
// to make up what this one leaves short, and j's next word comes no later:
// lists with a later next word are skipped. When i repeats no word and j has
// none to spare, j's next word is one of those words of i itself.
template <typename Read>
void CloseMatches::ReadWordLists(const Probe& probe, std::size_t k, std::size_t after,
                                 std::uint32_t rest, Read read) {
    WordPostings& postings = *probe.postings;
    const std::uint32_t word = probe.words[k];
    if (probe.liveOnly && postings.LiveCount(word) == 0) {
        return;
    }
    std::size_t dropped = 0;
    const auto occurrences = static_cast<std::uint32_t>(after - k);
    for (std::uint32_t run = postings.FirstRun(word); run < postings.FirstRun(word + 1); ++run) {
        const std::uint32_t wordCount = postings.WordCount(run);
        if (wordCount > probe.most) {
            break;
        }
        const std::uint32_t fromHere = wordCount - postings.Position(run);
        const std::uint32_t reach =
            std::min(rest, top_[std::min<std::size_t>(fromHere, top_.size() - 1)]);
        const std::uint32_t needed = bound_->Need(std::max(probe.count, wordCount));
        if (wordCount < probe.fewest || reach < needed) {
            continue;  // no match in this run
        }
        const std::size_t latest =
            needed > occurrences ? LatestNext(probe.words, after, needed - occurrences) : kAnyNext;
        const std::uint32_t end = postings.FirstList(run + 1);
        if (latest == kAnyNext) {
            for (std::uint32_t list = postings.FirstList(run); list < end; ++list) {
                dropped += read(postings.Lists(), list);
            }
        } else if (latest == probe.words.size()) {
            continue;
        } else if (!probe.repeats && fromHere == needed) {
            for (std::size_t n = after; n <= latest; ++n) {
                const std::uint32_t found = postings.FindNext(run, probe.words[n]);
                if (found != end) {
                    dropped += read(postings.Lists(), found);
                }
            }
        } else {
            for (std::uint32_t list = postings.FirstList(run);
                 list < end && postings.NextWord(list) <= probe.words[latest]; ++list) {
                dropped += read(postings.Lists(), list);
            }
        }
    }
    postings.Dropped(word, dropped);
}

bool CloseMatches::Matches(const Outer& outer, Entry slot) {
    std::uint64_t shared = outer.bitsNeeded == 0 ? 0 : outer.mask & crowded_[slot].mask;
    for (std::uint32_t bits = 0; bits < outer.bitsNeeded; ++bits) {
        if (shared == 0) {
            return false;
        }
        shared &= shared - 1;  // drops the lowest bit: no popcnt instruction needed
    }
    const std::span<const std::uint32_t> words = words_.Words(slot);
    const auto larger = static_cast<std::uint32_t>(std::max(outer.words.size(), words.size()));
    if (!SharesEnough(outer.words, words, bound_->Need(larger))) {
        return false;
    }
    const Entry j = words_.EntryAt(slot);
    if (SameFile(catalogue_, outer.entry, j)) {
        sameFileSkipped_ = true;
        return false;
    }
    return catalogue_.FileName(outer.entry) != catalogue_.FileName(j);
}

Entry CloseMatches::First(Entry i, Entry before) {
    const Outer& outer = OuterOf(i);
    const Entry sameName =
        words_.Crowded(outer.bucket) ? words_.SameNameBefore(outer.slot) : kNoEntry;
    if (sameName != kNoEntry && noMatchSlider_[sameName] == slider_ &&
        before <= crowded_[sameName].noMatchBefore) {
        NoMatchUpTo(outer.slot, crowded_[sameName].noMatchBefore);
        return before;
    }
    NextStamp();
    // Slots ascend with entries within the bucket: `best` is the first slot
    // that could not improve on the best match so far.
    const Entry none = before == kNoEntry ? words_.Buckets().Members(outer.bucket).back() + 1
                                          : words_.SlotFrom(outer.bucket, before);
    Entry best = none;
    sameFileSkipped_ = false;
    ForEachList(outer, false, [&](EntryLists& lists, std::size_t list) -> std::size_t {
        stop_.Tick();
        for (const Entry slot : lists.After(list, outer.slot)) {
            if (slot >= best || stop_.Tick()) {
                break;
            }
            if (FirstLook(outer, slot)) {
                if (Matches(outer, slot)) {
                    best = slot;
                    break;
                }
            }
        }
        return 0;
    });
    if (best != none) {
        return words_.EntryAt(best);
    }
    if (!sameFileSkipped_ && !stop_.Stopped() && words_.Crowded(outer.bucket)) {
        NoMatchUpTo(outer.slot, before);
    }
    return before;
}

void CloseMatches::NoMatchUpTo(Entry slot, Entry before) {
    crowded_[slot].noMatchBefore = before;
    noMatchSlider_[slot] = static_cast<std::int8_t>(slider_);
}

void CloseMatches::Later(Entry i, Entry after, ListedEntries& listed, std::vector<Entry>& out) {
    const std::size_t from = out.size();
    NextStamp();
    const Outer& outer = OuterOf(i);
    const Entry first = after == i ? outer.slot + 1 : words_.SlotFrom(outer.bucket, after + 1);
    const auto unlisted = [&](Entry slot) { return !listed.IsListed(words_.EntryAt(slot)); };
    ForEachList(outer, true, [&](EntryLists& lists, std::size_t list) -> std::size_t {
        const std::size_t before = lists.LiveSize(list);
        const std::span<const Entry> live = lists.Live(list, outer.slot, unlisted);
        stop_.Tick(1 + before - live.size());  // the list and what it dropped
        for (const Entry slot : live) {
            if (stop_.Tick()) {
                break;
            }
            if (slot >= first && FirstLook(outer, slot)) {
                if (Matches(outer, slot)) {
                    out.push_back(words_.EntryAt(slot));
                }
            }
        }
        return before - live.size();
    });
    // Matches only, each listed by this pass: sorting them costs no more
    // than the rows they give.
    std::sort(out.begin() + static_cast<std::ptrdiff_t>(from), out.end());
}

void CloseMatches::NextStamp() {
    if (++stamp_ == 0) {
        for (CrowdedSlot& slot : crowded_) {
            slot.seen = 0;
        }
        stamp_ = 1;
    }
}

std::size_t CloseMatches::MemoryBytes() const {
    return words_.MemoryBytes() + prefix_.MemoryBytes() + full_.MemoryBytes() +
           crowded_.capacity() * sizeof(CrowdedSlot) + noMatchSlider_.capacity() +
           cursor_.capacity() * sizeof(Entry);
}

}  // namespace corvane
