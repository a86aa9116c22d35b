// Phase 2 must give the rows of the pairwise loop, and those rows must follow
// the row rules: both are held to plain references written here and in
// support/PairwiseMatches.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "actions/SearchTexts.h"
#include "search/MatchRules.h"
#include "search/SameContentRows.h"
#include "search/WordIndex.h"
#include "support/PairwiseMatches.h"
#include "support/SearchTestSupport.h"

namespace corvane {
namespace {

using testing::PairRecipient;
using testing::RecordingObserver;

struct Row {
    std::string path;
    std::string colour;
    std::uint32_t group;
    FileId id;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.path << " " << row.colour << " " << row.group;
}

// The row rules done the plain way: a file is listed once, found by a linear
// search for its path, then for its device and inode; a row joins the group
// of the file it was matched with, or opens the next group; the shade flips
// after an outer pass that opened a group.
class ReferenceRows final : public PairRecipient {
  public:
    explicit ReferenceRows(const FileCatalogue& catalogue) : catalogue_(catalogue) {}

    void AddMatch(std::size_t i, std::size_t j, MatchType type) override {
        if (GroupOf(i) == 0) {
            newGroup_ = true;
            const std::uint32_t joined = GroupOf(j);
            Add(i, type, joined != 0 ? joined : ++groups_);
        }
        if (GroupOf(j) == 0) {
            Add(j, type, GroupOf(i));
        }
    }
    void EndOuterPass() override {
        if (newGroup_) {
            newGroup_ = false;
            light_ = !light_;
        }
    }

    std::vector<Row> rows;

  private:
    std::uint32_t GroupOf(std::size_t k) const {
        const std::string path = catalogue_.FullPath(k);
        for (const Row& row : rows) {
            if (row.path == path) {
                return row.group;
            }
        }
        for (const Row& row : rows) {
            if (row.id.Known() && row.id == catalogue_.Id(k)) {
                return row.group;
            }
        }
        return 0;
    }
    void Add(std::size_t k, MatchType type, std::uint32_t group) {
        const GroupShade shade = light_ ? GroupShade::Light : GroupShade::Dark;
        rows.push_back(
            Row{catalogue_.FullPath(k), ColourKeyword(type, shade), group, catalogue_.Id(k)});
    }

    const FileCatalogue& catalogue_;
    std::uint32_t groups_ = 0;
    bool light_ = true;
    bool newGroup_ = false;
};

struct Outcome {
    std::vector<Row> rows;
    std::vector<int> progress;
    int optionCalls = 0;
    bool finished = false;
};

// The options of call n are script[n - 1]. The product leaves out the
// `excluded` entries itself; the reference is given a catalogue without them.
Outcome RunPhase2(const FileCatalogue& catalogue, const std::vector<SearchOptions>& script,
                  bool reference, Excluded excluded = {}) {
    const StopToken token;
    RecordingObserver observer;
    observer.script = [&](int call) { return script.at(static_cast<std::size_t>(call - 1)); };
    StopCheck stop(token);
    Outcome outcome;
    if (reference) {
        ReferenceRows rows(catalogue);
        outcome.finished = testing::VisitMatchingPairs(catalogue, observer, stop, rows);
        outcome.rows = rows.rows;
    } else {
        std::vector<FoundRow> found;
        RowBuilder rows(catalogue, found);
        outcome.finished = FindMatches(catalogue, observer, stop, rows, excluded);
        for (const ResultRow& row : MakeRows(catalogue, found)) {
            outcome.rows.push_back(
                Row{row.path, ColourKeyword(row.type, row.shade), row.group, row.stamp.id});
        }
    }
    outcome.progress = observer.progress;
    outcome.optionCalls = observer.optionCalls;
    return outcome;
}

class Generator {
  public:
    explicit Generator(std::uint32_t seed) : random_(seed) {}
    int Pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

