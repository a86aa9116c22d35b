// Whole searches on real temporary trees: rows, types, colours, one row per
// file, options changed mid-run, a stop, the size question.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "actions/SearchTexts.h"
#include "search/FindDupes.h"
#include "support/SearchTestSupport.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::MakeFolder;
using testing::RecordingObserver;
using testing::TempDir;
using testing::WriteFile;

// (path relative to the temporary folder, type, colour keyword)
using Row = std::tuple<std::string, std::string, std::string>;

class FindDupesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }

    SearchOutcome Find(const std::vector<std::string>& folders) {
        return FindDupes(folders, catalogue, stop, observer, results);
    }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        const std::string prefix = dir.path() + "/";
        for (const ResultRow& row : results) {
            std::string path = row.path;
            if (path.starts_with(prefix)) {
                path.erase(0, prefix.size());
            }
            rows.emplace_back(path, TypeName(row.type), ColourKeyword(row.type, row.shade));
        }
        return rows;
    }

    std::vector<std::uint32_t> Groups() const {
        std::vector<std::uint32_t> groups;
        for (const ResultRow& row : results) {
            groups.push_back(row.group);
        }
        return groups;
    }

    TempDir dir;
    StopToken stop;
    RecordingObserver observer;
    FileCatalogue catalogue;
    ResultRows results;
};

TEST_F(FindDupesTest, WorkedExampleGivesTwoGroupsInAlternatingShades) {
    MakeFolder(dir / "x");
    MakeFolder(dir / "y");
    WriteFile(dir / "x/a.txt", "first");
    WriteFile(dir / "x/b.txt", "12");
    WriteFile(dir / "y/a.txt", std::string(3000, 'a'));
    WriteFile(dir / "y/b.txt", "1234");
    observer.options = SearchOptions{true, false, 3};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"x/a.txt", "Exact", "light blue"},
                                        {"y/a.txt", "Exact", "light blue"},
                                        {"x/b.txt", "Exact", "blue"},
                                        {"y/b.txt", "Exact", "blue"}}));
    EXPECT_EQ(Groups(), (std::vector<std::uint32_t>{1, 1, 2, 2}));

    // Each row carries the file as it was when the row was added, to the
    // nanosecond, so a later send can tell whether it changed.
    const ResultRow& row = results[1];
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "y/a.txt").c_str(), &st), 0);
    EXPECT_TRUE(row.stamped);
    EXPECT_EQ(row.stamp, StampOf(st));
    EXPECT_EQ(row.stamp.size, 3000);
    EXPECT_EQ(observer.captions.back(), ComparingCaption());
    EXPECT_EQ(observer.progress.back(), 100);
}

// Same Contents on: renamed copies first, then the name rules on the files
// left, captions counting three phases. Off: the catalogue (no sizes with
// Close off), captions and rows of the name search alone.
TEST_F(FindDupesTest, SameContentsComesFirstAndOffChangesNothing) {
    MakeFolder(dir / "x");
    MakeFolder(dir / "y");
    WriteFile(dir / "x/a.txt", "alpha");
    WriteFile(dir / "y/renamed.txt", "alpha");
    WriteFile(dir / "x/b.txt", "beta");
    WriteFile(dir / "y/b.txt", "gamma!");
    WriteFile(dir / "y/a.txt", "other");  // its namesake is in a group
    observer.options = SearchOptions{true, false, 3, true};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"x/a.txt", "Same", "light green"},
                                        {"y/renamed.txt", "Same", "light green"},
                                        {"x/b.txt", "Exact", "light blue"},
                                        {"y/b.txt", "Exact", "light blue"}}));
    EXPECT_EQ(Groups(), (std::vector<std::uint32_t>{1, 1, 2, 2}));
    EXPECT_TRUE(results[0].stamped && results[1].stamped);
    EXPECT_EQ(observer.captions.front(), AnalyzingCaption(dir.path(), true));
    EXPECT_EQ(observer.captions.back(), ComparingCaption(true));
    EXPECT_EQ(std::count(observer.captions.begin(), observer.captions.end(), ContentsCaption()), 1);

    observer = RecordingObserver();
    observer.options = SearchOptions{true, false, 3, false};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"x/a.txt", "Exact", "light blue"},
                                        {"y/a.txt", "Exact", "light blue"},
                                        {"x/b.txt", "Exact", "blue"},
                                        {"y/b.txt", "Exact", "blue"}}));
    EXPECT_EQ(observer.captions.front(), AnalyzingCaption(dir.path()));
    EXPECT_EQ(observer.captions.back(), ComparingCaption());
    for (std::size_t e = 0; e < catalogue.FileCount(); ++e) {
        EXPECT_EQ(catalogue.Bytes(e), FileCatalogue::kNoSize);
    }
}

