// Phase 2 alone on in-memory crowded catalogues (bench/CrowdedNames.h, the
// same files make_crowded_tree writes): close only at every slider position,
// exact only, and both. Each case times FindMatches beside an older phase 2
// compiled into the same program (CORVANE_PHASE2_BASE, see bench/README.md),
// runs interleaved, rows compared; at a small size, the rows are compared
// with the pairwise reference too.
//
//   phase2_bench [--runs R] [--check N] [--case K] [--no-base] [SIZES...]
//                defaults: 5 runs, check at 3000, every case, 50000 200000 1000000
//   phase2_bench --memory N [base]                   phase 2's peak memory at N entries
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "CrowdedNames.h"
#include "actions/SearchTexts.h"
#include "catalogue/FileCatalogue.h"
#include "search/MatchRules.h"
#include "support/PairwiseMatches.h"

namespace corvane {
#ifdef CORVANE_PHASE2_BASE
// The older phase 2's FindMatches, renamed as it is compiled in.
bool BaseFindMatches(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                     RowBuilder& rows);
#endif
}  // namespace corvane

namespace {

using namespace corvane;
using Phase2 = bool (*)(const FileCatalogue&, SearchObserver&, StopCheck&, RowBuilder&);

// Today's phase 2 on the whole catalogue (nothing left out by Same Contents).
bool CurrentFindMatches(const FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop,
                        RowBuilder& rows) {
    return FindMatches(catalogue, observer, stop, rows, {});
}
#ifdef CORVANE_PHASE2_BASE
constexpr bool kHaveBase = true;
constexpr Phase2 kBase = BaseFindMatches;
#else
constexpr bool kHaveBase = false;
constexpr Phase2 kBase = nullptr;
#endif

struct Case {
    const char* name;
    SearchOptions options;
};
const Case kCases[] = {
    {"close, slider 0", {false, true, 0}}, {"close, slider 1", {false, true, 1}},
    {"close, slider 2", {false, true, 2}}, {"close, slider 3", {false, true, 3}},
    {"close, slider 4", {false, true, 4}}, {"close, slider 5", {false, true, 5}},
    {"exact", {true, false, 3}},           {"exact + close, slider 3", {true, true, 3}},
};

class FixedOptions final : public SearchObserver {
  public:
    explicit FixedOptions(SearchOptions options) : options_(options) {}
    SearchOptions CurrentOptions() override { return options_; }

  private:
    SearchOptions options_;
};

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Times the gaps between the search's polls of the stop token, in the
// thread's CPU time: the longest is how much work can pass before a Stop press
// is seen (the wall-clock gap adds whatever time other programs took the CPU).
struct PollTiming {
    void operator()() {
        const double now = CpuSeconds();
        longest = std::max(longest, now - last);
        last = now;
    }
    double last = CpuSeconds();
    double longest = 0;
};

// Ten files a folder, folders ten wide, as make_crowded_tree lays them out.
FileCatalogue MakeCatalogue(std::size_t count) {
    bench::CrowdedNames names(7);
    FileCatalogue catalogue;
    for (std::size_t k = 0; catalogue.FileCount() < count; ++k) {
        const std::string folder = bench::CrowdedFolder("/nonexistent-bench", k) + "/";
        for (const auto& [name, size] : names.Folder(std::min<std::size_t>(10, count - k * 10))) {
            catalogue.Append(folder, name, size, FileId{1, catalogue.FileCount() + 1});
        }
    }
    return catalogue;
}

struct Rows {
    std::vector<std::string> lines;  // path, colour, group
    bool operator==(const Rows&) const = default;
};

// Wall time, and the CPU time of the thread: on a shared machine the second
// is the steadier one.
struct Timed {
    double seconds;
    double cpuSeconds;
    double longestPollGap;
    Rows rows;
};

Timed Time(const FileCatalogue& catalogue, SearchOptions options, Phase2 phase2) {
    PollTiming timing;
    const StopToken token;
    FixedOptions observer(options);
    StopCheck stop(token, std::ref(timing));
    std::vector<FoundRow> found;
    RowBuilder rows(catalogue, found);
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    timing.last = cpuStart;
    phase2(catalogue, observer, stop, rows);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const double cpuEnd = CpuSeconds();
    Timed timed{
        took.count(), cpuEnd - cpuStart, std::max(timing.longest, cpuEnd - timing.last), {}};
    for (const ResultRow& row : MakeRows(catalogue, found)) {
        timed.rows.lines.push_back(row.path + " " + ColourKeyword(row.type, row.shade) + " " +
                                   std::to_string(row.group));
    }
    return timed;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The rows of every case at a size the pairwise loop can do, against it.
bool CheckAgainstPairwise(std::size_t count) {
    const FileCatalogue catalogue = MakeCatalogue(count);
    bool same = true;
    for (const Case& c : kCases) {
        const Timed pairwise = Time(catalogue, c.options, testing::FindMatchesPairwise);
        const Timed current = Time(catalogue, c.options, CurrentFindMatches);
        same = same && pairwise.rows == current.rows;
        std::printf("| %zu | %s | %zu rows | pairwise %.3f s | %s |\n", count, c.name,
                    pairwise.rows.lines.size(), pairwise.seconds,
                    pairwise.rows == current.rows ? "same rows" : "ROWS DIFFER");
    }
    return same;
}

// Each round runs both sides once, the order turning each round, so a change
// of load falls on both alike.
bool TimeSize(std::size_t count, int runs, int onlyCase, bool withBase) {
    const FileCatalogue catalogue = MakeCatalogue(count);
    bool same = true;
    for (const Case& c : kCases) {
        if (onlyCase >= 0 && &c != &kCases[onlyCase]) {
            continue;
        }
        std::vector<double> current, base, currentCpu, baseCpu;
        double longestGap = 0;
        Rows currentRows, baseRows;
        for (int run = 0; run < runs; ++run) {
            for (int side = 0; side < 2; ++side) {
                const bool isBase = (run + side) % 2 == 1;
                if (isBase && !(kHaveBase && withBase)) {
                    continue;
                }
                Timed timed = Time(catalogue, c.options, isBase ? kBase : CurrentFindMatches);
                (isBase ? base : current).push_back(timed.seconds);
                (isBase ? baseCpu : currentCpu).push_back(timed.cpuSeconds);
                if (!isBase) {
                    longestGap = std::max(longestGap, timed.longestPollGap);
                }
                (isBase ? baseRows : currentRows) = std::move(timed.rows);
            }
        }
        std::printf("| %zu | %s | %zu | %.0f ms | %.0f ms | %.0f ms", count, c.name,
                    currentRows.lines.size(), Median(current) * 1000, Median(currentCpu) * 1000,
                    longestGap * 1000);
        if (!base.empty()) {
            same = same && baseRows == currentRows;
            std::printf(" | %.0f ms | %.0f ms | %.1fx | %s", Median(base) * 1000,
                        Median(baseCpu) * 1000, Median(baseCpu) / Median(currentCpu),
                        baseRows == currentRows ? "same rows" : "ROWS DIFFER");
        }
        std::printf(" |\n");
        std::fflush(stdout);
    }
    return same;
}

std::size_t StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::strtoull(line.c_str() + std::strlen(field), nullptr, 10);
        }
    }
    return 0;
}

