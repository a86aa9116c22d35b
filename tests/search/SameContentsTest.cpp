// Same Contents on real trees: the groups equal a plain grouping by whole
// bytes done here, the stages read only what tells files apart, and files
// that cannot be read or change while read are never grouped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "search/ContentStages.h"
#include "search/SameContents.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::Pattern;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr std::size_t kBlock = kEdgeBlockBytes;
constexpr auto kTail = static_cast<std::size_t>(kTailFromBytes);

FileId IdOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return FileId{st.st_dev, st.st_ino};
}

// A catalogue of `paths` in the given order, as phase 1 would make it: with
// each file's whole stamp (as a search by contents keeps it) or without.
void Catalogue(FileCatalogue& catalogue, const std::vector<std::string>& paths,
               bool withTimes = false) {
    for (const std::string& path : paths) {
        const std::size_t slash = path.rfind('/') + 1;
        const std::string folder = path.substr(0, slash);
        if (withTimes) {
            catalogue.Append(folder, path.substr(slash), StatPath(path).stamp);
        } else {
            catalogue.Append(folder, path.substr(slash),
                             static_cast<std::int64_t>(ReadFile(path).size()), IdOf(path));
        }
    }
}

// The groups done the plain way: the first entry of each file (device and
// inode) of size > 0, grouped by all of its bytes.
std::vector<std::vector<std::size_t>> Reference(const FileCatalogue& catalogue) {
    std::map<std::string, std::vector<std::size_t>> byBytes;
    std::vector<FileId> seen;
    for (std::size_t i = 0; i < catalogue.FileCount(); ++i) {
        if (std::find(seen.begin(), seen.end(), catalogue.Id(i)) != seen.end()) {
            continue;
        }
        seen.push_back(catalogue.Id(i));
        const std::string bytes = ReadFile(catalogue.FullPath(i));
        if (!bytes.empty()) {
            byBytes[bytes].push_back(i);
        }
    }
    std::vector<std::vector<std::size_t>> groups;
    for (const auto& [bytes, entries] : byBytes) {
        if (entries.size() >= 2) {
            groups.push_back(entries);
        }
    }
    std::sort(groups.begin(), groups.end());
    return groups;
}

// The least the stages can read: heads of files sharing a size, tails of
// those (longer than kTailFromBytes) sharing a head, and the rest of those
// sharing every earlier key.
std::uint64_t LeastBytes(const FileCatalogue& catalogue) {
    std::map<std::size_t, std::vector<std::string>> bySize;
    std::vector<FileId> seen;
    for (std::size_t i = 0; i < catalogue.FileCount(); ++i) {
        if (std::find(seen.begin(), seen.end(), catalogue.Id(i)) == seen.end() &&
            catalogue.Bytes(i) > 0) {
            seen.push_back(catalogue.Id(i));
            bySize[static_cast<std::size_t>(catalogue.Bytes(i))].push_back(
                ReadFile(catalogue.FullPath(i)));
        }
    }
    const auto sharing = [](const std::vector<std::string>& keys, std::size_t k) {
        return std::count(keys.begin(), keys.end(), keys[k]) >= 2;
    };
    std::uint64_t least = 0;
    for (const auto& [size, files] : bySize) {
        if (files.size() < 2) {
            continue;
        }
        std::vector<std::string> heads, tails;
        for (const std::string& bytes : files) {
            heads.push_back(bytes.substr(0, kBlock));
            tails.push_back(heads.back() + (size > kTail ? bytes.substr(size - kBlock) : ""));
            least += std::min(size, kBlock);
        }
        for (std::size_t k = 0; k < files.size(); ++k) {
            const bool tailRead = size > kTail && sharing(heads, k);
            least += tailRead ? kBlock : 0;
            if (size > kBlock && sharing(size > kTail ? tails : heads, k)) {
                least += size - kBlock - (size > kTail ? kBlock : 0);
            }
        }
    }
    return least;
}

std::vector<std::vector<std::size_t>> GroupsOf(const SameContentsResult& result) {
    std::vector<std::vector<std::size_t>> groups;
    for (const SameContentGroup& group : result.groups) {
        groups.push_back(group.entries);
    }
    EXPECT_TRUE(std::is_sorted(groups.begin(), groups.end()));  // by first entry
    return groups;
}

class SameContentsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }
    SameContentsOptions Options(bool cache) const {
        SameContentsOptions options;
        options.useCache = cache;
        options.cacheFolder = dir / "cache";
        return options;
    }
    TempDir dir;
};

