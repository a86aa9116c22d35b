// Phase 2 timings: the indexed comparison against the pairwise loop, and the
// indexed comparison alone on a million entries.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchNames.h"
#include "catalogue/FileCatalogue.h"
#include "platform/MemorySettingsStore.h"
#include "search/MatchRules.h"
#include "search/ResultList.h"

namespace {

using namespace corvane;

class FixedOptions final : public SearchObserver {
  public:
    SearchOptions CurrentOptions() override { return SearchOptions{true, true, 3}; }
};

// Folders of 10 to 200 files, like a photo and document collection.
FileCatalogue MakeCatalogue(std::size_t count) {
    bench::NameMaker names(7);
    FileCatalogue catalogue;
    std::size_t folder = 0;
    while (catalogue.FileCount() < count) {
        const std::string path = "/nonexistent-bench/f" + std::to_string(folder++) + "/";
        const std::size_t files = 10 + folder * 37 % 190;
        for (std::size_t f = 0; f < files && catalogue.FileCount() < count; ++f) {
            const auto [name, size] = names.Next();
            catalogue.Append(path, name, size, FileId{1, catalogue.FileCount() + 1});
        }
    }
    return catalogue;
}

struct Timing {
    double seconds;
    std::size_t rows;
};

Timing Time(std::size_t count, bool pairwise) {
    FileCatalogue catalogue = MakeCatalogue(count);
    MemorySettingsStore store;
    store.Write(keys::Stop, BoolText(false));
    FixedOptions observer;
    StopCheck stop(store, observer);
    ResultList list;
    ResultRows rows(catalogue, list);
    const auto start = std::chrono::steady_clock::now();
    pairwise ? FindMatchesPairwise(catalogue, observer, stop, rows)
             : FindMatchesIndexed(catalogue, observer, stop, rows);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return Timing{took.count(), list.entries.size()};
}

Timing Median(std::vector<Timing> timings) {
    std::sort(timings.begin(), timings.end(),
              [](const Timing& a, const Timing& b) { return a.seconds < b.seconds; });
    return timings[timings.size() / 2];
}

double Fastest(const std::vector<Timing>& timings) {
    return std::min_element(timings.begin(), timings.end(),
                            [](const Timing& a, const Timing& b) { return a.seconds < b.seconds; })
        ->seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t small = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 20000;
    const std::size_t large = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    // Each side is the median of `runs` back-to-back runs of its own, so every
    // run starts from the state a run of its own kind left. (Alternating the
    // two leaves each indexed run in the wake of a second-long pairwise run,
    // which costs it about half a millisecond more; bench/README.md gives both.)
    std::vector<Timing> pairwiseRuns, indexedRuns;
    for (int run = 0; run < runs; ++run) {
        pairwiseRuns.push_back(Time(small, true));
    }
    for (int run = 0; run < runs; ++run) {
        indexedRuns.push_back(Time(small, false));
    }
    const Timing pairwise = Median(pairwiseRuns);
    const Timing indexed = Median(indexedRuns);
    // The fastest run of each side is the one least disturbed by other work.
    const double pairwiseMin = Fastest(pairwiseRuns), indexedMin = Fastest(indexedRuns);
    std::printf(
        "| phase 2, %zu entries, pairwise reference | %.3f s | %zu rows, median of %d (fastest "
        "%.3f s) |\n",
        small, pairwise.seconds, pairwise.rows, runs, pairwiseMin);
    std::printf(
        "| phase 2, %zu entries, indexed | %.4f s | %zu rows, median of %d (fastest %.4f s); %.0fx "
        "faster (fastest against fastest: %.0fx) |\n",
        small, indexed.seconds, indexed.rows, runs, indexedMin, pairwise.seconds / indexed.seconds,
        pairwiseMin / indexedMin);
    if (pairwise.rows != indexed.rows) {
        std::printf("row counts differ!\n");
        return 1;
    }
    const Timing big = Time(large, false);
    std::printf("| phase 2, %zu entries, indexed | %.3f s | %zu rows |\n", large, big.seconds,
                big.rows);
    return 0;
}
