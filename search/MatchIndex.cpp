// The indexed phase 2: the same rows as the pairwise loop, without the pairs
// that cannot match.
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "search/MatchRules.h"
#include "search/NameSimilarity.h"

namespace corvane {
namespace {

using Entry = std::uint32_t;

// Sorts in slices and merges them pairwise, ticking between the steps, so a
// sort of millions of items never keeps the caller from its events for long.
template <typename T, typename Less>
bool SortInSlices(std::vector<T>& items, Less less, StopCheck& stop) {
    constexpr std::size_t kSlice = std::size_t{1} << 15;
    const std::size_t count = items.size();
    for (std::size_t from = 0; from < count; from += kSlice) {
        const auto begin = items.begin() + static_cast<std::ptrdiff_t>(from);
        std::sort(begin, begin + static_cast<std::ptrdiff_t>(std::min(kSlice, count - from)), less);
        if (stop.Tick(kSlice)) {
            return false;
        }
    }
    if (count <= kSlice) {
        return true;  // one slice: nothing to merge
    }
    std::vector<T> merged(count);
    for (std::size_t width = kSlice; width < count; width *= 2) {
        for (std::size_t from = 0; from < count; from += 2 * width) {
            const std::size_t middle = std::min(from + width, count);
            const std::size_t end = std::min(from + 2 * width, count);
            std::merge(items.begin() + static_cast<std::ptrdiff_t>(from),
                       items.begin() + static_cast<std::ptrdiff_t>(middle),
                       items.begin() + static_cast<std::ptrdiff_t>(middle),
                       items.begin() + static_cast<std::ptrdiff_t>(end),
                       merged.begin() + static_cast<std::ptrdiff_t>(from), less);
            if (stop.Tick(end - from)) {
                return false;
            }
        }
        items.swap(merged);
    }
    return true;
}

// Entries grouped by some key, ascending within a group. `live` is a copy that
// each group compacts as it is read: entries at or below the current outer
// entry and entries already listed leave it for good.
struct Groups {
    std::vector<Entry> members;
    std::vector<std::uint32_t> start{0};  // group g is members[start[g] .. start[g + 1])
    std::vector<Entry> live;
    std::vector<std::uint32_t> liveEnd;

    std::size_t Count() const { return start.size() - 1; }
    std::size_t Size(std::size_t g) const { return start[g + 1] - start[g]; }
    void Seal() {
        if (members.size() > UINT32_MAX) {
            throw std::length_error("too many catalogue entries for phase 2");
        }
        live = members;
        liveEnd.assign(start.begin() + 1, start.end());
    }

    // Appends to `out` the entries of group g after `outer`: all of them while
    // the outer entry is not listed (the first match decides its row's type,
    // listed or not), else only those not yet listed.
    void Collect(std::size_t g, Entry outer, bool outerListed, ResultRows& rows,
                 std::vector<Entry>& out, StopCheck& stop) {
        if (!outerListed) {
            const auto end = members.begin() + start[g + 1];
            const auto from = std::upper_bound(members.begin() + start[g], end, outer);
            out.insert(out.end(), from, end);
            stop.Tick(static_cast<std::size_t>(end - from));
            return;
        }
        std::uint32_t write = start[g];
        for (std::uint32_t read = start[g]; read < liveEnd[g]; ++read) {
            const Entry j = live[read];
            if (j > outer && !rows.IsListed(j)) {
                live[write++] = j;
                out.push_back(j);
            }
        }
        stop.Tick(liveEnd[g] - start[g]);
        liveEnd[g] = write;
    }
};

// Groups entries 0 .. count - 1 by a key: `groupOf` gets each entry's group,
// numbered in order of first appearance, and `groups` the members, ascending
// within each group. Open addressing over entry numbers keeps the table small.
template <typename Hash, typename Same>
bool GroupEntries(std::size_t count, Hash hash, Same same, std::vector<std::uint32_t>& groupOf,
                  Groups& groups, StopCheck& stop) {
    std::size_t tableSize = 16;
    while (tableSize < 2 * count) {
        tableSize *= 2;
    }
    std::vector<std::uint32_t> table(tableSize, 0);  // first entry of a key + 1; 0 = free
    std::uint32_t groupCount = 0;
    groupOf.resize(count);
    for (std::size_t index = 0; index < count; ++index) {
        const auto i = static_cast<Entry>(index);
        for (std::size_t slot = hash(i) & (tableSize - 1);; slot = (slot + 1) & (tableSize - 1)) {
            if (table[slot] == 0) {
                table[slot] = i + 1;
                groupOf[i] = groupCount++;
                break;
            }
            if (same(table[slot] - 1, i)) {
                groupOf[i] = groupOf[table[slot] - 1];
                break;
            }
        }
        if (stop.Tick()) {
            return false;
        }
    }
    // Counting sort: group members come out in ascending entry order.
    std::vector<std::uint32_t> start(groupCount + 1, 0);
    for (const std::uint32_t g : groupOf) {
        ++start[g + 1];
    }
    for (std::size_t g = 0; g < groupCount; ++g) {
        start[g + 1] += start[g];
    }
    groups.members.resize(count);
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        groups.members[fill[groupOf[i]]++] = static_cast<Entry>(i);
    }
    groups.start = std::move(start);
    return true;
}

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>()(text);
    }
};