// Random trees of copies, near copies (one byte changed at a stage's edge),
// hard links and sizes around every stage boundary, a folder catalogued
// twice: the groups are those of the plain grouping, and the bytes read are
// the least the stages can read; a second run with the cache reads nothing.
TEST_F(SameContentsTest, GroupsEqualAPlainGroupingByBytesOnRandomTrees) {
    const std::vector<std::size_t> sizes = {
        1,         kBlock - 1, kBlock,    kBlock + 1,         2 * kBlock,
        kTail - 1, kTail,      kTail + 1, kTail + kBlock + 1, 3 * kTail};
    for (unsigned seed = 1; seed <= 4; ++seed) {
        std::mt19937 random(seed);
        const std::string root = dir / ("tree" + std::to_string(seed));
        testing::MakeFolder(root);
        testing::MakeFolder(root + "/sub");
        std::vector<std::string> paths, bases;
        for (int f = 0; f < 40; ++f) {
            const std::string path = root + (f % 3 == 0 ? "/sub/f" : "/f") + std::to_string(f);
            const unsigned kind = random() % 5;
            if (bases.empty() || kind == 0) {
                bases.push_back(Pattern(sizes[random() % sizes.size()], random()));
                WriteFile(path, bases.back());
            } else if (kind == 1 && !paths.empty()) {
                ::link(paths[random() % paths.size()].c_str(), path.c_str());
            } else if (kind == 2) {
                std::string near = bases[random() % bases.size()];
                const std::size_t at[] = {
                    0, kBlock - 1, kBlock, near.size() / 2, near.size() - 1, near.size() - kBlock};
                const std::size_t byte = at[random() % 6];
                if (byte < near.size()) {
                    near[byte] = static_cast<char>(near[byte] ^ 0x55);
                }
                WriteFile(path, near);
            } else {
                WriteFile(path, kind == 3 && f % 7 == 0 ? "" : bases[random() % bases.size()]);
            }
            paths.push_back(path);
        }
        std::shuffle(paths.begin(), paths.end(), random);
        for (const std::string& path : std::vector<std::string>(paths)) {
            if (path.find("/sub/") != std::string::npos) {
                paths.push_back(path);  // the folder and its subfolder both listed
            }
        }
        FileCatalogue catalogue;
        Catalogue(catalogue, paths);
        const auto expected = Reference(catalogue);
        const std::uint64_t least = LeastBytes(catalogue);
        // Without the cache, with it empty, with it filled by the run before.
        for (const int run : {0, 1, 2}) {
            const SameContentsResult result =
                FindSameContents(catalogue, nullptr, {}, Options(run > 0));
            EXPECT_EQ(GroupsOf(result), expected) << "seed " << seed << " run " << run;
            EXPECT_TRUE(result.ungrouped.empty());
            EXPECT_FALSE(result.stopped);
            EXPECT_EQ(result.bytesRead, run < 2 ? least : 0) << "seed " << seed << " run " << run;
        }
        ::unlink((dir / "cache/digests").c_str());
    }
}

