// Whole searches on real temporary trees: rows, types, colours, one row per
// file, options changed mid-run, stop through the store, the size question.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "catalogue/SizeText.h"
#include "platform/MemorySettingsStore.h"
#include "search/FindDupes.h"
#include "search/ResultList.h"
#include "search/SearchTestSupport.h"
#include "search/SearchTexts.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::MakeFile;
using testing::MakeFolder;
using testing::RecordingObserver;
using testing::TempDir;

// (path relative to the temporary folder, type, colour keyword)
using Row = std::tuple<std::string, std::string, std::string>;

class FindDupesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }

    SearchOutcome Find(const std::vector<std::string>& folders) {
        return FindDupes(folders, catalogue, store, observer, list);
    }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        const std::string prefix = dir.path() + "/";
        for (const ResultList::Entry& entry : list.entries) {
            std::string path = entry.row.path;
            if (path.starts_with(prefix)) {
                path.erase(0, prefix.size());
            }
            rows.emplace_back(path, TypeText(entry.row.type).toStdString(), entry.colour);
        }
        return rows;
    }

    // The colours the results window will read, by row position.
    std::vector<std::string> RowColors() const {
        std::vector<std::string> colours;
        for (std::size_t r = 0; r < catalogue.RowColorCount(); ++r) {
            colours.emplace_back(catalogue.RowColor(r));
        }
        return colours;
    }

    TempDir dir;
    MemorySettingsStore store;
    RecordingObserver observer;
    FileCatalogue catalogue;
    ResultList list;
};

TEST_F(FindDupesTest, WorkedExampleGivesTwoGroupsInAlternatingShades) {
    MakeFolder(dir / "x");
    MakeFolder(dir / "y");
    MakeFile(dir / "x/a.txt", "first");
    MakeFile(dir / "x/b.txt", "12");
    MakeFile(dir / "y/a.txt", std::string(3000, 'a'));
    MakeFile(dir / "y/b.txt", "1234");
    observer.options = SearchOptions{true, false, 3};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"x/a.txt", "Exact", "light blue"},
                                        {"y/a.txt", "Exact", "light blue"},
                                        {"x/b.txt", "Exact", "blue"},
                                        {"y/b.txt", "Exact", "blue"}}));
    EXPECT_EQ(RowColors(), (std::vector<std::string>{"light blue", "light blue", "blue", "blue"}));

    // Each row carries what the results window shows, read when it was added.
    const ResultRow& row = list.entries[1].row;
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "y/a.txt").c_str(), &st), 0);
    EXPECT_EQ(row.size, 3000);
    EXPECT_EQ(row.sizeText, SizeText(3000, QLocale::system()));
    EXPECT_EQ(row.modifiedSeconds, st.st_mtime);
    EXPECT_FALSE(row.modified.isEmpty());
    EXPECT_EQ(row.id, (FileId{st.st_dev, st.st_ino}));
    EXPECT_EQ(observer.captions.back(), ComparingCaption());
    EXPECT_EQ(observer.progress.back(), 100);
    EXPECT_EQ(observer.scansFinished, 1);
}

TEST_F(FindDupesTest, SinkWithoutTextsGetsTheSameRowsAndSizesButNoTexts) {
    MakeFolder(dir / "x");
    MakeFolder(dir / "y");
    MakeFile(dir / "x/a.txt", std::string(3000, 'a'));
    MakeFile(dir / "y/a.txt", std::string(3000, 'a'));
    observer.options = SearchOptions{true, true, 3};
    list.showsTexts = false;
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"x/a.txt", "Exact", "light blue"},
                                        {"y/a.txt", "Exact", "light blue"}}));
    for (const ResultList::Entry& entry : list.entries) {
        EXPECT_EQ(entry.row.size, 3000);
        EXPECT_NE(entry.row.modifiedSeconds, 0);
        EXPECT_TRUE(entry.row.sizeText.isEmpty());
        EXPECT_TRUE(entry.row.modified.isEmpty());
    }
}