class MatchIndex {
  public:
    MatchIndex(const FileCatalogue& catalogue, StopCheck& stop)
        : catalogue_(catalogue), stop_(stop), count_(catalogue.FileCount()) {}

    bool Run(SearchObserver& observer, ResultRows& rows);

  private:
    bool BuildNames();
    bool BuildWords();
    void UpperWords(Entry i);
    bool CloseMatch(Entry i, Entry j, double threshold) const;

    const FileCatalogue& catalogue_;
    StopCheck& stop_;
    const std::size_t count_;

    bool namesBuilt_ = false;
    std::vector<std::uint32_t> nameGroup_;  // per entry
    Groups names_;

    bool wordsBuilt_ = false;
    std::vector<std::uint32_t> wordStart_;  // words_[wordStart_[i] .. wordStart_[i + 1])
    std::vector<std::uint32_t> words_;      // upper-cased words as interned ids, in name order
    std::unordered_map<std::string, std::uint32_t, StringHash, std::equal_to<>> wordIds_;
    std::vector<std::string_view> rawWords_;
    std::string upper_;
    // Per entry, its (size, word) groups that hold another entry, smallest
    // group first, each with how often the word occurs in the entry's name;
    // `lonelyWords_` counts the entry's words that no other entry of its size has.
    std::vector<std::uint32_t> entryGroupStart_;
    std::vector<std::uint32_t> entryGroups_;
    std::vector<std::uint32_t> entryGroupWords_;
    std::vector<std::uint32_t> lonelyWords_;
    std::vector<std::uint32_t> groupWord_;
    Groups sizeWords_;
};

bool MatchIndex::BuildNames() {
    nameGroup_.resize(count_);
    if (!GroupEntries(
            count_,
            [this](Entry i) { return std::hash<std::string_view>()(catalogue_.FileName(i)); },
            [this](Entry a, Entry b) { return catalogue_.FileName(a) == catalogue_.FileName(b); },
            nameGroup_, names_, stop_)) {
        return false;
    }
    names_.Seal();
    namesBuilt_ = true;
    return !stop_.Tick(count_);
}

void MatchIndex::UpperWords(Entry i) {
    SplitWords(catalogue_.FileName(i), rawWords_);
    for (const std::string_view word : rawWords_) {
        upper_.clear();
        AppendUpperCase(word, upper_);
        auto found = wordIds_.find(std::string_view(upper_));
        if (found == wordIds_.end()) {
            found = wordIds_.emplace(upper_, static_cast<std::uint32_t>(wordIds_.size())).first;
        }
        words_.push_back(found->second);
    }
}

