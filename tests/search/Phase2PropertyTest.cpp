// The indexed phase 2 must give exactly the rows of the pairwise loop.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/MemorySettingsStore.h"
#include "search/MatchRules.h"
#include "search/ResultList.h"
#include "search/SearchTexts.h"
#include "support/SearchTestSupport.h"

namespace corvane {
namespace {

using testing::RecordingObserver;

struct Outcome {
    std::vector<std::tuple<std::string, MatchType, std::string>> rows;
    std::vector<std::string> rowColors;
    bool finished;
    int optionCalls;
};

using Phase2 = bool (*)(const FileCatalogue&, SearchObserver&, StopCheck&, ResultRows&);

Outcome RunPhase2(FileCatalogue& catalogue, const std::vector<SearchOptions>& script,
                  Phase2 phase2) {
    const FileCatalogue& copy = catalogue;
    MemorySettingsStore store;
    store.Write(keys::Stop, BoolText(false));
    RecordingObserver observer;
    observer.script = [&](int call) { return script[static_cast<std::size_t>(call - 1)]; };
    StopCheck stop(store);
    ResultList list;
    ResultRows rows(copy, list);
    Outcome outcome;
    outcome.finished = phase2(copy, observer, stop, rows);
    outcome.optionCalls = observer.optionCalls;
    for (const ResultRow& row : list.rows) {
        outcome.rows.emplace_back(row.path, row.type, ColourKeyword(row.type, row.shade));
        outcome.rowColors.emplace_back(ColourKeyword(row.type, row.shade));
    }
    return outcome;
}

// Names from a small vocabulary with case variants, repeated and empty words;
// few sizes, some entries without size; some files reached twice (same path)
// or under a second name (same device and inode).
FileCatalogue RandomCatalogue(std::mt19937& random) {
    static const std::vector<std::string> kWords = {"a",     "A",      "b",      "B",     "photo",
                                                    "Photo", "PHOTO",  "1.jpg",  "2.JPG", "",
                                                    "x",     "straße", "STRASSE"};
    static const std::vector<std::string> kFolders = {
        "/nonexistent-corvane/p/", "/nonexistent-corvane/q/", "/nonexistent-corvane/p/r/"};
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    FileCatalogue catalogue;
    const int count = pick(36);
    std::vector<std::tuple<std::string, std::string, std::int64_t, FileId>> made;
    for (int e = 0; e < count; ++e) {
        if (!made.empty() && pick(8) == 0) {
            const auto& [folder, name, bytes, id] = made[static_cast<std::size_t>(pick(e))];
            const auto again = std::make_tuple(folder, name, bytes, id);
            made.push_back(again);
            catalogue.Append(std::get<0>(again), std::get<1>(again), std::get<2>(again),
                             std::get<3>(again));
            continue;
        }
        std::string name;
        if (!made.empty() && pick(4) == 0) {
            name = std::get<1>(made[static_cast<std::size_t>(pick(e))]);
        } else {
            const int words = 1 + pick(4);
            for (int w = 0; w < words; ++w) {
                name += (w > 0 ? " " : "") + kWords[static_cast<std::size_t>(pick(13))];
            }
        }
        const std::string folder = kFolders[static_cast<std::size_t>(pick(3))];
        const std::int64_t bytes = pick(5) == 0 ? FileCatalogue::kNoSize : pick(3);
        FileId id{1, static_cast<std::uint64_t>(1000 + e)};
        if (!made.empty() && pick(10) == 0) {
            id = std::get<3>(made[static_cast<std::size_t>(pick(e))]);  // a hard link
        } else if (pick(10) == 0) {
            id = FileId{};  // no identity known: path only
        }
        made.emplace_back(folder, name, bytes, id);
        catalogue.Append(folder, name, bytes, id);
    }
    return catalogue;
}

std::vector<SearchOptions> RandomScript(std::mt19937& random, std::size_t count) {
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    SearchOptions options{pick(2) == 0, pick(3) != 0, pick(6)};
    std::vector<SearchOptions> script;
    const bool changing = pick(2) == 0;  // half the runs change options between outer entries
    for (std::size_t i = 0; i < count; ++i) {
        if (changing && pick(3) == 0) {
            options = SearchOptions{pick(2) == 0, pick(3) != 0, pick(6)};
        }
        script.push_back(options);
    }
    return script;
}

TEST(Phase2Property, IndexedGivesThePairwiseRows) {
    std::mt19937 random(20261207);
    int withRows = 0, withClose = 0, withShadeFlips = 0;
    for (int round = 0; round < 1500; ++round) {
        FileCatalogue catalogue = RandomCatalogue(random);
        const std::vector<SearchOptions> script = RandomScript(random, catalogue.FileCount());
        const Outcome pairwise = RunPhase2(catalogue, script, FindMatchesPairwise);
        const Outcome indexed = RunPhase2(catalogue, script, FindMatches);
        ASSERT_TRUE(pairwise.finished && indexed.finished);
        ASSERT_EQ(pairwise.optionCalls, indexed.optionCalls) << "round " << round;
        ASSERT_EQ(pairwise.rows, indexed.rows) << "round " << round;
        ASSERT_EQ(pairwise.rowColors, indexed.rowColors) << "round " << round;
        withRows += !pairwise.rows.empty();
        for (const auto& row : pairwise.rows) {
            withClose += std::get<1>(row) == MatchType::Close;
            withShadeFlips += std::get<2>(row) == "blue" || std::get<2>(row) == "red";
        }
    }
    // The generator must really produce the cases that can differ.
    EXPECT_GT(withRows, 1000);
    EXPECT_GT(withClose, 1000);
    EXPECT_GT(withShadeFlips, 1000);
}

TEST(Phase2Property, PairwiseFollowsTheWorkedExample) {
    FileCatalogue catalogue;
    catalogue.Append("/nonexistent-corvane/x/", "a.txt", FileCatalogue::kNoSize, FileId{1, 1});
    catalogue.Append("/nonexistent-corvane/x/", "b.txt", FileCatalogue::kNoSize, FileId{1, 2});
    catalogue.Append("/nonexistent-corvane/y/", "a.txt", FileCatalogue::kNoSize, FileId{1, 3});
    catalogue.Append("/nonexistent-corvane/y/", "b.txt", FileCatalogue::kNoSize, FileId{1, 4});
    const std::vector<SearchOptions> script(4, SearchOptions{true, false, 3});
    for (const Phase2 phase2 : {FindMatchesPairwise, FindMatches}) {
        const Outcome outcome = RunPhase2(catalogue, script, phase2);
        const std::vector<std::string> colours = {"light blue", "light blue", "blue", "blue"};
        EXPECT_EQ(outcome.rowColors, colours);
        ASSERT_EQ(outcome.rows.size(), 4u);
        EXPECT_EQ(std::get<0>(outcome.rows[1]), "/nonexistent-corvane/y/a.txt");
        EXPECT_EQ(std::get<0>(outcome.rows[2]), "/nonexistent-corvane/x/b.txt");
    }
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
        for (const Phase2 phase2 : {FindMatchesPairwise, FindMatches}) {
            EXPECT_EQ(RunPhase2(catalogue, script, phase2).rows.size(), c.listed ? 2u : 0u)
                << "slider " << c.slider;
        }
    }
}

}  // namespace
}  // namespace corvane