TEST_F(FindDupesTest, CloseMatchingIsNotTransitive) {
    // "p q"~"p r" and "p r"~"r s" (ratio 1/2 > 0.4), but "p q" and "r s" share nothing:
    // "r s" is listed in the second pass and takes the shade of the next group.
    for (const char* name : {"p q", "p r", "r s", "x y", "x z"}) {
        MakeFile(dir / name, "12345");
    }
    observer.options = SearchOptions{true, true, 0};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"p q", "Close", "light red"},
                                        {"p r", "Close", "light red"},
                                        {"r s", "Close", "red"},
                                        {"x y", "Close", "red"},
                                        {"x z", "Close", "red"}}));
}

TEST_F(FindDupesTest, OneRowPerFileHoweverOftenItIsReached) {
    MakeFolder(dir / "x");
    MakeFile(dir / "x/a", "1");
    MakeFile(dir / "x/b", "22");
    MakeFolder(dir / "y");
    ASSERT_EQ(::link((dir / "x/a").c_str(), (dir / "y/a").c_str()), 0);  // a hard link
    ASSERT_EQ(::symlink("x", (dir / "via-link").c_str()), 0);
    struct Case {
        const char* what;
        std::vector<std::string> folders;
        std::vector<Row> rows;
    } cases[] = {
        {"listed twice",
         {dir / "x", dir / "x"},
         {{"x/a", "Exact", "light blue"}, {"x/b", "Exact", "blue"}}},
        {"with its parent",
         {dir.path(), dir / "x"},
         {{"x/a", "Exact", "light blue"}, {"x/b", "Exact", "blue"}}},
        {"second spelling",
         {dir / "x", dir / "./x/"},
         {{"x/a", "Exact", "light blue"}, {"x/b", "Exact", "blue"}}},
        {"given through a link",
         {dir / "x", dir / "via-link"},
         {{"x/a", "Exact", "light blue"}, {"x/b", "Exact", "blue"}}},
        {"hard link", {dir / "y", dir / "x"}, {{"y/a", "Exact", "light blue"}}},
    };
    observer.options = SearchOptions{true, true, 3};
    for (const Case& c : cases) {
        EXPECT_EQ(Find(c.folders), SearchOutcome::Finished);
        EXPECT_EQ(Rows(), c.rows) << c.what;
        EXPECT_EQ(RowColors().size(), c.rows.size()) << c.what;
    }
}

TEST_F(FindDupesTest, CloseSwitchedOnDuringPhaseTwoComparesEmptySizeTexts) {
    MakeFile(dir / "Report.doc", "short");
    MakeFile(dir / "report.doc", "a good deal longer");
    struct Case {
        bool closeInPhaseOne;
        std::vector<Row> rows;
    } cases[] = {
        {false, {{"Report.doc", "Close", "light red"}, {"report.doc", "Close", "light red"}}},
        {true, {}},  // sizes known and different
    };
    for (const Case& c : cases) {
        bool comparing = false;
        observer.onCaption = [&](const QString& caption) {
            comparing = caption == ComparingCaption();
        };
        observer.script = [&](int) {
            return SearchOptions{true, comparing || c.closeInPhaseOne, 3};
        };
        EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
        EXPECT_EQ(Rows(), c.rows) << c.closeInPhaseOne;
    }
}