// Puts a file's modification time back to what it was, so that only its
// change time tells it was rewritten.
void RewriteKeepingTimes(const std::string& path, const std::string& bytes) {
    struct stat before {};
    ::stat(path.c_str(), &before);
    WriteFile(path, bytes);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string Flipped(std::string bytes, std::size_t at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    return bytes;
}

// A file that changes while it is read, or between its stages, is never
// grouped and is reported; its copies still group with each other.
TEST_F(SameContentsTest, FilesChangedWhileReadAreReportedNotGrouped) {
    const std::string big = Pattern(kTail + 3 * kBlock, 3);
    struct Case {
        const char* name;
        std::size_t trigger;      // whose reads are counted
        std::size_t readsBefore;  // of that file, before the change
        std::string newBytes;
    } cases[] = {
        {"during its head, same size and time", 0, 0, Flipped(big, 10)},
        {"during its tail", 0, 1, Flipped(big, 20)},
        {"during its whole read, grown", 0, 2, big + "x"},
        {"between its stages, only the change time tells", 1, 1, Flipped(big, big.size() / 2)},
    };
    for (const Case& c : cases) {
        TempDir tree;
        const std::vector<std::string> paths = {tree / "changing", tree / "copy1", tree / "copy2"};
        for (const std::string& path : paths) {
            WriteFile(path, big);
        }
        FileCatalogue catalogue;
        Catalogue(catalogue, paths);
        SameContentsOptions options = Options(false);
        std::size_t reads = 0;
        options.afterRead = [&](const std::string& path) {
            if (path == paths[c.trigger] && reads++ == c.readsBefore) {
                RewriteKeepingTimes(paths[0], c.newBytes);
            }
        };
        const SameContentsResult result = FindSameContents(catalogue, nullptr, {}, options);
        ASSERT_EQ(result.ungrouped.size(), 1u) << c.name;
        EXPECT_EQ(result.ungrouped[0].entry, 0u) << c.name;
        EXPECT_EQ(result.ungrouped[0].reason, UngroupedFile::Reason::Changed) << c.name;
        EXPECT_EQ(GroupsOf(result), (std::vector<std::vector<std::size_t>>{{1, 2}})) << c.name;
    }
}

// Root reads any file: the search runs in a child that gave up root.
TEST_F(SameContentsTest, UnreadableFilesAreReportedWithTheirErrno) {
    const std::string bytes = Pattern(2 * kBlock, 4);
    const std::vector<std::string> paths = {dir / "refused", dir / "open1", dir / "open2"};
    for (const std::string& path : paths) {
        WriteFile(path, bytes);
    }
    ASSERT_EQ(::chmod(paths[0].c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    FileCatalogue catalogue;
    Catalogue(catalogue, paths);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        if (::access(paths[1].c_str(), R_OK) != 0) {
            ::_exit(3);  // the test folder lies where this user cannot go
        }
        const SameContentsResult result = FindSameContents(catalogue, nullptr, {}, Options(false));
        const bool ok = result.ungrouped.size() == 1 && result.ungrouped[0].entry == 0 &&
                        result.ungrouped[0].reason == UngroupedFile::Reason::Unreadable &&
                        result.ungrouped[0].error == EACCES && result.groups.size() == 1 &&
                        result.groups[0].entries == std::vector<std::size_t>{1, 2};
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2 || WEXITSTATUS(status) == 3) {
        GTEST_SKIP() << "cannot read the test folder without root here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Entries of the cache hold only for the exact state they were read in: a
// file rewritten with its size and modification time put back is read
// again; a damaged or foreign cache file is ignored and replaced.
// Files looked at anew, or known by the stamps their listing took (the
// catalogue made again for each run, as each search walks again).
TEST_F(SameContentsTest, TheCacheIsNeverTrustedPastTheStateItWasMadeFor) {
    for (const bool withTimes : {false, true}) {
        const std::string big = Pattern(kTail + 5 * kBlock, 5);
        const std::string tree = dir / (withTimes ? "listed" : "looked");
        const std::vector<std::string> paths = {tree + "/a", tree + "/b", tree + "/c"};
        ::mkdir(tree.c_str(), 0700);
        for (const std::string& path : paths) {
            WriteFile(path, big);
        }
        FileCatalogue catalogue;
        const auto search = [&](bool cache) {
            catalogue.Reset();
            Catalogue(catalogue, paths, withTimes);
            return FindSameContents(catalogue, nullptr, {}, Options(cache));
        };
        ::unlink((dir / "cache/digests").c_str());
        const std::string cacheFile = dir / "cache/digests";
        using Groups = std::vector<std::vector<std::size_t>>;
        struct Case {
            const char* name;
            std::function<void()> change;
            Groups groups;
            bool readsAgain;
        } cases[] = {
            {"unchanged", [] {}, {{0, 1, 2}}, false},
            {"c rewritten, size and time kept",
             [&] { RewriteKeepingTimes(paths[2], Flipped(big, big.size() / 2)); },
             {{0, 1}},
             true},
            {"damaged",
             [&] {
                 std::string bytes = ReadFile(cacheFile);
                 bytes[bytes.size() - 3] ^= 1;
                 WriteFile(cacheFile, bytes);
             },
             {{0, 1}},
             true},
            {"another version",
             [&] {
                 std::string bytes = ReadFile(cacheFile);
                 bytes[8] = 99;
                 WriteFile(cacheFile, bytes);
             },
             {{0, 1}},
             true},
            {"another secret",
             [&] { ::unlink((dir / "cache/digest-secret").c_str()); },
             {{0, 1}},
             true},
            {"unchanged again", [] {}, {{0, 1}}, false},
        };
        ASSERT_FALSE(search(true).groups.empty());
        for (const Case& c : cases) {
            c.change();
            const SameContentsResult result = search(true);
            EXPECT_EQ(GroupsOf(result), c.groups) << c.name << withTimes;
            EXPECT_EQ(result.bytesRead > 0, c.readsAgain) << c.name << withTimes;
        }
        // Turned off, the cache is neither read nor written.
        const std::string before = ReadFile(cacheFile);
        RewriteKeepingTimes(paths[2], big);
        EXPECT_EQ(GroupsOf(search(false)), (Groups{{0, 1, 2}}));
        EXPECT_EQ(ReadFile(cacheFile), before);
    }
}

// Stop ends the run with no groups; progress only moves forward and ends
// with every byte it counted read.
TEST_F(SameContentsTest, StopAndProgress) {
    std::vector<std::string> paths;
    for (int f = 0; f < 6; ++f) {
        paths.push_back(dir / ("f" + std::to_string(f)));
        WriteFile(paths.back(), Pattern(kTail + 10 * kBlock, f % 3));
    }
    FileCatalogue catalogue;
    Catalogue(catalogue, paths);
    for (const bool stopped : {true, false}) {
        StopToken stop;
        if (stopped) {
            stop.Stop();
        }
        std::vector<SameContentsProgress> reports;
        const SameContentsResult result = FindSameContents(
            catalogue, &stop, [&](const SameContentsProgress& p) { reports.push_back(p); },
            Options(false));
        EXPECT_EQ(result.stopped, stopped);
        EXPECT_EQ(result.groups.empty(), stopped);
        EXPECT_EQ(result.bytesRead == 0, stopped);
        ASSERT_FALSE(reports.empty());
        for (std::size_t r = 1; r < reports.size(); ++r) {
            EXPECT_GE(reports[r].bytesDone, reports[r - 1].bytesDone);
            EXPECT_LE(reports[r].bytesToRead, reports[r - 1].bytesToRead);
        }
        if (!stopped) {
            EXPECT_EQ(reports.back().bytesDone, result.bytesRead);
            EXPECT_EQ(reports.back().bytesToRead, result.bytesRead);
        }
    }
}

}  // namespace
}  // namespace corvane
