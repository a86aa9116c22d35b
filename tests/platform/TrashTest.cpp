// The desktop trash: entry names, Path lines, where each file goes, and what
// is refused, on the home trash and on a drive of its own.
#include "platform/Trash.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>

#include "platform/LoopDrive.h"
#include "platform/TrashTestSupport.h"
#include "platform/Utf8.h"

namespace corvane {
namespace {

using testing::EntriesOf;
using testing::Exists;
using testing::LoopDrive;
using testing::Names;
using testing::PlacesIn;
using testing::ReadFile;
using testing::TempDir;
using testing::ValidUtf8;
using testing::WriteFile;

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

TEST(Trash, EntryNames) {
    const std::string e = "\xc3\xa9";         // é, two bytes
    const std::string euro = "\xe2\x82\xac";  // €, three bytes
    struct Case {
        std::string base;
        int counter;
        std::string expected;
    };
    const Case cases[] = {
        {"a.txt", 1, "a.txt"},
        {"a.txt", 2, "a~2.txt"},
        {"noext", 3, "noext~3"},
        {".hidden", 2, ".hidden~2"},
        {"x", 12, "x~12"},
        {std::string(200, 'k'), 1, std::string(200, 'k')},
        {std::string(250, 'x'), 1, std::string(200, 'x')},
        {std::string(240, 'a') + ".txt", 1, std::string(196, 'a') + ".txt"},
        {std::string(240, 'a') + ".txt", 7, std::string(194, 'a') + "~7.txt"},
        // Cut between letters, never inside one.
        {"x" + Repeat(e, 125), 1, "x" + Repeat(e, 99)},
        {"x" + Repeat(e, 125), 12, "x" + Repeat(e, 98) + "~12"},
        {Repeat(euro, 80), 1, Repeat(euro, 66)},
        // Bytes that are no letter count one each.
        {std::string(250, '\x80'), 1, std::string(200, '\x80')},
        // An "extension" longer than 16 bytes is part of the name.
        {std::string(230, 'b') + "." + std::string(20, 'c'), 1, std::string(200, 'b')},
    };
    for (const Case& c : cases) {
        const std::string name = TrashEntryName(c.base, c.counter);
        EXPECT_EQ(name, c.expected) << c.base << " #" << c.counter;
        EXPECT_LE(name.size() + std::string(".trashinfo").size(), 255u);
        EXPECT_TRUE(!ValidUtf8(c.base) || ValidUtf8(name)) << c.base;
    }
}

TEST(Trash, InfoPathAndText) {
    EXPECT_EQ(TrashInfoPath("/a b/c&d%e/f\xff\n~x-y_z.txt"), "/a%20b/c%26d%25e/f%FF%0A~x-y_z.txt");
    EXPECT_EQ(TrashInfoPath("/r\xc3\xa9sum\xc3\xa9"), "/r%C3%A9sum%C3%A9");
    const std::string text = TrashInfoText("docs/a b.txt", 0);
    EXPECT_EQ(text.substr(0, 40), "[Trash Info]\nPath=docs/a%20b.txt\nDeletio");
    EXPECT_EQ(text.back(), '\n');
}

TEST(Trash, WhatLiesInsideATrash) {
    const std::string home = "/home/u/.local/share/Trash";
    struct Case {
        std::string path;
        bool inside;
    };
    const Case cases[] = {
        {home + "/files/a.txt", true},
        {home + "/files/folder/deep/a.txt", true},
        {home + "/info/a.txt.trashinfo", true},
        {home + "x/files/a.txt", false},
        {"/home/u/Trash/files/a.txt", false},
        {"/media/usb/.Trash-1000/files/a.txt", true},
        {"/media/usb/.Trash-1000/files/sub/dir/a.txt", true},
        {"/media/usb/.Trash/1000/files/a.txt", true},
        {"/media/usb/.Trash/1000/info/a.txt.trashinfo", true},
        {"/media/usb/.Trash-1000/a.txt", false},
        {"/media/usb/.Trash-1000/files", false},
        {"/media/usb/.Trash-x/files/a.txt", false},
        {"/media/usb/.Trash/files/a.txt", false},
        {"/media/usb/docs/a.txt", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InsideTrash(c.path, home), c.inside) << c.path;
    }
}

TEST(Trash, TheFileMustBeTheOneTheSearchSaw) {
    TempDir dir;
    const std::string path = dir / "f.txt";
    WriteFile(path, "abcdef");
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 500}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    const FileStamp seen = StatPath(path).stamp;
    struct Case {
        const char* what;
        FileStamp expected;
        TrashProblem problem;
    };
    FileStamp nanos = seen, size = seen, inode = seen, device = seen;
    nanos.modified.nanoseconds += 1;
    size.size += 1;
    inode.id.inode += 1;
    device.id.device += 1;
    const Case cases[] = {
        {"same", seen, TrashProblem::kNone},
        {"one nanosecond later", nanos, TrashProblem::kChanged},
        {"another size", size, TrashProblem::kChanged},
        {"another inode", inode, TrashProblem::kChanged},
        {"another device", device, TrashProblem::kChanged},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckUnchanged(path, c.expected).problem, c.problem) << c.what;
    }
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::symlink("elsewhere", path.c_str()), 0);
    EXPECT_EQ(CheckUnchanged(path, seen).problem, TrashProblem::kChanged);
    EXPECT_EQ(CheckUnchanged(dir / "gone", seen).problem, TrashProblem::kVanished);
}