bool MatchIndex::BuildWords() {
    // A close match needs equal sizes, so only entries sharing a size with
    // another entry get words and groups; most catalogues have few of those.
    std::vector<std::uint32_t> sizeOf;
    Groups sizes;
    if (!GroupEntries(
            count_,
            [this](Entry i) {
                const std::uint64_t hash =
                    static_cast<std::uint64_t>(catalogue_.Bytes(i)) * 0x9E3779B97F4A7C15ull;
                return static_cast<std::size_t>(hash ^ (hash >> 32));
            },
            [this](Entry a, Entry b) { return catalogue_.Bytes(a) == catalogue_.Bytes(b); }, sizeOf,
            sizes, stop_)) {
        return false;
    }

    std::vector<std::uint32_t> wordBegin(count_, 0), wordEnd(count_, 0);
    struct Keyed {
        std::uint32_t word;
        Entry entry;
    };
    std::vector<Keyed> keyed;
    std::vector<std::pair<Entry, std::uint32_t>> entryGroup;  // (entry, group)
    std::vector<std::uint32_t> distinct;
    for (std::size_t size = 0; size < sizes.Count(); ++size) {
        if (sizes.Size(size) >= 2) {
            keyed.clear();
            for (std::uint32_t m = sizes.start[size]; m < sizes.start[size + 1]; ++m) {
                const Entry i = sizes.members[m];
                wordBegin[i] = static_cast<std::uint32_t>(words_.size());
                UpperWords(i);
                wordEnd[i] = static_cast<std::uint32_t>(words_.size());
                distinct.assign(words_.begin() + wordBegin[i], words_.end());
                std::sort(distinct.begin(), distinct.end());
                distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
                for (const std::uint32_t word : distinct) {
                    keyed.push_back(Keyed{word, i});
                }
                if (stop_.Tick()) {
                    return false;
                }
            }
            const auto keyLess = [](const Keyed& a, const Keyed& b) {
                return a.word != b.word ? a.word < b.word : a.entry < b.entry;
            };
            if (!SortInSlices(keyed, keyLess, stop_)) {
                return false;
            }
            for (std::size_t k = 0; k < keyed.size();) {
                std::size_t end = k + 1;
                while (end < keyed.size() && keyed[end].word == keyed[k].word) {
                    ++end;
                }
                if (end - k >= 2) {
                    const auto group = static_cast<std::uint32_t>(sizeWords_.Count());
                    groupWord_.push_back(keyed[k].word);
                    for (std::size_t m = k; m < end; ++m) {
                        sizeWords_.members.push_back(keyed[m].entry);
                        entryGroup.emplace_back(keyed[m].entry, group);
                    }
                    sizeWords_.start.push_back(
                        static_cast<std::uint32_t>(sizeWords_.members.size()));
                }
                k = end;
            }
        }
    }
    sizeWords_.Seal();

    // Words and groups per entry, by counting sort on the entry.
    wordStart_.assign(count_ + 1, 0);
    entryGroupStart_.assign(count_ + 1, 0);
    for (std::size_t i = 0; i < count_; ++i) {
        wordStart_[i + 1] = wordStart_[i] + (wordEnd[i] - wordBegin[i]);
    }
    std::vector<std::uint32_t> ordered(words_.size());
    for (std::size_t i = 0; i < count_; ++i) {
        std::copy(words_.begin() + wordBegin[i], words_.begin() + wordEnd[i],
                  ordered.begin() + wordStart_[i]);
    }
    words_.swap(ordered);
    for (const auto& [entry, group] : entryGroup) {
        ++entryGroupStart_[entry + 1];
    }
    for (std::size_t i = 0; i < count_; ++i) {
        entryGroupStart_[i + 1] += entryGroupStart_[i];
    }
    entryGroups_.resize(entryGroup.size());
    std::vector<std::uint32_t> fill(entryGroupStart_.begin(), entryGroupStart_.end() - 1);
    for (const auto& [entry, group] : entryGroup) {
        entryGroups_[fill[entry]++] = group;
    }
    entryGroupWords_.resize(entryGroups_.size());
    lonelyWords_.assign(count_, 0);
    for (std::size_t i = 0; i < count_; ++i) {
        const auto begin = entryGroups_.begin() + entryGroupStart_[i];
        const auto end = entryGroups_.begin() + entryGroupStart_[i + 1];
        std::sort(begin, end, [this](std::uint32_t a, std::uint32_t b) {
            return sizeWords_.Size(a) < sizeWords_.Size(b);
        });
        std::uint32_t grouped = 0;
        for (std::uint32_t k = entryGroupStart_[i]; k < entryGroupStart_[i + 1]; ++k) {
            entryGroupWords_[k] = static_cast<std::uint32_t>(
                std::count(words_.begin() + wordStart_[i], words_.begin() + wordStart_[i + 1],
                           groupWord_[entryGroups_[k]]));
            grouped += entryGroupWords_[k];
        }
        lonelyWords_[i] = wordStart_[i + 1] - wordStart_[i] - grouped;
        if (stop_.Tick()) {
            return false;
        }
    }
    wordsBuilt_ = true;
    return !stop_.Tick(count_);
}