TEST_F(FindDupesTest, CloseMatchingIsNotTransitive) {
    // "p q"~"p r" and "p r"~"r s" (ratio 1/2 > 0.4), but "p q" and "r s" share nothing:
    // "r s" is listed in the second pass and takes the shade of the next group.
    for (const char* name : {"p q", "p r", "r s", "x y", "x z"}) {
        WriteFile(dir / name, "12345");
    }
    observer.options = SearchOptions{true, true, 0};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"p q", "Close", "light red"},
                                        {"p r", "Close", "light red"},
                                        {"r s", "Close", "red"},
                                        {"x y", "Close", "red"},
                                        {"x z", "Close", "red"}}));
    // "r s" still belongs with the file it matched, not with the next group.
    EXPECT_EQ(Groups(), (std::vector<std::uint32_t>{1, 1, 1, 2, 2}));
}

TEST_F(FindDupesTest, AFileNeverMatchesItselfAndGetsOneRow) {
    MakeFolder(dir / "x");
    WriteFile(dir / "x/a", "1");
    WriteFile(dir / "x/b", "22");
    MakeFolder(dir / "y");
    ASSERT_EQ(::link((dir / "x/a").c_str(), (dir / "y/a").c_str()), 0);  // a hard link
    MakeFolder(dir / "z");
    WriteFile(dir / "z/a", "333");  // another file of the same name
    ASSERT_EQ(::symlink("x", (dir / "via-link").c_str()), 0);
    const std::vector<Row> copyPair = {{"x/a", "Exact", "light blue"},
                                       {"z/a", "Exact", "light blue"}};
    struct Case {
        const char* what;
        std::vector<std::string> folders;
        std::vector<Row> rows;
    } cases[] = {
        {"listed twice", {dir / "x", dir / "x", dir / "z"}, copyPair},
        {"with its parent", {dir.path(), dir / "x"}, copyPair},
        {"second spelling", {dir / "x", dir / "./x/", dir / "z"}, copyPair},
        {"given through a link", {dir / "x", dir / "via-link", dir / "z"}, copyPair},
        {"hard link, nothing else", {dir / "y", dir / "x"}, {}},
        {"hard link and a copy",
         {dir / "y", dir / "x", dir / "z"},
         {{"y/a", "Exact", "light blue"}, {"z/a", "Exact", "light blue"}}},
    };
    observer.options = SearchOptions{true, true, 3};
    for (const Case& c : cases) {
        EXPECT_EQ(Find(c.folders), SearchOutcome::Finished);
        EXPECT_EQ(Rows(), c.rows) << c.what;
    }
}

TEST_F(FindDupesTest, CloseSwitchedOnDuringPhaseTwoComparesEmptySizeTexts) {
    WriteFile(dir / "Report.doc", "short");
    WriteFile(dir / "report.doc", "a good deal longer");
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

TEST_F(FindDupesTest, StopThroughTheToken) {
    MakeFolder(dir / "one");
    MakeFolder(dir / "two");
    WriteFile(dir / "one/a");
    WriteFile(dir / "one/b");
    WriteFile(dir / "two/a");
    const auto stopWhen = [&](const QString& wanted) {
        stop.Reset();
        observer.captions.clear();
        observer.onCaption = [&, wanted](const QString& caption) {
            if (caption == wanted) {
                stop.Stop();
            }
        };
    };
    // During the first folder: the second is never scanned.
    stopWhen(AnalyzingCaption(dir / "one"));
    EXPECT_EQ(Find({dir / "one", dir / "two"}), SearchOutcome::Stopped);
    EXPECT_EQ(catalogue.FileCount(), 0u);
    EXPECT_EQ(observer.captions, std::vector<QString>{AnalyzingCaption(dir / "one")});

    // At the start of phase 2: its first poll ends the run, no rows.
    stopWhen(ComparingCaption());
    EXPECT_EQ(Find({dir / "one", dir / "two"}), SearchOutcome::Stopped);
    EXPECT_EQ(catalogue.FileCount(), 3u);
    EXPECT_TRUE(results.empty());

    // During the last folder with fewer than two files: no pair to poll, so it finishes.
    stopWhen(AnalyzingCaption(dir / "two"));
    EXPECT_EQ(Find({dir / "two"}), SearchOutcome::Finished);
    EXPECT_TRUE(results.empty());
}

TEST_F(FindDupesTest, StopDuringALongPhaseTwoKeepsTheRowsSoFar) {
    // 300 names in two folders: every outer entry of the first folder lists a
    // pair. Reading the options is made slow (0.2 ms), so phase 2 runs long
    // enough for polls after the first one; the stop comes at the 50th outer
    // entry and is seen within 20 ms.
    for (const char* folder : {"f0", "f1"}) {
        MakeFolder(dir / folder);
        for (int i = 0; i < 300; ++i) {
            WriteFile(dir / (std::string(folder) + "/n" + std::to_string(i)));
        }
    }
    bool comparing = false;
    int outerEntries = 0;
    observer.onCaption = [&](const QString& caption) { comparing = caption == ComparingCaption(); };
    observer.script = [&](int) {
        if (comparing) {
            ::usleep(200);
            if (++outerEntries == 50) {
                stop.Stop();
            }
        }
        return SearchOptions{true, false, 3};
    };
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Stopped);
    EXPECT_GT(results.size(), 0u);
    EXPECT_LT(results.size(), 600u);
}

