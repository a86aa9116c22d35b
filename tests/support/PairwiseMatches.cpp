#include "support/PairwiseMatches.h"

#include "search/MatchRules.h"
#include "search/NameSimilarity.h"

namespace corvane::testing {

bool VisitMatchingPairs(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                        PairRecipient& recipient) {
    const std::size_t count = catalogue.FileCount();
    if (count >= 2 && stop.Poll()) {
        return false;
    }
    WordMatcher matcher;
    int shownProgress = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const SearchOptions options = observer.CurrentOptions();
        const double threshold = CloseThreshold(options.slider);
        const int progress = static_cast<int>((i + 1) * 100 / count);
        if (progress != shownProgress) {
            shownProgress = progress;
            observer.ProgressChanged(progress);
        }
        for (std::size_t j = i + 1; j < count; ++j) {
            if (stop.Tick()) {
                return false;
            }
            if (SameFile(catalogue, i, j)) {
                continue;  // a file reached twice is no pair with itself
            }
            const bool sameName = catalogue.FileName(i) == catalogue.FileName(j);
            if (options.exact && sameName) {
                recipient.AddMatch(i, j, MatchType::Exact);
            }
            // Equal numbers are equal size texts; "no size" equals only itself.
            if (options.close && catalogue.Bytes(i) == catalogue.Bytes(j) && !sameName &&
                matcher.WordMatchRatio(catalogue.FileName(i), catalogue.FileName(j)) > threshold) {
                recipient.AddMatch(i, j, MatchType::Close);
            }
        }
        recipient.EndOuterPass();
    }
    return true;
}

namespace {

class ToRowBuilder final : public PairRecipient {
  public:
    explicit ToRowBuilder(RowBuilder& rows) : rows_(rows) {}
    void AddMatch(std::size_t i, std::size_t j, MatchType type) override {
        rows_.AddMatch(i, j, type);
    }
    void EndOuterPass() override { rows_.EndOuterPass(); }

  private:
    RowBuilder& rows_;
};

}  // namespace

bool FindMatchesPairwise(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                         RowBuilder& rows) {
    ToRowBuilder recipient(rows);
    return VisitMatchingPairs(catalogue, observer, stop, recipient);
}

}  // namespace corvane::testing
