// Phase 1 on real temporary trees: order, what is skipped, odd names, refusals, stop.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "actions/SearchTexts.h"
#include "search/FolderScan.h"
#include "support/SearchTestSupport.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::MakeFolder;
using testing::RecordingObserver;
using testing::TempDir;
using testing::WriteFile;

struct Scanned {
    std::vector<std::string> pending;
    std::vector<std::string> paths;  // catalogue entries as FileFolder + FileName
};

class FolderScanTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }

    Scanned Scan(const std::string& folder) {
        StopCheck check(stop);
        FolderScan scan(catalogue, observer, check);
        scan.SetListedHook(hook);
        scan.ScanFolder(folder);
        Scanned result{scan.PendingFolders(), {}};
        for (std::size_t i = 0; i < catalogue.FileCount(); ++i) {
            result.paths.push_back(catalogue.FullPath(i));
        }
        return result;
    }

    TempDir dir;
    StopToken stop;
    RecordingObserver observer;
    FileCatalogue catalogue;
    std::function<void(const std::string&)> hook;
};

TEST_F(FolderScanTest, PendingFoldersInPreOrderAndFilesFolderByFolderInByteOrder) {
    const std::string a = dir / "A";
    for (const char* folder : {"", "/B", "/B/C", "/D", "/b"}) {
        MakeFolder(a + folder);
    }
    for (const char* file : {"/z", "/Z", "/a\xff", "/_", "/B/x", "/B/C/y", "/D/w", "/b/v"}) {
        WriteFile(a + file);
    }
    const Scanned scanned = Scan(a);
    EXPECT_EQ(scanned.pending,
              (std::vector<std::string>{a + "/", a + "/B/", a + "/B/C/", a + "/D/", a + "/b/"}));
    EXPECT_EQ(scanned.paths,
              (std::vector<std::string>{a + "/Z", a + "/_", a + "/a\xff", a + "/z", a + "/B/x",
                                        a + "/B/C/y", a + "/D/w", a + "/b/v"}));
    // Entries split exactly into folder and name.
    EXPECT_EQ(catalogue.FileFolder(4), a + "/B/");
    EXPECT_EQ(catalogue.FileName(4), "x");
    EXPECT_EQ(observer.captions, (std::vector<QString>{AnalyzingCaption(a), ProductCaption()}));
    // Progress by pending folder: 0 while the first is listed, 100 at the end.
    EXPECT_EQ(observer.progress, (std::vector<int>{0, 0, 20, 40, 60, 80, 100}));
}

