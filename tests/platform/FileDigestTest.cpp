// File digests on real files: streamed reads agree with one-shot digests at
// every buffer boundary, the first look reads only the edges, and a file that
// is not the stamped one, or changes while it is read, is never digested.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <filesystem>
#include <vector>

#include "platform/FileBatches.h"
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

enum class Part { Head, Tail, Whole };

// One read of a file, opened (one at a time, or in a batch through io_uring
// where the kernel has it, which reads a head or tail block with the open)
// and checked again as the content stages do.
FileDigest Read(DigestReader& reader, Part part, const std::string& path,
                const FileExpectation& expected, const ReadCallback& onRead = {},
                bool batched = false) {
    FileBatches batches(batched);
    std::vector<StampedFile> opened;
    batches.Open({{&path, expected}}, opened,
                 part == Part::Head   ? FileBatches::Edge::Head
                 : part == Part::Tail ? FileBatches::Edge::Tail
                                      : FileBatches::Edge::None);
    StampedFile& file = opened[0];
    if (!file.IsOpen()) {
        return file.Failure();
    }
    return file.Finish(part == Part::Head   ? file.Head(reader, onRead)
                       : part == Part::Tail ? file.Tail(reader, onRead)
                                            : file.Whole(reader, onRead));
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
        const std::string path = dir / std::string("f").append(std::to_string(size));
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

        // The head reads a short file whole, once, with the same key.
        seen = 0;
        const FileDigest head = Read(reader, Part::Head, path, StampNow(path), [&](std::size_t n) {
            seen += n;
            return true;
        });
        ASSERT_EQ(head.outcome, DigestOutcome::Done);
        EXPECT_EQ(head.whole, size <= kEdgeBlockBytes) << size;
        EXPECT_EQ(seen, std::min(size, kEdgeBlockBytes)) << size;
        EXPECT_EQ(head.key, DigestOfBytes(bytes.substr(0, kEdgeBlockBytes))) << size;
    }
    EXPECT_EQ(KeyOfNoBytes(), DigestOfBytes(""));
    EXPECT_NE(KeyNotFromContent(1), KeyNotFromContent(2));
}

TEST_F(FileDigestTest, HeadAndTailTellApartFilesDifferingInTheirFirstOrLastBlockOnly) {
    const std::string base = Pattern(3 * kEdgeBlockBytes + 5);
    struct Case {
        const char* name;
        std::size_t changedByte;
        bool sameHead, sameTail;
    } cases[] = {
        {"first byte", 0, false, true},
        {"end of first block", kEdgeBlockBytes - 1, false, true},
        {"middle", kEdgeBlockBytes + 10, true, true},
        {"start of last block", base.size() - kEdgeBlockBytes, true, false},
        {"last byte", base.size() - 1, true, false},
    };
    MakeFile(dir / "base", base);
    const DigestSecret secret{{7, 1, 2}};
    DigestReader reader(std::size_t{1} << 20, &secret);
    // The base's keys read with the open in a batch, the others' one at a time.
    const FileDigest head =
        Read(reader, Part::Head, dir / "base", StampNow(dir / "base"), {}, true);
    const FileDigest tail =
        Read(reader, Part::Tail, dir / "base", StampNow(dir / "base"), {}, true);
    ASSERT_EQ(head.outcome, DigestOutcome::Done);
    // Keyed with the secret, a digest is not the plain XXH3-128.
    EXPECT_EQ(tail.key, DigestOfBytes(base.substr(base.size() - kEdgeBlockBytes), &secret));
    EXPECT_NE(tail.key, DigestOfBytes(base.substr(base.size() - kEdgeBlockBytes)));
    for (const Case& c : cases) {
        std::string other = base;
        other[c.changedByte] = static_cast<char>(other[c.changedByte] ^ 1);
        MakeFile(dir / "other", other);
        EXPECT_EQ(Read(reader, Part::Head, dir / "other", StampNow(dir / "other")).key == head.key,
                  c.sameHead)
            << c.name;
        EXPECT_EQ(Read(reader, Part::Tail, dir / "other", StampNow(dir / "other")).key == tail.key,
                  c.sameTail)
            << c.name;
        EXPECT_NE(reader.Whole(dir / "other", StampNow(dir / "other")).key,
                  reader.Whole(dir / "base", StampNow(dir / "base")).key)
            << c.name;
        EXPECT_EQ(reader.Whole(dir / "other", StampNow(dir / "other")).key,
                  DigestOfBytes(other, &secret));
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
        for (const Part part : {Part::Head, Part::Tail, Part::Whole}) {
            for (const bool batched : {false, true}) {
                restore();
                // restore() wrote the file anew: only the change time differs from the stamp.
                FileStamp expected = c.stamp;
                if (c.path == path) {
                    expected.changed = StampNow(path).changed;
                }
                DigestReader reader(8192);
                const FileDigest digest = Read(reader, part, c.path, expected, c.onRead, batched);
                EXPECT_EQ(digest.outcome, c.outcome)
                    << c.name << " " << static_cast<int>(part) << " batched " << batched;
                EXPECT_EQ(digest.error, c.error) << c.name << " batched " << batched;
            }
        }
    }
    // Rewritten with its size and modification time put back: only the
    // change time tells, and a reopen held to the first open's state sees it.
    restore();
    StampedFile first(path, stamp);
    ASSERT_TRUE(first.IsOpen());
    const FileStamp opened = first.Opened();
    first.Finish({});
    timespec later{opened.changed.seconds, opened.changed.nanoseconds};
    while (StatPath(path).error == 0) {
        MakeFile(path, Pattern(40000, 9));
        const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 123456789}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        struct stat st {};
        ::stat(path.c_str(), &st);
        if (st.st_ctim.tv_sec != later.tv_sec || st.st_ctim.tv_nsec != later.tv_nsec) {
            break;
        }
    }
    ASSERT_TRUE(SameFileMoved(StampNow(path), stamp));  // all but the change time
    DigestReader reader;
    EXPECT_EQ(reader.Whole(path, stamp).outcome, DigestOutcome::Done);
    EXPECT_EQ(reader.Whole(path, FileExpectation::Exactly(opened)).outcome, DigestOutcome::Changed);
}

