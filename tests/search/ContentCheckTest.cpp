// The content check on real files: verdicts and keys per row, what is read
// and what is not, files gone, refused, changed or hard-linked, and a stop.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "search/ContentCheck.h"
#include "support/SearchTestSupport.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace corvane {
namespace {

using testing::Pattern;
using testing::TempDir;
using testing::WriteFile;
using V = ContentVerdict;

std::string Flipped(std::string bytes, std::size_t at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    return bytes;
}

class ContentCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ok());
        folder = dir.path();
    }

    // A file in `folder` and its row in `group`, stamped as the search would
    // stamp it.
    void Add(std::uint32_t group, const std::string& name, const std::string& bytes) {
        WriteFile(folder + "/" + name, bytes);
        AddRow(group, name);
    }
    void AddRow(std::uint32_t group, const std::string& name) {
        ResultRow row;
        row.path = folder + "/" + name;
        const PathStatus status = StatPath(row.path);
        row.stamped = status.error == 0;
        row.stamp = status.stamp;
        row.group = group;
        rows.push_back(row);
    }

    TempDir dir;
    std::string folder;  // where Add() puts its files: `dir` unless a test says otherwise
    ResultRows rows;
};

TEST_F(ContentCheckTest, VerdictsAndKeysPerRow) {
    const std::size_t big = kTailFromBytes + 3;
    const std::string a = Pattern(big, 1);
    const std::string small = Pattern(300, 2);
    struct Case {
        std::uint32_t group;
        std::string name, bytes;
        V verdict;
        KeySource source;
    } cases[] = {
        {1, "same1", a, V::Identical, KeySource::Content},
        {1, "same2", a, V::Identical, KeySource::Content},
        {1, "first block", Flipped(a, 5), V::Differs, KeySource::Distinct},
        {1, "last block", Flipped(a, big - 2), V::Differs, KeySource::Distinct},
        {1, "middle", Flipped(a, big / 2), V::Differs, KeySource::Content},
        {1, "own size", Pattern(big + 1, 3), V::Differs, KeySource::Distinct},
        {2, "small1", small, V::Identical, KeySource::Content},
        {2, "small other", Flipped(small, 150), V::Differs, KeySource::Content},
        {2, "small2", small, V::Identical, KeySource::Content},
        {2, "empty1", "", V::Identical, KeySource::Content},
        {2, "empty2", "", V::Identical, KeySource::Content},
        {3, "empty alone", "", V::Differs, KeySource::Content},
        {3, "same as group 1", a, V::Differs, KeySource::Distinct},
    };
    for (const Case& c : cases) {
        Add(c.group, c.name, c.bytes);
    }
    const ContentCheckResult result = CheckContents(rows);
    ASSERT_EQ(result.rows.size(), rows.size());
    EXPECT_FALSE(result.stopped);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Case& c = cases[r];
        const RowContent& content = result.rows[r];
        EXPECT_EQ(content.verdict, c.verdict) << c.name;
        EXPECT_EQ(content.source, c.source) << c.name;
        if (c.source == KeySource::Content) {
            EXPECT_EQ(content.key, DigestOfBytes(c.bytes)) << c.name;
        }
        // Keys of one group differ unless the bytes are the same.
        for (std::size_t o = 0; o < r; ++o) {
            if (cases[o].group == c.group && cases[o].bytes != c.bytes) {
                EXPECT_NE(result.rows[o].key, content.key) << c.name << " / " << cases[o].name;
            }
        }
    }
    EXPECT_TRUE(SameContent(result.rows[0], result.rows[1]));
    EXPECT_FALSE(SameContent(result.rows[2], result.rows[2]));  // a Distinct key equals nothing
    // Heads of the five same-size files of group 1, tails of the four whose
    // heads agree, then whole the three whose heads and tails agree; the
    // small files of group 2 once each; nothing else.
    EXPECT_EQ(result.bytesRead, 5 * kEdgeBlockBytes + 4 * kEdgeBlockBytes + 3 * big + 3 * 300);
}