TEST_F(FolderScanTest, SkipsHiddenEntriesLinksAndSpecialFiles) {
    const std::string t = dir.path();
    WriteFile(t + "/plain");
    WriteFile(t + "/.hidden");
    MakeFolder(t + "/.git");
    WriteFile(t + "/.git/inside");
    MakeFolder(t + "/sub");
    WriteFile(t + "/sub/deep");
    ASSERT_EQ(::symlink("plain", (t + "/link-to-file").c_str()), 0);
    ASSERT_EQ(::symlink("sub", (t + "/link-to-folder").c_str()), 0);
    ASSERT_EQ(::symlink("..", (t + "/sub/loop").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (t + "/dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((t + "/fifo").c_str(), 0644), 0);

    const Scanned scanned = Scan(t);
    EXPECT_EQ(scanned.pending, (std::vector<std::string>{t + "/", t + "/sub/"}));
    EXPECT_EQ(scanned.paths, (std::vector<std::string>{t + "/plain", t + "/sub/deep"}));
    EXPECT_TRUE(observer.skipped.empty());
}

TEST_F(FolderScanTest, KeepsOddNamesAsTheirBytes) {
    const std::string longName(255, 'n');
    // In byte order, as the scan lists them.
    const std::vector<std::string> names = {"back\\slash", "cr\rname", "latin\xe9",
                                            "lf\nname",    longName,   "tab\tname"};
    for (const std::string& name : names) {
        WriteFile(dir / name);
    }
    const Scanned scanned = Scan(dir.path());
    ASSERT_EQ(catalogue.FileCount(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(catalogue.FileName(i), names[i]);  // names is in byte order
        EXPECT_EQ(catalogue.FileFolder(i), dir.path() + "/");
    }
}

TEST_F(FolderScanTest, OneTrailingSlashGoesAndTheCaptionShowsTheFolderAsGiven) {
    WriteFile(dir / "f");
    struct Case {
        std::string given, queued;
    } cases[] = {{dir.path(), dir.path() + "/"},
                 {dir.path() + "/", dir.path() + "/"},
                 {dir.path() + "//", dir.path() + "//"}};
    for (const Case& c : cases) {
        catalogue.Reset();
        observer.captions.clear();
        const Scanned scanned = Scan(c.given);
        EXPECT_EQ(scanned.pending.front(), c.queued);
        EXPECT_EQ(scanned.paths, std::vector<std::string>{c.queued + "f"});
        EXPECT_EQ(observer.captions.front(), AnalyzingCaption(c.given));
    }
}

TEST_F(FolderScanTest, RootKeepsItsSlash) {
    // Stopped before it starts: only the start of a scan of "/" is looked at.
    stop.Stop();
    const Scanned scanned = Scan("/");
    EXPECT_EQ(observer.captions,
              std::vector<QString>{QStringLiteral("Corvane [Analyzing / folder - phase 1 of 2]")});
    EXPECT_EQ(scanned.pending.front(), "/");
    EXPECT_EQ(catalogue.FileCount(), 0u);
}

TEST_F(FolderScanTest, EmptyTextOnlyResetsTheProgress) {
    const Scanned scanned = Scan("");
    EXPECT_EQ(observer.progress, std::vector<int>{0});
    EXPECT_TRUE(observer.captions.empty());
    EXPECT_TRUE(scanned.pending.empty());
}

TEST_F(FolderScanTest, FoldersThatCannotBeListedAreReportedOnceAndSkipped) {
    WriteFile(dir / "file");
    struct Case {
        std::string folder, reported;
    } cases[] = {{dir / "file", dir / "file/"}, {dir / "missing/", dir / "missing/"}};
    for (const Case& c : cases) {
        observer.skipped.clear();
        const Scanned scanned = Scan(c.folder);
        ASSERT_EQ(observer.skipped.size(), 1u) << c.folder;
        EXPECT_EQ(observer.skipped[0].first, c.reported);
        EXPECT_NE(observer.skipped[0].second, 0);
        EXPECT_TRUE(scanned.paths.empty());
    }
}

TEST_F(FolderScanTest, FolderThatVanishesDuringTheWalkIsSkipped) {
    const std::string t = dir.path();
    MakeFolder(t + "/gone");
    WriteFile(t + "/gone/f");
    MakeFolder(t + "/kept");
    WriteFile(t + "/kept/g");
    WriteFile(t + "/top");
    // Removed once the top folder is listed, before "gone" is opened.
    hook = [&](const std::string& folder) {
        if (folder == t + "/") {
            std::remove((t + "/gone/f").c_str());
            ::rmdir((t + "/gone").c_str());
        }
    };
    const Scanned scanned = Scan(t);
    EXPECT_EQ(scanned.pending, (std::vector<std::string>{t + "/", t + "/gone/", t + "/kept/"}));
    ASSERT_EQ(observer.skipped.size(), 1u);
    EXPECT_EQ(observer.skipped[0].first, t + "/gone/");
    EXPECT_EQ(scanned.paths, (std::vector<std::string>{t + "/top", t + "/kept/g"}));
    EXPECT_EQ(observer.progress, (std::vector<int>{0, 0, 33, 66, 100}));
}

TEST_F(FolderScanTest, SizesAreRecordedOnlyWhileCloseMatchesIsOn) {
    for (const char* name : {"a", "b", "c"}) {
        WriteFile(dir / name, "12345");
    }
    // Close Matches on for the first file only: the box is read per file
    // (call 1 is the walk's, before any file: whether to list times).
    observer.script = [](int call) { return SearchOptions{true, call == 2, 3}; };
    Scan(dir.path());
    ASSERT_EQ(catalogue.FileCount(), 3u);
    EXPECT_EQ(catalogue.FileBytes(0), "5");
    EXPECT_EQ(catalogue.FileBytes(1), "");
    EXPECT_EQ(catalogue.FileBytes(2), "");
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "b").c_str(), &st), 0);
    EXPECT_EQ(catalogue.Id(1), (FileId{st.st_dev, st.st_ino}));
}

// A search by contents keeps each file's whole stamp from its listing; a
// search by names keeps no times.
TEST_F(FolderScanTest, OnlyASearchByContentsKeepsTheListedStamps) {
    WriteFile(dir / "a", "12345");
    for (const bool contents : {false, true}) {
        observer.script = [contents](int) { return SearchOptions{true, false, 3, contents}; };
        catalogue.Reset();
        Scan(dir.path());
        ASSERT_EQ(catalogue.FileCount(), 1u);
        EXPECT_EQ(catalogue.Stamp(0),
                  contents ? std::optional<FileStamp>(StatPath(dir / "a").stamp) : std::nullopt);
    }
}

TEST_F(FolderScanTest, StopDuringTheWalkCataloguesNothing) {
    MakeFolder(dir / "s1");
    MakeFolder(dir / "s2");
    WriteFile(dir / "f");
    WriteFile(dir / "s2/g");
    hook = [&](const std::string& folder) {
        if (folder == dir.path() + "/") {
            stop.Stop();
        }
    };
    const Scanned scanned = Scan(dir.path());
    EXPECT_TRUE(scanned.paths.empty());
    EXPECT_EQ(observer.captions.size(), 1u);  // the phase-1 caption stays
}

TEST_F(FolderScanTest, StopWhileFoldersAreBeingReadEndsTheWalkThere) {
    // Eleven folders. The third one listed trips the token, and later ones
    // wait 20 ms each: the listing threads look at the token themselves, so
    // each can only have gone one folder further.
    for (int i = 0; i < 10; ++i) {
        MakeFolder(dir / ("sub" + std::to_string(i)));
        WriteFile(dir / ("sub" + std::to_string(i) + "/f"));
    }
    std::atomic<int> listed{0};
    hook = [&](const std::string&) {
        const int n = ++listed;
        if (n == 3) {
            stop.Stop();
        }
        if (n > 3) {
            ::usleep(20000);
        }
    };
    const Scanned scanned = Scan(dir.path());
    EXPECT_TRUE(scanned.paths.empty());
    EXPECT_LE(listed, 5);
    EXPECT_EQ(observer.captions.size(), 1u);  // no end of phase 1
}

// The order a plain one-thread recursive walk gives: the folder's files in
// byte order, then each subfolder's tree in byte order of their names.
void OneThreadWalk(const std::string& folder, std::vector<std::string>& paths) {
    std::vector<std::string> files, folders;
    DIR* dir = ::opendir(folder.c_str());
    while (const dirent* entry = dir != nullptr ? ::readdir(dir) : nullptr) {
        struct stat st {};
        if (entry->d_name[0] == '.' ||
            ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            folders.push_back(entry->d_name);
        } else if (S_ISREG(st.st_mode)) {
            files.push_back(entry->d_name);
        }
    }
    if (dir != nullptr) {
        ::closedir(dir);
    }
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    for (const std::string& file : files) {
        paths.push_back(folder + "/" + file);
    }
    for (const std::string& sub : folders) {
        OneThreadWalk(folder + "/" + sub, paths);
    }
}

TEST_F(FolderScanTest, CatalogueOrderIsTheOneThreadWalksWhateverTheShape) {
    // Random trees of random byte names (no "/", no NUL, no leading "."),
    // each scanned several times: however the folders are shared out for
    // reading, the catalogue comes out in the same order.
    struct Shape {
        int depth, maxFolders, maxFiles;
    } shapes[] = {{1, 400, 3}, {4, 6, 4}, {9, 3, 2}};
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto name = [&]() {
        std::string bytes(static_cast<std::size_t>(1 + pick(6)), 'a');
        for (char& c : bytes) {
            do {
                c = static_cast<char>(1 + pick(255));
            } while (c == '/');
        }
        if (bytes[0] == '.') {
            bytes[0] = '_';
        }
        return bytes;
    };
    for (const Shape& shape : shapes) {
        const std::string top = dir / ("shape" + std::to_string(shape.depth));
        MakeFolder(top);
        std::vector<std::pair<std::string, int>> todo{{top, 0}};
        while (!todo.empty()) {
            const auto [folder, depth] = todo.back();
            todo.pop_back();
            for (int f = pick(shape.maxFiles + 1); f > 0; --f) {
                WriteFile(folder + "/" + name());
            }
            for (int s = depth < shape.depth ? pick(shape.maxFolders + 1) : 0; s > 0; --s) {
                const std::string sub = folder + "/" + name();
                MakeFolder(sub);
                todo.emplace_back(sub, depth + 1);
            }
        }
        std::vector<std::string> expected;
        OneThreadWalk(top, expected);
        for (int run = 0; run < 5; ++run) {
            catalogue.Reset();
            EXPECT_EQ(Scan(top).paths, expected) << "depth " << shape.depth << ", run " << run;
        }
    }
}

}  // namespace
}  // namespace corvane