TEST_F(FileDigestTest, SparseAndLongPathFilesGiveTheDigestOfTheirBytes) {
    struct Case {
        const char* name;
        std::string folder;
        off_t dataAt;  // `data` is written there; the rest of `size` is a hole
        std::string data;
        off_t size;
    } cases[] = {
        {"hole, then data", dir.path(), 3 << 20, Pattern(10000), (3 << 20) + 10000},
        {"data, then hole", dir.path(), 0, Pattern(7000), 5 << 20},
        {"only a hole", dir.path(), 0, "", 1 << 20},
        {"path over 4096 bytes", dir.path(), 0, Pattern(5000), 5000},
    };
    // Folders of 200 bytes, 25 deep: made and opened one below the other.
    int at = ::open(dir.path().c_str(), O_PATH | O_DIRECTORY);
    for (int depth = 0; depth < 25; ++depth) {
        const std::string name(200, static_cast<char>('a' + depth % 26));
        ASSERT_EQ(::mkdirat(at, name.c_str(), 0755), 0);
        const int next = ::openat(at, name.c_str(), O_PATH | O_DIRECTORY);
        ::close(at);
        at = next;
        cases[3].folder += "/" + name;
    }
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = std::string("f").append(std::to_string(n++));
        const int fd = ::openat(c.folder.size() > 4000 ? at : AT_FDCWD,
                                (c.folder.size() > 4000 ? name : c.folder + "/" + name).c_str(),
                                O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << c.name;
        ASSERT_EQ(::pwrite(fd, c.data.data(), c.data.size(), c.dataAt),
                  static_cast<ssize_t>(c.data.size()));
        ASSERT_EQ(::ftruncate(fd, c.size), 0);
        struct stat st {};
        ::fstat(fd, &st);
        ::close(fd);
        std::string bytes(static_cast<std::size_t>(c.size), '\0');
        bytes.replace(static_cast<std::size_t>(c.dataAt), c.data.size(), c.data);
        std::size_t seen = 0;
        DigestReader reader;
        const FileDigest whole =
            reader.Whole(c.folder + "/" + name, StampOf(st), [&](std::size_t bytesRead) {
                seen += bytesRead;
                return true;
            });
        ASSERT_EQ(whole.outcome, DigestOutcome::Done) << c.name;
        EXPECT_EQ(whole.key, DigestOfBytes(bytes)) << c.name;
        EXPECT_EQ(Read(reader, Part::Whole, c.folder + "/" + name, StampOf(st), {}, true).key,
                  whole.key)
            << c.name << " batched";
        // Holes are digested without being read (the file system may keep a
        // little of a hole as data, never megabytes of it).
        EXPECT_LT(seen, c.data.size() + (std::size_t{1} << 16)) << c.name;
    }
    ::close(at);
}

// Batches close every file they opened, those that failed their checks too,
// by the time they are gone.
TEST_F(FileDigestTest, BatchesLeaveNoDescriptorOpen) {
    const auto openCount = []() {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator{});
    };
    const std::string path = dir / "file";
    MakeFile(path, Pattern(100));
    const FileStamp stamp = StampNow(path);
    FileStamp wrong = stamp;
    wrong.size += 1;
    const std::string missing = dir / "missing";
    const auto before = openCount();
    {
        FileBatches batches;
        std::vector<StampedFile> opened;
        for (int round = 0; round < 3; ++round) {
            std::vector<FileBatches::Request> requests;
            for (std::size_t i = 0; i < FileBatches::kMostFiles; ++i) {
                requests.push_back({i % 3 == 2 ? &missing : &path, i % 3 == 1 ? wrong : stamp});
            }
            batches.Open(requests, opened);
            for (std::size_t i = 0; i < opened.size(); ++i) {
                EXPECT_EQ(opened[i].IsOpen(), i % 3 == 0) << i;
            }
        }
        opened.clear();
    }
    EXPECT_EQ(openCount(), before);
}

}  // namespace
}  // namespace corvane
