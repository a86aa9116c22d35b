// Appending a million catalogue entries with realistic paths: time and memory.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "catalogue/FileCatalogue.h"

namespace {

// Resident memory of this process in bytes, from /proc.
long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? std::stoul(argv[1]) : 1'000'000;
    const char* words[] = {"Holiday", "photo", "Summer", "concert", "Live",
                           "at",      "the",   "Old",    "Harbour", "draft",
                           "final",   "copy",  "Report", "scan",    "Invoice"};

    // Paths of 30 to 120 bytes: 20 files a folder, folders three levels deep.
    const long before = ResidentBytes();
    const auto start = std::chrono::steady_clock::now();
    corvane::FileCatalogue catalogue;
    std::string folder, name;
    std::size_t pathBytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 20 == 0) {
            const std::size_t f = i / 20;
            folder = "/home/user/Documents/" + std::string(words[f % 15]) + " " +
                     std::to_string(f % 97) + "/" + words[(f / 7) % 15] + " " + std::to_string(f) +
                     "/";
        }
        name.clear();
        for (std::size_t w = 0; w < 1 + i % 5; ++w) {
            name += words[(i * 7 + w * 3) % 15];
            name += ' ';
        }
        name += std::to_string(i % 1000) + ".jpg";
        pathBytes += folder.size() + name.size();
        catalogue.Append(folder, name, static_cast<std::int64_t>(i % 4096) * 1000);
    }
    const auto end = std::chrono::steady_clock::now();
    const long after = ResidentBytes();

    const double ms = std::chrono::duration<double, std::milli>(end - start).count();
    std::printf("entries              %zu\n", catalogue.FileCount());
    std::printf("average path bytes   %.1f\n", static_cast<double>(pathBytes) / count);
    std::printf("append time          %.1f ms\n", ms);
    std::printf("catalogue storage    %.1f MB\n", catalogue.MemoryBytes() / 1e6);
    std::printf("resident growth      %.1f MB\n", (after - before) / 1e6);
    return 0;
}
