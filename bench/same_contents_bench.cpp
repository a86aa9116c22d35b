// Same Contents alone, as corvane-find --contents will run it: phase 1 scans
// the folders into the catalogue (sizes recorded), then FindSameContents.
// Writes the groups to stdout as jdupes does (one path a line, a blank line
// after each group) and to stderr the times, the bytes read, the bytes in
// groups and the peak memory.
//
// Usage: same_contents_bench [--no-cache] [--cache-folder DIR] FOLDER...
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/StopToken.h"
#include "search/FolderScan.h"
#include "search/SameContents.h"

namespace {

class CloseOn final : public corvane::SearchObserver {
  public:
    corvane::SearchOptions CurrentOptions() override { return {true, true, 3}; }
};

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane;
    SameContentsOptions options;
    std::vector<std::string> folders;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--no-cache") == 0) {
            options.useCache = false;
        } else if (std::strcmp(argv[a], "--cache-folder") == 0 && a + 1 < argc) {
            options.cacheFolder = argv[++a];
        } else {
            folders.emplace_back(argv[a]);
        }
    }
    if (folders.empty()) {
        std::fprintf(stderr,
                     "usage: same_contents_bench [--no-cache] [--cache-folder DIR] FOLDER...\n");
        return 2;
    }
    const StopToken token;
    CloseOn observer;
    StopCheck stop(token);
    FileCatalogue catalogue;
    const auto start = std::chrono::steady_clock::now();
    {
        FolderScan scan(catalogue, observer, stop);
        for (const std::string& folder : folders) {
            scan.ScanFolder(folder);
        }
    }
    const double scanned = Since(start);
    const SameContentsResult result = FindSameContents(catalogue, nullptr, {}, options);
    const double found = Since(start);
    std::uint64_t grouped = 0;
    std::string out;
    for (const SameContentGroup& group : result.groups) {
        for (const std::size_t entry : group.entries) {
            out += catalogue.FullPath(entry);
            out += '\n';
            grouped += static_cast<std::uint64_t>(catalogue.Bytes(entry));
        }
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr,
                 "files %zu scan %.3f s same-contents %.3f s total %.3f s groups %zu ungrouped %zu "
                 "bytes-read %llu bytes-in-groups %llu peak-rss-mb %ld\n",
                 catalogue.FileCount(), scanned, found - scanned, found, result.groups.size(),
                 result.ungrouped.size(), static_cast<unsigned long long>(result.bytesRead),
                 static_cast<unsigned long long>(grouped), usage.ru_maxrss / 1024);
    return 0;
}
