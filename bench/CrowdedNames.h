// The crowded tree's files, for make_crowded_tree and phase2_bench alike: a
// third empty (one size bucket), a third camera shots, the rest names made of
// a few everyday words, the sizes otherwise spread over 65,000 values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace corvane::bench {

class CrowdedNames {
  public:
    explicit CrowdedNames(std::uint32_t seed) : random_(seed) {}

    // One name and size. Empty files are named like the other two kinds, half
    // and half, so the empty bucket holds camera copies and word names alike.
    std::pair<std::string, std::int64_t> Next() {
        const int kind = Pick(3);
        const bool camera = kind == 1 || (kind == 0 && Pick(2) == 0);
        const std::int64_t size = kind == 0 ? 0 : 1 + Pick(65000);
        return {camera ? CameraName() : WordName(), size};
    }

    // The files of one folder: `count` of them, no name twice.
    std::vector<std::pair<std::string, std::int64_t>> Folder(std::size_t count) {
        std::vector<std::pair<std::string, std::int64_t>> files;
        while (files.size() < count) {
            auto file = Next();
            if (std::find_if(files.begin(), files.end(), [&](const auto& other) {
                    return other.first == file.first;
                }) == files.end()) {
                files.push_back(std::move(file));
            }
        }
        return files;
    }

  private:
    // IMG_0000 .. IMG_9999, .jpg or .png: copies of a shot in groups of a few
    // (200,000 files) to a few dozen (1,000,000 files).
    std::string CameraName() {
        std::string digits = std::to_string(Pick(10000));
        digits.insert(0, 4 - digits.size(), '0');
        return "IMG_" + digits + (Pick(2) == 0 ? ".jpg" : ".png");
    }

    // 1 to 5 words (repeats possible), sometimes one capitalised, sometimes a
    // number after them; the extension joins the last word.
    std::string WordName() {
        std::string name;
        for (int words = 1 + Pick(5); words > 0; --words) {
            std::string word = kWords[Pick(kWordCount)];
            if (Pick(5) == 0) {
                word[0] = static_cast<char>(word[0] - 'a' + 'A');
            }
            if (!name.empty()) {
                name += ' ';
            }
            name += word;
        }
        if (Pick(3) == 0) {
            name += " " + std::to_string(1 + Pick(200));
        }
        return name + "." + kExtensions[Pick(10)];
    }

    int Pick(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }

    static constexpr const char* kWords[] = {
        "holiday", "photo",  "report", "draft",   "final",   "copy",    "song",   "track",
        "beach",   "family", "party",  "summer",  "winter",  "garden",  "dog",    "cat",
        "wedding", "budget", "notes",  "invoice", "meeting", "project", "letter", "school",
        "music",   "video",  "scan",   "receipt", "recipe",  "trip",    "home",   "work",
        "old",     "new",    "backup", "list",    "plan",    "story",   "game",   "lesson"};
    static constexpr int kWordCount = sizeof kWords / sizeof kWords[0];
    static constexpr const char* kExtensions[] = {"jpg", "png", "pdf", "docx", "txt",
                                                  "mp3", "mp4", "odt", "xlsx", "zip"};
    std::mt19937 random_;
};

// Folder k's parent is folder (k - 1) / 10: a tree ten wide at every level.
inline std::string CrowdedFolder(const std::string& root, std::size_t k) {
    std::string path;
    for (; k > 0; k = (k - 1) / 10) {
        path.insert(0, "/d" + std::to_string(k));
    }
    return root + path;
}

}  // namespace corvane::bench