TEST(Trash, SendLeavesAChangedFileAndOneInATrashWhereTheyAre) {
    TempDir dir;
    DesktopTrash trash(PlacesIn(dir));
    ASSERT_EQ(MakeFolders(SystemCalls(), dir / "data/Trash/files", 0700), 0);
    const std::string rewritten = dir / "rewritten", inTrash = dir / "data/Trash/files/stray";
    WriteFile(inTrash, "sent by another program");
    // Same inode, size and second: only the nanoseconds tell.
    const auto writeAt = [&](const char* bytes, long nanoseconds) {
        WriteFile(rewritten, bytes);
        const struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000, nanoseconds}};
        return ::utimensat(AT_FDCWD, rewritten.c_str(), times, 0) == 0;
    };
    ASSERT_TRUE(writeAt("before", 100));
    const FileStamp seen = StatPath(rewritten).stamp;
    ASSERT_TRUE(writeAt("after!", 900));
    const TrashBatch batch = trash.Send({{rewritten, seen}, {inTrash, StatPath(inTrash).stamp}});
    ASSERT_EQ(batch.results.size(), 2u);
    EXPECT_EQ(batch.results[0].problem, TrashProblem::kChanged);
    EXPECT_EQ(batch.results[1].problem, TrashProblem::kAlreadyInTrash);
    EXPECT_EQ(ReadFile(rewritten), "after!");
    EXPECT_EQ(Names(dir / "data/Trash/files"), std::vector<std::string>{"stray"});
    EXPECT_TRUE(Names(dir / "data/Trash/info").empty());
}