    // Up to `most` entries; names of 1 to `longest` words from `words`, some
    // repeating an earlier name; sizes from `sizes` (-1: none recorded); some
    // entries reached twice (same path and id), some hard links (same id), some
    // without an id, some sharing an inode number on another device.
    FileCatalogue Catalogue(int most, const std::vector<std::string>& words, int longest,
                            const std::vector<std::int64_t>& sizes, int links = 12) {
        static const std::vector<std::string> kFolders = {
            "/nonexistent-corvane/p/", "/nonexistent-corvane/q/", "/nonexistent-corvane/p/r/"};
        FileCatalogue catalogue;
        const int count = Pick(most + 1);
        for (int e = 0; e < count; ++e) {
            if (e > 0 && Pick(10) == 0) {
                const auto k = static_cast<std::size_t>(Pick(e));  // the same file again
                const std::string folder(catalogue.FileFolder(k)), name(catalogue.FileName(k));
                catalogue.Append(folder, name, catalogue.Bytes(k), catalogue.Id(k));
                continue;
            }
            std::string name;
            if (e > 0 && Pick(5) == 0) {
                name = catalogue.FileName(static_cast<std::size_t>(Pick(e)));
            } else {
                for (int w = 1 + Pick(longest); w > 0; --w) {
                    name += words[static_cast<std::size_t>(Pick(static_cast<int>(words.size())))];
                    name += w > 1 ? " " : "";
                }
            }
            FileId id{1 + static_cast<std::uint64_t>(Pick(2)),
                      1000 + static_cast<std::uint64_t>(e)};
            std::int64_t bytes =
                sizes[static_cast<std::size_t>(Pick(static_cast<int>(sizes.size())))];
            if (e > 0 && Pick(links) == 0) {
                // A hard link: the same file and size, now and then under its
                // name with the case of every letter turned.
                const auto k = static_cast<std::size_t>(Pick(e));
                id = catalogue.Id(k);
                bytes = catalogue.Bytes(k);
                if (Pick(2) == 0) {
                    name = catalogue.FileName(k);
                    for (char& c : name) {
                        c = std::isalpha(static_cast<unsigned char>(c)) ? c ^ 0x20 : c;
                    }
                }
            } else if (e > 0 && Pick(12) == 0) {
                id.inode = catalogue.Id(static_cast<std::size_t>(Pick(e))).inode;
            } else if (Pick(12) == 0) {
                id = FileId{};  // no identity known: path only
            }
            catalogue.Append(kFolders[static_cast<std::size_t>(Pick(3))], name, bytes, id);
        }
        return catalogue;
    }

    // Options per outer entry: fixed at `options`, or when `changing`, redrawn
    // now and then (close turned on or off, the slider anywhere, -1 and 6 too).
    std::vector<SearchOptions> Script(std::size_t count, SearchOptions options, bool changing) {
        std::vector<SearchOptions> script;
        for (std::size_t i = 0; i < count; ++i) {
            if (changing && Pick(8) == 0) {
                options = SearchOptions{Pick(2) == 0, Pick(4) != 0, Pick(8) - 1};
            }
            script.push_back(options);
        }
        return script;
    }

