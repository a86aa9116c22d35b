// The outer loop of phase 2: for each entry in catalogue order, its exact and
// close matches merged in catalogue order and handed to RowBuilder.
#include "search/MatchRules.h"

#include <algorithm>
#include <vector>

#include "search/CloseMatches.h"
#include "search/EntryLists.h"
#include "search/ExactMatches.h"
#include "search/ListedEntries.h"

namespace corvane {

double CloseThreshold(int slider) {
    return std::clamp(slider, 0, 5) / 10.0 + 0.4;
}

namespace {

class MatchLoop {
  public:
    MatchLoop(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
              RowBuilder& rows, Excluded excluded)
        : count_(catalogue.FileCount()),
          taking_(count_ - static_cast<std::size_t>(
                               std::count_if(excluded.begin(), excluded.end(),
                                             [](std::uint8_t out) { return out != 0; }))),
          observer_(observer),
          stop_(stop),
          rows_(rows),
          excluded_(excluded),
          exact_(catalogue, stop, excluded),
          close_(catalogue, stop, excluded),
          listed_(catalogue, rows) {}

    bool Run();

  private:
    bool Prepare(const SearchOptions& options);
    bool MatchOuter(Entry i, bool exact, bool close);
    void AddLater(Entry i);
    void AddMatch(Entry i, Entry j, MatchType type);

    const std::size_t count_;
    const std::size_t taking_;  // entries not excluded
    SearchObserver& observer_;
    StopCheck& stop_;
    RowBuilder& rows_;
    Excluded excluded_;
    ExactMatches exact_;
    CloseMatches close_;
    ListedEntries listed_;
    std::vector<Entry> exactLater_, closeLater_;
};

bool MatchLoop::Run() {
    // A single entry has no pair: nothing to build, and no poll of the stop token.
    const bool pairs = taking_ >= 2;
    if (pairs && stop_.Poll()) {
        return false;
    }
    int shownProgress = -1;
    std::size_t taken = 0;
    for (std::size_t index = 0; index < count_; ++index) {
        if (IsExcluded(excluded_, index)) {
            continue;
        }
        const SearchOptions options = observer_.CurrentOptions();
        const int progress = static_cast<int>(++taken * 100 / taking_);
        if (progress != shownProgress) {
            shownProgress = progress;
            observer_.ProgressChanged(progress);
        }
        const auto i = static_cast<Entry>(index);
        if (pairs && (stop_.Tick() || !Prepare(options))) {
            return false;
        }
        const bool exact = pairs && options.exact && exact_.HasPartner(i);
        const bool close = pairs && options.close && close_.HasPartner(i);
        if ((exact || close) && !MatchOuter(i, exact, close)) {
            return false;
        }
        rows_.EndOuterPass();
    }
    return true;
}

// The indexes an outer entry's options need, each built when first needed;
// the name groups always, as ListedEntries needs them.
bool MatchLoop::Prepare(const SearchOptions& options) {
    if (!exact_.Built() && !(exact_.Build() && listed_.Build(exact_, stop_, excluded_))) {
        return false;
    }
    return !options.close || close_.Prepare(options.slider);
}

// A new row reads its file again (RowBuilder): worth many small steps.
void MatchLoop::AddMatch(Entry i, Entry j, MatchType type) {
    rows_.AddMatch(i, j, type);
    listed_.Handed(i, j);
    stop_.Tick(64);
}

// While i has no row, its first match decides the row's type and group
// whether that match is listed or not; after that (or when i had a row
// already), only matches with no row change anything. False when stopped.
bool MatchLoop::MatchOuter(Entry i, bool exact, bool close) {
    Entry after = i;
    if (!listed_.IsListed(i)) {
        const Entry firstExact = exact ? exact_.First(i) : kNoEntry;
        const Entry first = close ? close_.First(i, firstExact) : firstExact;
        if (stop_.Stopped()) {
            return false;
        }
        if (first == kNoEntry) {
            return true;
        }
        AddMatch(i, first, first == firstExact ? MatchType::Exact : MatchType::Close);
        after = first;
    }
    exactLater_.clear();
    closeLater_.clear();
    if (exact) {
        exact_.Later(i, after, listed_, exactLater_);
    }
    if (close) {
        close_.Later(i, after, listed_, closeLater_);
    }
    if (stop_.Stopped()) {
        return false;
    }
    AddLater(i);
    return true;
}

// A pair is never both: exact needs equal names, close different ones.
void MatchLoop::AddLater(Entry i) {
    auto e = exactLater_.begin();
    auto c = closeLater_.begin();
    while (e != exactLater_.end() || c != closeLater_.end()) {
        if (c == closeLater_.end() || (e != exactLater_.end() && *e < *c)) {
            AddMatch(i, *e++, MatchType::Exact);
        } else {
            AddMatch(i, *c++, MatchType::Close);
        }
    }
}

}  // namespace

bool FindMatches(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                 RowBuilder& rows, Excluded excluded) {
    MatchLoop loop(catalogue, observer, stop, rows, excluded);
    return loop.Run();
}

}  // namespace corvane