TEST(Trash, EveryNameGetsAnEntryWeWrote) {
    // Short names too: no entry is left to GIO, which can leave it empty.
    TempDir dir;
    DesktopTrash trash(PlacesIn(dir));
    ::mkdir((dir / "docs").c_str(), 0755);
    const std::vector<std::string> paths = {dir / "docs/a b.txt", dir / "docs/short",
                                            dir / ("docs/" + std::string(240, 'n'))};
    for (const auto& p : paths) {
        WriteFile(p, "content of " + p);
    }
    const TrashBatch batch = trash.Send({{paths[0], StatPath(paths[0]).stamp},
                                         {paths[1], StatPath(paths[1]).stamp},
                                         {paths[2], std::nullopt}});
    ASSERT_EQ(batch.results.size(), 3u);
    EXPECT_FALSE(batch.id.empty());
    bool complete = false;
    const auto entries = EntriesOf(dir / "data/Trash", complete);
    EXPECT_TRUE(complete);
    for (const auto& p : paths) {
        ASSERT_TRUE(entries.count(p)) << p;
        EXPECT_EQ(entries.at(p).content, "content of " + p);
        EXPECT_FALSE(Exists(p));
    }
    EXPECT_NE(ReadFile(dir / ("data/Trash/info/" + entries.at(paths[0]).name + ".trashinfo"))
                  .find("/docs/a%20b.txt\n"),
              std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "data/Trash").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((dir / "state/corvane").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A folder is not a file to send.
    EXPECT_EQ(trash.MoveToTrash({dir / "docs"})[0].problem, TrashProblem::kNotAFile);
}

TEST(Trash, TheSystemRemovesManyNamesAtOnceAndAnswersForEach) {
    // Enough names for several threads; every seventh is missing, one is a folder.
    TempDir dir;
    const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ::mkdir((dir / "kept").c_str(), 0755);
    std::vector<FileSystemCalls::NameAt> names{{folder, "kept"}};
    for (int i = 0; i < 200; ++i) {
        names.push_back({folder, "n" + std::to_string(i)});
        if (i % 7 != 0) {
            WriteFile(dir / names.back().name, "x");
        }
    }
    const std::vector<int> errors = SystemCalls().StartUnlinkEachAt(names)->Wait();
    ::close(folder);
    ASSERT_EQ(errors.size(), names.size());
    EXPECT_EQ(errors[0], EISDIR);
    for (std::size_t k = 1; k < names.size(); ++k) {
        EXPECT_EQ(errors[k], (k - 1) % 7 == 0 ? ENOENT : 0) << names[k].name;
    }
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"kept"});
}

// A drive of its own mounted inside the test folder, away from the home trash.
class DriveTrash : public ::testing::Test {
  protected:
    void SetUp() override {
        ::mkdir(top.c_str(), 0755);
        drive.emplace(dir / "drive.img", top);
        if (!drive->ok()) {
            GTEST_SKIP() << drive->why();
        }
    }
    void TearDown() override { drive.reset(); }

    TrashResult SendOne(const std::string& path) {
        DesktopTrash trash(PlacesIn(dir));
        return trash.Send({{path, StatPath(path).stamp}}).results.at(0);
    }

    TempDir dir;
    const std::string top = dir / "mnt";
    const std::string uid = std::to_string(::getuid());
    std::optional<LoopDrive> drive;
};