  private:
    std::mt19937 random_;
};

// The catalogue without the excluded entries, the others in their order.
FileCatalogue Without(const FileCatalogue& catalogue, const std::vector<std::uint8_t>& excluded) {
    FileCatalogue kept;
    for (std::size_t e = 0; e < catalogue.FileCount(); ++e) {
        if (excluded.empty() || excluded[e] == 0) {
            kept.Append(catalogue.FileFolder(e), catalogue.FileName(e), catalogue.Bytes(e),
                        catalogue.Id(e));
        }
    }
    return kept;
}

void ExpectSameRows(const FileCatalogue& catalogue, const std::vector<SearchOptions>& script,
                    int round, std::vector<Row>* rows = nullptr,
                    const std::vector<std::uint8_t>& excluded = {}) {
    const Outcome reference = RunPhase2(Without(catalogue, excluded), script, true);
    const Outcome product = RunPhase2(catalogue, script, false, excluded);
    ASSERT_TRUE(reference.finished && product.finished);
    ASSERT_EQ(product.optionCalls, reference.optionCalls) << "round " << round;
    ASSERT_EQ(product.progress, reference.progress) << "round " << round;
    ASSERT_EQ(product.rows, reference.rows) << "round " << round;
    if (rows != nullptr) {
        *rows = reference.rows;
    }
}

int CloseRows(const std::vector<Row>& rows) {
    int close = 0;
    for (const Row& row : rows) {
        close += row.colour.ends_with("red");
    }
    return close;
}

TEST(Phase2Property, IndexedGivesThePairwiseRows) {
    Generator generator(20261207);
    const std::vector<std::string> words = {"a",     "A",     "b", "B", "photo",  "Photo",  "PHOTO",
                                            "1.jpg", "2.JPG", "",  "x", "straße", "STRASSE"};
    int withRows = 0, withClose = 0, withDarkShade = 0;
    for (int round = 0; round < 1500; ++round) {
        const FileCatalogue catalogue = generator.Catalogue(35, words, 4, {-1, 0, 1, 2});
        const SearchOptions options{generator.Pick(2) == 0, generator.Pick(3) != 0,
                                    generator.Pick(6)};
        const auto script =
            generator.Script(catalogue.FileCount(), options, generator.Pick(2) == 0);
        std::vector<Row> rows;
        ExpectSameRows(catalogue, script, round, &rows);
        withRows += !rows.empty();
        withClose += CloseRows(rows);
        for (const Row& row : rows) {
            withDarkShade += row.colour == "blue" || row.colour == "red";
        }
    }
    // The generator must really produce the cases that can differ.
    EXPECT_GT(withRows, 1000);
    EXPECT_GT(withClose, 1000);
    EXPECT_GT(withDarkShade, 1000);
}

// Crowded size buckets (word lists, not whole-bucket reads) with few distinct
// words, repeats, empty words and case variants, at every slider position
// with close alone or with exact, and with options changing mid-run.
TEST(Phase2Property, CrowdedBucketsGiveThePairwiseRows) {
    Generator generator(7041);
    const std::vector<std::string> words = {"a",   "A",     "b",       "photo", "Photo", "PHOTO",
                                            "",    "x.jpg", "X.JPG",   "1",     "2",     "report",
                                            "ß.x", "SS.X",  "holiday", "draft", "copy"};
    int crowded = 0;
    std::vector<int> closeBySlider(6, 0);
    for (int round = 0; round < 96; ++round) {
        const int slider = round % 6;
        const bool both = round / 6 % 2 == 1;
        const bool changing = round / 12 % 4 == 3;
        // Every third round, many hard links: one file under names that
        // close-match one another.
        const FileCatalogue catalogue =
            generator.Catalogue(300, words, 1 + round % 5, {-1, 0, 7}, round % 3 == 2 ? 3 : 12);
        const auto script =
            generator.Script(catalogue.FileCount(), SearchOptions{both, true, slider}, changing);
        std::vector<Row> rows;
        ExpectSameRows(catalogue, script, round, &rows);
        std::map<std::int64_t, std::size_t> bucketSizes;
        for (std::size_t e = 0; e < catalogue.FileCount(); ++e) {
            crowded += ++bucketSizes[catalogue.Bytes(e)] == WordIndex::kSmallBucket + 1;
        }
        closeBySlider[static_cast<std::size_t>(slider)] += changing ? 0 : CloseRows(rows);
    }
    EXPECT_GT(crowded, 100);  // buckets
    for (const int close : closeBySlider) {
        EXPECT_GT(close, 100);
    }
}

// Phase 2 after Same Contents: the files of its groups are left out (all
// entries of a file, as by device and inode, or single entries, which the
// rule must bear too), and the rest must give the rows, options reads and
// progress of a catalogue that never held them.
TEST(Phase2Property, ExcludedEntriesAreAsIfNeverFound) {
    Generator generator(290);
    const std::vector<std::string> words = {"a", "b", "photo", "Photo", "1.jpg", "", "x", "copy"};
    int withRows = 0, excludedCount = 0;
    for (int round = 0; round < 600; ++round) {
        const FileCatalogue catalogue = generator.Catalogue(40, words, 3, {-1, 0, 5}, 6);
        std::vector<std::uint8_t> excluded(catalogue.FileCount(), 0);
        const bool byFile = round % 2 == 0;
        for (std::size_t e = 0; e < excluded.size(); ++e) {
            if (generator.Pick(4) != 0) {
                continue;
            }
            for (std::size_t k = 0; k < excluded.size(); ++k) {
                excluded[k] |= k == e || (byFile && catalogue.Id(k).Known() &&
                                          catalogue.Id(k) == catalogue.Id(e));
            }
        }
        const SearchOptions options{generator.Pick(3) != 0, generator.Pick(3) != 0,
                                    generator.Pick(6)};
        std::size_t taking = 0;
        for (const std::uint8_t out : excluded) {
            taking += out == 0;
            excludedCount += out;
        }
        const auto script = generator.Script(taking, options, generator.Pick(2) == 0);
        std::vector<Row> rows;
        ExpectSameRows(catalogue, script, round, &rows, excluded);
        withRows += !rows.empty();
    }
    EXPECT_GT(withRows, 300);
    EXPECT_GT(excludedCount, 1500);
}

Row Listed(const std::string& path, const char* colour, std::uint32_t group, FileId id) {
    return Row{"/nonexistent-corvane/" + path, colour, group, id};
}

TEST(Phase2Property, FollowsTheWorkedExamples) {
    struct File {
        std::string folder, name;
        FileId id;
    };
    struct Case {
        const char* what;
        std::vector<File> files;
        std::vector<Row> rows;
    } cases[] = {
        {"two groups in turn",
         {{"x/", "a.txt", {1, 1}},
          {"x/", "b.txt", {1, 2}},
          {"y/", "a.txt", {1, 3}},
          {"y/", "b.txt", {1, 4}}},
         {Listed("x/a.txt", "light blue", 1, {1, 1}), Listed("y/a.txt", "light blue", 1, {1, 3}),
          Listed("x/b.txt", "blue", 2, {1, 2}), Listed("y/b.txt", "blue", 2, {1, 4})}},
        {"an unmatched file between groups keeps the shade",
         {{"x/", "a", {1, 1}},
          {"x/", "b", {1, 2}},
          {"x/", "c", {1, 3}},
          {"y/", "a", {1, 4}},
          {"y/", "c", {1, 5}}},
         {Listed("x/a", "light blue", 1, {1, 1}), Listed("y/a", "light blue", 1, {1, 4}),
          Listed("x/c", "blue", 2, {1, 3}), Listed("y/c", "blue", 2, {1, 5})}},
        {"one inode number on two devices is two files",
         {{"x/", "a.txt", {1, 5}}, {"y/", "a.txt", {2, 5}}},
         {Listed("x/a.txt", "light blue", 1, {1, 5}), Listed("y/a.txt", "light blue", 1, {2, 5})}},
    };
    for (const Case& c : cases) {
        FileCatalogue catalogue;
        for (const File& file : c.files) {
            catalogue.Append("/nonexistent-corvane/" + file.folder, file.name,
                             FileCatalogue::kNoSize, file.id);
        }
        const std::vector<SearchOptions> script(c.files.size(), SearchOptions{true, false, 3});
        for (const bool reference : {true, false}) {
            EXPECT_EQ(RunPhase2(catalogue, script, reference).rows, c.rows) << c.what;
        }
    }
}

// Same Contents' groups come first in green, numbered from 1; phase 2 then
// numbers its groups after them and never sees a grouped file, under any of
// its paths (a hard link of a grouped file matches nothing).
TEST(Phase2Property, SameContentGroupsComeFirstAndLeavePhase2) {
    struct File {
        std::string path;
        std::int64_t size;
        FileId id;
    };
    const File files[] = {
        {"x/IMG_1.jpg", 5, {1, 1}}, {"x/a.txt", 3, {1, 2}},     {"y/IMG_1 (1).jpg", 5, {1, 3}},
        {"y/a.txt", 3, {1, 4}},     {"z/IMG_1.jpg", 5, {1, 1}}, {"z/copy.bin", 9, {1, 5}},
        {"z/other.bin", 9, {1, 6}}, {"w/IMG_1.jpg", 7, {1, 7}}, {"v/IMG_1.jpg", 8, {1, 8}},
    };
    FileCatalogue catalogue;
    for (const File& file : files) {
        const std::size_t slash = file.path.find('/');
        catalogue.Append("/nonexistent-corvane/" + file.path.substr(0, slash + 1),
                         file.path.substr(slash + 1), file.size, file.id);
    }
    const std::vector<SameContentGroup> groups = {{ContentKey{1, 1}, {0, 2}},
                                                  {ContentKey{2, 2}, {5, 6}}};
    const StopToken token;
    RecordingObserver observer;
    observer.options = SearchOptions{true, true, 3, true};
    StopCheck stop(token);
    std::vector<FoundRow> found;
    ASSERT_TRUE(MatchAfterSameContents(catalogue, observer, stop, groups, found));
    std::vector<Row> rows;
    for (const ResultRow& row : MakeRows(catalogue, found)) {
        rows.push_back(Row{row.path, ColourKeyword(row.type, row.shade), row.group, row.stamp.id});
    }
    EXPECT_EQ(rows, (std::vector<Row>{
                        Listed("x/IMG_1.jpg", "light green", 1, {1, 1}),
                        Listed("y/IMG_1 (1).jpg", "light green", 1, {1, 3}),
                        Listed("z/copy.bin", "green", 2, {1, 5}),
                        Listed("z/other.bin", "green", 2, {1, 6}),
                        Listed("x/a.txt", "light blue", 3, {1, 2}),
                        Listed("y/a.txt", "light blue", 3, {1, 4}),
                        Listed("w/IMG_1.jpg", "blue", 4, {1, 7}),
                        Listed("v/IMG_1.jpg", "blue", 4, {1, 8}),
                    }));
    EXPECT_EQ(observer.optionCalls, 4);  // the four files left, once each
}

TEST(Phase2Property, ThresholdIsStrictAndSliderClamped) {
    // "a b" / "a c" have ratio 1/2: close only at slider 0 (0.4), not at 1 (0.5).
    struct Case {
        int slider;
        bool listed;
    } cases[] = {{0, true}, {1, false}, {-7, true}, {9, false}};
    for (const Case& c : cases) {
        FileCatalogue catalogue;
        catalogue.Append("/nonexistent-corvane/", "a b.txt", 4, FileId{1, 1});
        catalogue.Append("/nonexistent-corvane/", "a c.txt", 4, FileId{1, 2});
        catalogue.Append("/nonexistent-corvane/", "d e.txt", 4, FileId{1, 3});
        const std::vector<SearchOptions> script(3, SearchOptions{false, true, c.slider});
        for (const bool reference : {true, false}) {
            EXPECT_EQ(RunPhase2(catalogue, script, reference).rows.size(), c.listed ? 2u : 0u)
                << "slider " << c.slider;
        }
    }
}

}  // namespace
}  // namespace corvane
