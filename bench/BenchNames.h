// Realistic file names and sizes for the benchmarks: camera shots, documents,
// music and downloads, with a share of copies and of near-copies.
#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace corvane::bench {

class NameMaker {
  public:
    explicit NameMaker(std::uint32_t seed) : random_(seed) {}

    // One name and size. About 5% repeat an earlier name (a copy elsewhere),
    // about 3% are a near-copy of one ("... (2).jpg"), the rest are new.
    std::pair<std::string, std::int64_t> Next() {
        const int kind = Pick(100);
        if (made_ > 0 && kind < 5) {
            return Remembered();
        }
        if (made_ > 0 && kind < 8) {
            auto [name, size] = Remembered();
            const auto dot = name.rfind('.');
            name.insert(dot == std::string::npos ? name.size() : dot, " (2)");
            return {name, size};
        }
        std::string name;
        switch (Pick(5)) {
            case 0:
                name = "IMG_" + std::to_string(100000 + Pick(900000)) + ".JPG";
                break;
            case 1:
                name = std::string(kWords[Pick(kWordCount)]) + " " + kWords[Pick(kWordCount)] +
                       " " + std::to_string(Pick(3000)) + ".jpg";
                break;
            case 2:
                name = std::string(kWords[Pick(kWordCount)]) + " " + kWords[Pick(kWordCount)] +
                       " report " + std::to_string(2000 + Pick(26)) + " v" +
                       std::to_string(Pick(5)) + ".docx";
                break;
            case 3:
                name = std::to_string(1 + Pick(20)) + " - " + kWords[Pick(kWordCount)] + " " +
                       kWords[Pick(kWordCount)] + " " + kWords[Pick(kWordCount)] + ".mp3";
                break;
            default:
                name = "download_" + std::to_string(random_() % 1000000) + ".pdf";
                break;
        }
        // Sizes spread like real files; empty files are common enough to matter.
        const std::int64_t size = Pick(50) == 0 ? 0 : 1 + random_() % (4 << 20);
        Remember(name, size);
        return {name, size};
    }

  private:
    static constexpr const char* kWords[] = {
        "Holiday", "holiday", "Beach", "Family", "Birthday", "party",  "Paris", "summer",
        "Winter",  "Garden",  "dog",   "Cat",    "Wedding",  "Budget", "Notes", "Invoice",
        "Love",    "Night",   "Road",  "Blue",   "Sky",      "Home",   "Trip",  "Sunset"};
    static constexpr int kWordCount = sizeof kWords / sizeof kWords[0];

    int Pick(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }
    void Remember(const std::string& name, std::int64_t size) {
        recent_[made_ % kRecent] = {name, size};
        ++made_;
    }
    std::pair<std::string, std::int64_t> Remembered() {
        return recent_[static_cast<std::size_t>(Pick(static_cast<int>(std::min(made_, kRecent))))];
    }

    static constexpr std::size_t kRecent = 4096;
    std::mt19937 random_;
    std::pair<std::string, std::int64_t> recent_[kRecent];
    std::size_t made_ = 0;
};

}  // namespace corvane::bench
