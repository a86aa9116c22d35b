// File digests on real files: streamed reads agree with one-shot digests at
// every buffer boundary, the first look reads only the edges, and a file that
// is not the stamped one, or changes while it is read, is never digested.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/FileDigest.h"
#include "platform/FileStamp.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::Pattern;
using testing::TempDir;

void MakeFile(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
}

FileStamp StampNow(const std::string& path) {
    return StatPath(path).stamp;
}

class FileDigestTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }
    TempDir dir;
};

TEST_F(FileDigestTest, WholeReadsAgreeWithTheDigestOfTheBytesAtEveryBufferBoundary) {
    constexpr std::size_t kBuffer = 16384;
    DigestReader reader(kBuffer);
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, kEdgeBlockBytes, 2 * kEdgeBlockBytes,
          2 * kEdgeBlockBytes + 1, kBuffer - 1, kBuffer, kBuffer + 1, 5 * kBuffer + 17}) {
        const std::string bytes = Pattern(size, static_cast<unsigned>(size));
        const std::string path = dir / ("f" + std::to_string(size));
        MakeFile(path, bytes);
        std::size_t seen = 0;
        const FileDigest whole = reader.Whole(path, StampNow(path), [&](std::size_t n) {
            seen += n;
            return true;
        });
        ASSERT_EQ(whole.outcome, DigestOutcome::Done) << size;
        EXPECT_TRUE(whole.whole);
        EXPECT_EQ(whole.key, DigestOfBytes(bytes)) << size;
        EXPECT_EQ(seen, size);

        // The first look reads a short file whole, once, with the same key.
        seen = 0;
        const FileDigest edges = reader.Edges(path, StampNow(path), [&](std::size_t n) {
            seen += n;
            return true;
        });
        ASSERT_EQ(edges.outcome, DigestOutcome::Done);
        EXPECT_EQ(edges.whole, size <= 2 * kEdgeBlockBytes) << size;
        EXPECT_EQ(seen, std::min(size, 2 * kEdgeBlockBytes)) << size;
        if (edges.whole) {
            EXPECT_EQ(edges.key, whole.key);
        } else {
            EXPECT_NE(edges.key, whole.key);
        }
    }
    EXPECT_EQ(KeyOfNoBytes(), DigestOfBytes(""));
    EXPECT_NE(KeyNotFromContent(1), KeyNotFromContent(2));
}

TEST_F(FileDigestTest, EdgesTellApartFilesDifferingInTheirFirstOrLastBlockOnly) {
    const std::string base = Pattern(3 * kEdgeBlockBytes + 5);
    struct Case {
        const char* name;
        std::size_t changedByte;
        bool sameEdges;
    } cases[] = {
        {"first byte", 0, false},
        {"end of first block", kEdgeBlockBytes - 1, false},
        {"middle", kEdgeBlockBytes + 10, true},
        {"start of last block", base.size() - kEdgeBlockBytes, false},
        {"last byte", base.size() - 1, false},
    };
    MakeFile(dir / "base", base);
    DigestReader reader;
    const FileDigest original = reader.Edges(dir / "base", StampNow(dir / "base"));
    ASSERT_EQ(original.outcome, DigestOutcome::Done);
    for (const Case& c : cases) {
        std::string other = base;
        other[c.changedByte] = static_cast<char>(other[c.changedByte] ^ 1);
        MakeFile(dir / "other", other);
        const FileDigest edges = reader.Edges(dir / "other", StampNow(dir / "other"));
        ASSERT_EQ(edges.outcome, DigestOutcome::Done);
        EXPECT_EQ(edges.key == original.key, c.sameEdges) << c.name;
        EXPECT_NE(reader.Whole(dir / "other", StampNow(dir / "other")).key,
                  reader.Whole(dir / "base", StampNow(dir / "base")).key)
            << c.name;
    }
}

TEST_F(FileDigestTest, OnlyTheStampedFileIsReadAndAChangeWhileReadingIsCaught) {
    const std::string bytes = Pattern(40000);
    const std::string path = dir / "file";
    // The file as stamped, with a time long past, so any write moves it.
    const auto restore = [&]() {
        MakeFile(path, bytes);
        const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 123456789}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    };
    restore();
    const FileStamp stamp = StampNow(path);
    FileStamp otherTime = stamp;
    otherTime.modified.nanoseconds = (stamp.modified.nanoseconds + 1) % 1000000000;
    FileStamp otherSize = stamp;
    otherSize.size += 1;
    FileStamp otherInode = stamp;
    otherInode.id.inode += 1;
    ::mkdir((dir / "folder").c_str(), 0755);
    ::symlink(path.c_str(), (dir / "link").c_str());

    // Between the two fstat calls: a write in place at the same size, one
    // that grows the file, a new modification time alone.
    const auto rewrite = [&](std::size_t, const std::string& content) {
        MakeFile(path, content);
        return true;
    };
    const auto retime = [&](std::size_t) {
        const timespec times[2] = {{0, UTIME_OMIT}, {stamp.modified.seconds + 1, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return true;
    };
    struct Case {
        const char* name;
        std::string path;
        FileStamp stamp;
        DigestReader::ReadCallback onRead;
        DigestOutcome outcome;
        int error;
    } cases[] = {
        {"as stamped", path, stamp, {}, DigestOutcome::Done, 0},
        {"time to the nanosecond", path, otherTime, {}, DigestOutcome::Changed, 0},
        {"size", path, otherSize, {}, DigestOutcome::Changed, 0},
        {"inode", path, otherInode, {}, DigestOutcome::Changed, 0},
        {"a folder now", dir / "folder", StampNow(dir / "folder"), {}, DigestOutcome::Changed, 0},
        {"a link now", dir / "link", stamp, {}, DigestOutcome::Changed, 0},
        {"gone", dir / "missing", stamp, {}, DigestOutcome::Unreadable, ENOENT},
        {"stopped", path, stamp, [](std::size_t) { return false; }, DigestOutcome::Stopped, 0},
        {"rewritten while read", path, stamp,
         [&](std::size_t n) { return rewrite(n, Pattern(40000, 7)); }, DigestOutcome::Changed, 0},
        {"grown while read", path, stamp, [&](std::size_t n) { return rewrite(n, bytes + "x"); },
         DigestOutcome::Changed, 0},
        {"new time while read", path, stamp, retime, DigestOutcome::Changed, 0},
    };
    for (const Case& c : cases) {
        for (const bool whole : {false, true}) {
            restore();
            // restore() wrote the file anew: only the change time differs from the stamp.
            FileStamp expected = c.stamp;
            if (c.path == path) {
                expected.changed = StampNow(path).changed;
            }
            DigestReader reader(8192);
            const FileDigest digest = whole ? reader.Whole(c.path, expected, c.onRead)
                                            : reader.Edges(c.path, expected, c.onRead);
            EXPECT_EQ(digest.outcome, c.outcome) << c.name << (whole ? " (whole)" : " (edges)");
            EXPECT_EQ(digest.error, c.error) << c.name;
        }
    }
}

}  // namespace
}  // namespace corvane