// Peak resident memory of one phase 2 run over what the catalogue already
// holds: the peak is reset first (clear_refs 5), the rows are counted only.
int MeasureMemory(std::size_t count, bool base) {
    const FileCatalogue catalogue = MakeCatalogue(count);
    if (base && !kHaveBase) {
        std::fprintf(stderr, "built without CORVANE_PHASE2_BASE\n");
        return 2;
    }
    const Phase2 phase2 = base ? kBase : CurrentFindMatches;
    std::ofstream("/proc/self/clear_refs") << "5";
    const std::size_t before = StatusKb("VmRSS:");
    const StopToken token;
    FixedOptions observer(SearchOptions{true, true, 0});
    StopCheck stop(token);
    std::vector<FoundRow> found;
    RowBuilder rows(catalogue, found);
    phase2(catalogue, observer, stop, rows);
    std::printf(
        "| %zu entries, exact + close, slider 0, %s | catalogue %.1f MB | phase 2 peak "
        "%.1f MB over it (found rows kept, 12 bytes each: %zu) |\n",
        count, base ? "base" : "current", catalogue.MemoryBytes() / 1e6,
        static_cast<double>(StatusKb("VmHWM:") - before) / 1024, found.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    int onlyCase = -1;  // --case K: the K-th case alone (0 .. 7), for profiling
    bool withBase = true;
    std::size_t check = 3000;
    std::vector<std::size_t> sizes;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--memory" && a + 1 < argc) {
            const std::size_t count = std::strtoull(argv[a + 1], nullptr, 10);
            return MeasureMemory(count, a + 2 < argc && std::string(argv[a + 2]) == "base");
        }
        if (arg == "--runs" && a + 1 < argc) {
            runs = std::atoi(argv[++a]);
        } else if (arg == "--case" && a + 1 < argc) {
            onlyCase = std::atoi(argv[++a]);
        } else if (arg == "--no-base") {
            withBase = false;
        } else if (arg == "--check" && a + 1 < argc) {
            check = std::strtoull(argv[++a], nullptr, 10);
        } else {
            sizes.push_back(std::strtoull(arg.c_str(), nullptr, 10));
        }
    }
    if (sizes.empty()) {
        sizes = {50000, 200000, 1000000};
    }
    bool same = check == 0 || CheckAgainstPairwise(check);
    std::printf(
        "| entries | case | rows | current wall | current CPU | longest CPU between Stop polls | "
        "base wall | base CPU | base / current (CPU) | rows compared |\n");
    std::printf("(medians of %d interleaved runs)\n", runs);
    for (const std::size_t count : sizes) {
        same = TimeSize(count, runs, onlyCase, withBase) && same;
    }
    return same ? 0 : 1;
}
