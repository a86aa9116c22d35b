// The content check alone, on the rows of a real search of DIR: each setting
// (readers, buffer size) timed in interleaved rounds, medians printed with the
// bytes read and the verdict counts.
//
// Usage: content_check_bench DIR [ROUNDS]   (run it on a warm tree)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "search/ContentCheck.h"
#include "search/FindDupes.h"

namespace {

using namespace corvane;

class QuietObserver final : public SearchObserver {
  public:
    SearchOptions CurrentOptions() override { return SearchOptions{true, true, 3}; }
    void PhaseChanged(SearchPhase, const std::string&) override {}
    void ProgressChanged(int) override {}
    void FolderSkipped(const std::string&, int) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: content_check_bench DIR [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const StopToken stop;
    FileCatalogue catalogue;
    QuietObserver observer;
    ResultRows rows;
    FindDupes({argv[1]}, catalogue, stop, observer, rows);
    std::printf("%zu rows\n", rows.size());

    struct Setting {
        ContentCheckOptions options;
        std::vector<double> seconds;
    };
    std::vector<Setting> settings;
    for (const unsigned readers : {1u, 2u}) {
        for (const std::size_t buffer : {std::size_t{64} << 10, std::size_t{256} << 10,
                                         std::size_t{1} << 20, std::size_t{4} << 20}) {
            settings.push_back({{readers, buffer}, {}});
        }
    }
    ContentCheckResult last;
    for (int round = 0; round < rounds; ++round) {
        for (Setting& setting : settings) {
            const auto start = std::chrono::steady_clock::now();
            last = CheckContents(rows, nullptr, {}, setting.options);
            setting.seconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }
    std::size_t counts[5] = {};
    for (const RowContent& row : last.rows) {
        ++counts[static_cast<int>(row.verdict)];
    }
    std::printf("read %.1f MB; identical %zu, differs %zu, unreadable %zu, changed %zu\n",
                last.bytesRead / 1e6, counts[1], counts[2], counts[3], counts[4]);
    std::printf("| readers | buffer | median of %d | fastest | GB/s read (median) |\n", rounds);
    std::printf("|---|---|---|---|---|\n");
    for (Setting& setting : settings) {
        std::sort(setting.seconds.begin(), setting.seconds.end());
        const double median = setting.seconds[setting.seconds.size() / 2];
        std::printf("| %u | %zu KiB | %.3f s | %.3f s | %.2f |\n", setting.options.readers,
                    setting.options.bufferBytes >> 10, median, setting.seconds.front(),
                    last.bytesRead / median / 1e9);
    }
    return 0;
}