TEST_F(FindDupesTest, StopThroughTheStore) {
    MakeFolder(dir / "one");
    MakeFolder(dir / "two");
    MakeFile(dir / "one/a");
    MakeFile(dir / "one/b");
    MakeFile(dir / "two/a");
    const auto stopWhen = [&](const QString& wanted) {
        observer.captions.clear();
        observer.onCaption = [&, wanted](const QString& caption) {
            if (caption == wanted) {
                store.Write(keys::Stop, BoolText(true));
            }
        };
    };
    // During the first folder: the second is never scanned.
    stopWhen(AnalyzingCaption(dir / "one"));
    EXPECT_EQ(Find({dir / "one", dir / "two"}), SearchOutcome::Stopped);
    EXPECT_EQ(catalogue.FileCount(), 0u);
    EXPECT_EQ(observer.captions, std::vector<QString>{AnalyzingCaption(dir / "one")});
    EXPECT_EQ(observer.scansFinished, 0);  // a stopped scan reports no skipped folders

    // At the start of phase 2: its first poll ends the run, no rows.
    stopWhen(ComparingCaption());
    EXPECT_EQ(Find({dir / "one", dir / "two"}), SearchOutcome::Stopped);
    EXPECT_EQ(catalogue.FileCount(), 3u);
    EXPECT_TRUE(list.entries.empty());

    // During the last folder with fewer than two files: no pair to poll, so it finishes.
    stopWhen(AnalyzingCaption(dir / "two"));
    EXPECT_EQ(Find({dir / "two"}), SearchOutcome::Finished);
    EXPECT_TRUE(list.entries.empty());

    // Each run writes "False" first, so a stop does not outlive its run.
    observer.onCaption = nullptr;
    EXPECT_EQ(Find({dir / "one", dir / "two"}), SearchOutcome::Finished);
    EXPECT_EQ(store.Read(keys::Stop), QStringLiteral("False"));
    EXPECT_EQ(list.entries.size(), 2u);
}

TEST_F(FindDupesTest, StopDuringALongPhaseTwoKeepsTheRowsSoFar) {
    // 300 names in two folders: every outer entry of the first folder lists a
    // pair. Reading the options is made slow (0.2 ms), so phase 2 runs long
    // enough for a poll after the first one; the stop is written there.
    for (const char* folder : {"f0", "f1"}) {
        MakeFolder(dir / folder);
        for (int i = 0; i < 300; ++i) {
            MakeFile(dir / (std::string(folder) + "/n" + std::to_string(i)));
        }
    }
    bool comparing = false;
    observer.onCaption = [&](const QString& caption) { comparing = caption == ComparingCaption(); };
    observer.script = [&](int) {
        if (comparing) {
            ::usleep(200);
        }
        return SearchOptions{true, false, 3};
    };
    int phaseTwoYields = 0;
    observer.onYield = [&](int) {
        if (comparing && ++phaseTwoYields == 2) {
            store.Write(keys::Stop, BoolText(true));
        }
    };
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Stopped);
    EXPECT_EQ(phaseTwoYields, 2);
    EXPECT_GT(list.entries.size(), 0u);
    EXPECT_LT(list.entries.size(), 600u);
    EXPECT_EQ(RowColors().size(), list.entries.size());
}

TEST_F(FindDupesTest, AsksBeforeComparingMoreThanTwentyThousandFiles) {
    for (int f = 0; f < 20; ++f) {
        MakeFolder(dir / std::to_string(f));
        for (int i = 0; i < 1000; ++i) {
            MakeFile(dir / (std::to_string(f) + "/" + std::to_string(i)));
        }
    }
    observer.options = SearchOptions{true, false, 3};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);  // exactly 20,000: no question
    EXPECT_TRUE(observer.questions.empty());
    EXPECT_EQ(list.entries.size(), 20000u);

    MakeFile(dir / "one more");
    observer.answer = false;
    EXPECT_EQ(Find({dir.path(), dir / "nothing-here"}), SearchOutcome::Declined);
    ASSERT_EQ(observer.questions.size(), 1u);
    EXPECT_EQ(observer.questions[0], (std::pair<std::size_t, std::size_t>{2, 20001}));
    EXPECT_EQ(catalogue.FileCount(), 20001u);
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(catalogue.RowColorCount(), 0u);
}

TEST_F(FindDupesTest, EmptyFolderListTouchesNothing) {
    MakeFolder(dir / "x");
    MakeFolder(dir / "y");
    MakeFile(dir / "x/a");
    MakeFile(dir / "y/a");
    observer.options = SearchOptions{true, false, 3};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Find({}), SearchOutcome::NoFolders);
    EXPECT_EQ(catalogue.FileCount(), 2u);
    EXPECT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(RowColors().size(), 2u);
}

}  // namespace
}  // namespace corvane
