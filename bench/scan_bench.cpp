// Phase 1 alone: the folder scan of a tree into the catalogue, Close Matches
// on (sizes recorded), as corvane-find runs it before comparing.
#include <chrono>
#include <cstdio>

#include "search/FolderScan.h"

namespace {

class CloseOn final : public corvane::SearchObserver {
  public:
    corvane::SearchOptions CurrentOptions() override { return {true, true, 3}; }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane;
    if (argc != 2) {
        std::fprintf(stderr, "usage: scan_bench DIR\n");
        return 2;
    }
    const StopToken token;
    CloseOn observer;
    StopCheck stop(token);
    FileCatalogue catalogue;
    FolderScan scan(catalogue, observer, stop);
    const auto start = std::chrono::steady_clock::now();
    scan.ScanFolder(argv[1]);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%zu files in %.3f s, catalogue %zu MB\n", catalogue.FileCount(), took.count(),
                catalogue.MemoryBytes() >> 20);
    return 0;
}