TEST_F(DriveTrash, GoesToTheDrivesOwnTrash) {
    struct Case {
        const char* what;
        std::function<void(const std::string& top)> prepare;
        std::string trash;  // relative to the drive's top
    };
    const std::vector<Case> cases = {
        {"nothing there yet", [](const std::string&) {}, ".Trash-" + uid},
        {"a shared .Trash with the sticky bit",
         [](const std::string& t) {
             ::mkdir((t + "/.Trash").c_str(), 01777);
             ::chmod((t + "/.Trash").c_str(), 01777);
         },
         ".Trash/" + uid},
        {"a .Trash without the sticky bit",
         [](const std::string& t) { ::mkdir((t + "/.Trash").c_str(), 0777); }, ".Trash-" + uid},
        {"a .Trash that is a link to a sticky folder",
         [](const std::string& t) {
             ::mkdir((t + "/sticky").c_str(), 01777);
             ::chmod((t + "/sticky").c_str(), 01777);
             ::symlink("sticky", (t + "/.Trash").c_str());
         },
         ".Trash-" + uid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::system(("rm -rf '" + top + "'/.Trash* '" + top + "/sticky'").c_str());
        c.prepare(top);
        ::mkdir((top + "/docs").c_str(), 0755);
        const std::string path = top + "/docs/a file.txt";
        WriteFile(path, c.what);
        const TrashResult result = SendOne(path);
        EXPECT_TRUE(result.moved) << TrashProblemText(result.problem, result.error).toStdString();
        bool complete = false;
        const auto entries = EntriesOf(top + "/" + c.trash, complete, top);
        EXPECT_TRUE(complete);
        ASSERT_TRUE(entries.count(path));
        EXPECT_EQ(entries.at(path).content, c.what);
        // The Path line is relative to the drive's top, so it survives another mount point.
        EXPECT_NE(ReadFile(top + "/" + c.trash + "/info/a file.txt.trashinfo")
                      .find("\nPath=docs/a%20file.txt\n"),
                  std::string::npos);
        struct stat st {};
        ASSERT_EQ(::lstat((top + "/" + c.trash).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_FALSE(Exists(dir / "data/Trash/files"));

        // Undo brings it back from the drive.
        DesktopTrash later(PlacesIn(dir));
        const UndoOutcome undone = later.UndoLastBatch();
        ASSERT_EQ(undone.files.size(), 1u);
        EXPECT_TRUE(undone.files[0].restored);
        EXPECT_EQ(ReadFile(path), c.what);
        EXPECT_TRUE(testing::Names(top + "/" + c.trash + "/info").empty());
    }
}

TEST_F(DriveTrash, RefusesWhatCannotGoThere) {
    // A file already in the drive's trash, at any depth, is not sent again.
    const std::string own = top + "/.Trash-" + uid;
    for (const std::string& folder : {own, own + "/files", own + "/info", own + "/files/sub"}) {
        ::mkdir(folder.c_str(), 0700);
    }
    WriteFile(own + "/files/sub/deep.txt", "deep");
    EXPECT_EQ(SendOne(own + "/files/sub/deep.txt").problem, TrashProblem::kAlreadyInTrash);
    EXPECT_TRUE(Exists(own + "/files/sub/deep.txt"));

    // A .Trash-UID that is a link is not used.
    std::system(("rm -rf '" + own + "'").c_str());
    ::mkdir((top + "/elsewhere").c_str(), 0700);
    ASSERT_EQ(::symlink("elsewhere", own.c_str()), 0);
    const std::string path = top + "/kept.txt";
    WriteFile(path, "kept");
    EXPECT_EQ(SendOne(path).problem, TrashProblem::kTrashFolder);
    EXPECT_TRUE(Exists(path));
    EXPECT_TRUE(testing::Names(top + "/elsewhere").empty());
    ::unlink(own.c_str());

    // A full drive with its trash ready: the entry can be made but not
    // written, so it goes again and the file stays.
    for (const std::string& folder : {own, own + "/files", own + "/info"}) {
        ::mkdir(folder.c_str(), 0700);
    }
    std::system(("dd if=/dev/zero of='" + top + "/filler' bs=64k 2>/dev/null; sync").c_str());
    std::system(("dd if=/dev/zero of='" + top + "/filler2' bs=1 2>/dev/null").c_str());
    const TrashResult full = SendOne(path);
    EXPECT_EQ(full.problem, TrashProblem::kEntry);
    EXPECT_EQ(full.error, ENOSPC);
    EXPECT_TRUE(Exists(path));
    EXPECT_TRUE(testing::Names(own + "/info").empty());
    EXPECT_TRUE(testing::Names(own + "/files").empty());
    ::unlink((top + "/filler").c_str());
    ::unlink((top + "/filler2").c_str());

    // A read-only drive has no trash, and says so in the user's words.
    ASSERT_TRUE(drive->MakeReadOnly());
    const TrashResult readOnly = SendOne(path);
    EXPECT_EQ(TrashProblemText(readOnly.problem, readOnly.error),
              QStringLiteral("this drive has no trash"));
    EXPECT_TRUE(Exists(path));
}

}  // namespace
}  // namespace corvane