bool MatchIndex::CloseMatch(Entry i, Entry j, double threshold) const {
    if (catalogue_.FileName(i) == catalogue_.FileName(j)) {
        return false;  // such a pair can only be an exact match
    }
    const auto first = words_.begin() + wordStart_[i],
               firstEnd = words_.begin() + wordStart_[i + 1];
    const auto second = words_.begin() + wordStart_[j],
               secondEnd = words_.begin() + wordStart_[j + 1];
    std::size_t matched = 0;
    for (auto word = first; word != firstEnd; ++word) {
        if (std::find(second, secondEnd, *word) != secondEnd) {
            ++matched;
        }
    }
    const auto larger = static_cast<double>(std::max(firstEnd - first, secondEnd - second));
    return static_cast<double>(matched) / larger > threshold;
}

bool MatchIndex::Run(SearchObserver& observer, ResultRows& rows) {
    if (count_ >= 2 && stop_.Poll()) {
        return false;
    }
    std::vector<Entry> exact, closeFound, close;
    std::vector<std::pair<Entry, MatchType>> matches;
    int shownProgress = -1;
    for (std::size_t index = 0; index < count_; ++index) {
        const auto i = static_cast<Entry>(index);
        const SearchOptions options = observer.CurrentOptions();
        const double threshold = CloseThreshold(options.slider);
        const int progress = static_cast<int>((index + 1) * 100 / count_);
        if (progress != shownProgress) {
            shownProgress = progress;
            observer.ProgressChanged(progress);
        }
        if (stop_.Tick()) {
            return false;
        }
        if (options.exact && !namesBuilt_ && !BuildNames()) {
            return false;
        }
        if (options.close && !wordsBuilt_ && !BuildWords()) {
            return false;
        }
        const bool exactPossible = options.exact && names_.Size(nameGroup_[i]) >= 2;
        const bool closePossible = options.close && entryGroupStart_[i + 1] > entryGroupStart_[i];
        if (exactPossible || closePossible) {
            const bool listed = rows.IsListed(i);
            exact.clear();
            close.clear();
            if (exactPossible) {
                names_.Collect(nameGroup_[i], i, listed, rows, exact, stop_);
            }
            if (closePossible) {
                // A match needs matched / max(count_i, count_j) > T. The words
                // left after the first few of i's (rarest first) could not
                // reach that alone, so j must share one of those first few:
                // only their groups are read.
                closeFound.clear();
                const double wordCount = wordStart_[i + 1] - wordStart_[i];
                std::uint32_t unread = wordStart_[i + 1] - wordStart_[i] - lonelyWords_[i];
                for (std::uint32_t k = entryGroupStart_[i]; k < entryGroupStart_[i + 1]; ++k) {
                    if (static_cast<double>(unread) / wordCount <= threshold) {
                        break;
                    }
                    sizeWords_.Collect(entryGroups_[k], i, listed, rows, closeFound, stop_);
                    unread -= entryGroupWords_[k];
                }
                std::sort(closeFound.begin(), closeFound.end());
                closeFound.erase(std::unique(closeFound.begin(), closeFound.end()),
                                 closeFound.end());
                for (const Entry j : closeFound) {
                    if (CloseMatch(i, j, threshold)) {
                        close.push_back(j);
                    }
                }
                stop_.Tick(closeFound.size());
            }
            if (stop_.Stopped()) {
                return false;
            }
            // A pair is never both: exact needs equal names, close different ones.
            matches.clear();
            auto e = exact.begin();
            auto c = close.begin();
            while (e != exact.end() || c != close.end()) {
                if (c == close.end() || (e != exact.end() && *e < *c)) {
                    matches.emplace_back(*e++, MatchType::Exact);
                } else {
                    matches.emplace_back(*c++, MatchType::Close);
                }
            }
            for (const auto& [j, type] : matches) {
                if (!SameFile(catalogue_, i, j)) {
                    rows.AddMatch(i, j, type);
                }
            }
        }
        rows.EndOuterPass();
    }
    return true;
}

}  // namespace

bool FindMatches(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                 ResultRows& rows) {
    MatchIndex index(catalogue, stop);
    return index.Run(observer, rows);
}

}  // namespace corvane