TEST_F(FindDupesTest, AsksBeforeComparingMoreThanTwentyThousandFiles) {
    for (int f = 0; f < 20; ++f) {
        MakeFolder(dir / std::to_string(f));
        for (int i = 0; i < 1000; ++i) {
            WriteFile(dir / (std::to_string(f) + "/" + std::to_string(i)));
        }
    }
    observer.options = SearchOptions{true, false, 3};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);  // exactly 20,000: no question
    EXPECT_TRUE(observer.questions.empty());
    EXPECT_EQ(results.size(), 20000u);
    // Read on two threads, folder by folder; each row has its own file's stamp.
    for (const ResultRow& row : results) {
        struct stat st {};
        ASSERT_EQ(::lstat(row.path.c_str(), &st), 0);
        ASSERT_TRUE(row.stamped && row.stamp == StampOf(st)) << row.path;
    }

    WriteFile(dir / "one more");
    observer.answer = false;
    EXPECT_EQ(Find({dir.path(), dir / "nothing-here"}), SearchOutcome::Declined);
    ASSERT_EQ(observer.questions.size(), 1u);
    EXPECT_EQ(observer.questions[0], (std::pair<std::size_t, std::size_t>{2, 20001}));
    EXPECT_EQ(catalogue.FileCount(), 20001u);
    EXPECT_TRUE(results.empty());
}

TEST_F(FindDupesTest, RowsCarryTheirFilesStampsHoweverTheFolderIsSpelled) {
    // The rows' files are read after phase 2, by folder: relative folders,
    // doubled slashes, "." and ".." and a link given as the folder included.
    // x and x/y hold enough rows to be opened for them; x/y/z is read by path.
    MakeFolder(dir / "x");
    MakeFolder(dir / "x/y");
    MakeFolder(dir / "x/y/z");
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h"}) {
        WriteFile(dir / "x/" + name, "1");
        WriteFile(dir / "x/y/" + name, "22");
    }
    WriteFile(dir / "x/y/z/a", "333");
    ASSERT_EQ(::symlink("x", (dir / "link").c_str()), 0);
    const int home = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    observer.options = SearchOptions{true, false, 3};
    for (const std::string& folder :
         std::vector<std::string>{"x", "./x/", "x//", "x/y/..", "link", dir / "x"}) {
        EXPECT_EQ(Find({folder}), SearchOutcome::Finished);
        ASSERT_EQ(results.size(), 17u) << folder;
        for (const ResultRow& row : results) {
            struct stat st {};
            ASSERT_EQ(::lstat(row.path.c_str(), &st), 0) << row.path;
            EXPECT_TRUE(row.stamped) << row.path;
            EXPECT_EQ(row.stamp, StampOf(st)) << row.path;
        }
    }
    ASSERT_EQ(::fchdir(home), 0);
    ::close(home);
}

TEST_F(FindDupesTest, SizesPastFourGibibytesStayWhole) {
    // 4 GiB + 10 bytes (sparse) and 10 bytes are equal in 32 bits: a size cut
    // short anywhere would make "a b.bin" and "a c.bin" a close pair.
    const std::int64_t big = (std::int64_t{1} << 32) + 10;
    const auto makeSparse = [&](const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, big), 0);
        ::close(fd);
    };
    WriteFile(dir / "a b.bin", "0123456789");
    makeSparse(dir / "a c.bin");
    observer.options = SearchOptions{false, true, 0};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Rows(), std::vector<Row>{});
    ASSERT_EQ(catalogue.FileCount(), 2u);
    EXPECT_EQ(catalogue.Bytes(1), big);

    // A second file of that size pairs with it, and the rows show the whole size.
    makeSparse(dir / "a d.bin");
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"a c.bin", "Close", "light red"},
                                        {"a d.bin", "Close", "light red"}}));
    for (const ResultRow& row : results) {
        EXPECT_EQ(row.stamp.size, big);
    }
}

TEST_F(FindDupesTest, EmptyFolderListTouchesNothing) {
    MakeFolder(dir / "x");
    MakeFolder(dir / "y");
    WriteFile(dir / "x/a");
    WriteFile(dir / "y/a");
    observer.options = SearchOptions{true, false, 3};
    EXPECT_EQ(Find({dir.path()}), SearchOutcome::Finished);
    EXPECT_EQ(Find({}), SearchOutcome::NoFolders);
    EXPECT_EQ(catalogue.FileCount(), 2u);
    EXPECT_EQ(results.size(), 2u);
}

}  // namespace
}  // namespace corvane