TEST_F(ContentCheckTest, GoneChangedLinkedAndUnstampedFiles) {
    const std::string a = Pattern(3 * kEdgeBlockBytes, 4);
    Add(1, "gone", a);
    Add(1, "gone twin", a);
    Add(2, "changed", a);
    Add(2, "changed twin", a);
    Add(3, "linked", a);
    ::link((dir / "linked").c_str(), (dir / "linked again").c_str());
    AddRow(3, "linked again");
    Add(3, "linked twin", Flipped(a, a.size() / 2));
    Add(5, "alone with its link", a + "z");
    ::link((dir / "alone with its link").c_str(), (dir / "its link").c_str());
    AddRow(5, "its link");
    AddRow(4, "never there");
    Add(4, "there", "x");
    WriteFile(dir / "came back", "");
    rows.back().path = dir / "came back";
    rows.back().stamped = false;
    rows.back().stamp = {};
    // A new link moves the change time on; the search stamps files as they are then.
    for (ResultRow& row : rows) {
        if (row.stamped) {
            row.stamp.changed = StatPath(row.path).stamp.changed;
        }
    }
    Add(6, "grew since", "");
    Add(6, "still empty", "");
    WriteFile(dir / "grew since", "data now");  // no longer the empty file the search saw
    ::unlink((dir / "gone").c_str());
    WriteFile(dir / "changed", Flipped(a, 1));  // same size, and a time the stamp does not have
    const timespec past[2] = {{0, UTIME_OMIT}, {rows[2].stamp.modified.seconds - 10, 0}};
    ::utimensat(AT_FDCWD, (dir / "changed").c_str(), past, 0);

    const ContentCheckResult result = CheckContents(rows);
    const std::vector<V> verdicts = {V::Unreadable, V::Differs,    V::Changed, V::Differs,
                                     V::Identical,  V::Identical,  V::Differs, V::Identical,
                                     V::Identical,  V::Unreadable, V::Changed, V::Changed,
                                     V::Differs};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(result.rows[r].verdict, verdicts[r]) << rows[r].path;
        EXPECT_EQ(result.rows[r].source == KeySource::None,
                  verdicts[r] == V::Unreadable || verdicts[r] == V::Changed)
            << rows[r].path;
    }
    EXPECT_EQ(result.rows[0].error, ENOENT);
    EXPECT_EQ(result.rows[9].error, ENOENT);
    // A hard-linked file is one file: read once, head and whole.
    EXPECT_EQ(result.bytesRead, 5 * kEdgeBlockBytes + 3 * a.size() + 1);
}

TEST_F(ContentCheckTest, RefusedFileIsUnreadable) {
    // Root reads any file: the check runs in a child that gave up root, on
    // files in a folder that user can reach.
    const TempDir reachable(testing::ReachableScratch());
    if (!reachable.ok()) {
        GTEST_SKIP() << "no folder every user can enter for the files";
    }
    folder = reachable.path();
    Add(1, "refused", "secret");
    Add(1, "open", "secret");
    ASSERT_EQ(::chmod((reachable / "refused").c_str(), 0), 0);
    ASSERT_EQ(::chmod(reachable.path().c_str(), 0755), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        const ContentCheckResult result = CheckContents(rows, nullptr, {}, {.readers = 1});
        ::_exit(result.rows[0].verdict == V::Unreadable && result.rows[0].error == EACCES &&
                        result.rows[1].verdict == V::Differs
                    ? 0
                    : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) {
        GTEST_SKIP() << "cannot give up root here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ContentCheckTest, StopLeavesEveryReadRowUndecided) {
    const std::string a = Pattern(20000, 5);
    Add(1, "one", a);
    Add(1, "two", a);
    Add(1, "own size", "abc");
    Add(1, "empty1", "");
    Add(1, "empty2", "");
    StopToken stop;
    stop.Stop();
    std::vector<ContentProgress> reports;
    const ContentCheckResult result =
        CheckContents(rows, &stop, [&](const ContentProgress& p) { reports.push_back(p); });
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.bytesRead, 0u);
    const std::vector<V> verdicts = {V::NotChecked, V::NotChecked, V::Differs, V::Identical,
                                     V::Identical};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(result.rows[r].verdict, verdicts[r]) << r;
    }
    EXPECT_EQ(result.rows[0].source, KeySource::None);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().filesToRead, 2u);
    EXPECT_EQ(reports.back().filesDone, 0u);

    // Not stopped, the last report has read everything it counted.
    reports.clear();
    CheckContents(rows, nullptr, [&](const ContentProgress& p) { reports.push_back(p); });
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().bytesDone, reports.back().bytesToRead);
    EXPECT_EQ(reports.back().bytesDone, 2 * (kEdgeBlockBytes + a.size()));
    EXPECT_EQ(reports.back().filesDone, 2u);
}

}  // namespace
}  // namespace corvane
