#include "platform/FileLookup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QDateTime>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::TempDir;

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

void SetModified(const std::string& path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

TEST(FileLookup, SizeIsTheFull64BitSize) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string big = dir / "sparse.bin";
    { std::ofstream(big, std::ios::binary); }
    ASSERT_EQ(::truncate(big.c_str(), (4LL << 30) + 10), 0);
    EXPECT_EQ(FileSize2(big), 4294967306LL);

    const std::string empty = dir / "empty";
    WriteFile(empty, "");
    WriteFile(dir / "three", "abc");
    EXPECT_EQ(FileSize2(empty), 0);
    EXPECT_EQ(FileSize2(dir / "three"), 3);
    EXPECT_EQ(FileSize2(dir / "missing"), 0);
    EXPECT_EQ(FileSize2(""), 0);
}

TEST(FileLookup, LinksAreNeverFollowed) {
    TempDir dir;
    const std::string target = dir / "target.bin";
    WriteFile(target, std::string(5000, 'x'));
    ASSERT_EQ(::symlink("target.bin", (dir / "link").c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("folder", (dir / "folderlink").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);

    // The link's own size is the length of its target text.
    EXPECT_EQ(FileSize2(dir / "link"), static_cast<std::int64_t>(std::string("target.bin").size()));
    EXPECT_TRUE(IsFolder(dir / "folder"));
    EXPECT_FALSE(IsFolder(dir / "folderlink"));
    EXPECT_TRUE(FileExists(dir / "dangling"));
    EXPECT_FALSE(IsFolder(dir / "dangling"));
}

TEST(FileLookup, IsFolderAndFileExists) {
    TempDir dir;
    WriteFile(dir / "file", "x");
    // Names are bytes: a glob character or invalid UTF-8 is taken literally.
    WriteFile(dir / "a*?[b].txt", "x");
    WriteFile(dir / "bad\xff", "x");
    struct Case {
        std::string path;
        bool folder, exists;
    };
    const Case cases[] = {
        {dir.path(), true, true},          {dir / "file", false, true},
        {dir / "missing", false, false},   {"", false, false},
        {dir / "a*?[b].txt", false, true}, {dir / "a?[b].txt", false, false},
        {dir / "bad\xff", false, true},    {"/", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsFolder(c.path), c.folder) << c.path;
        EXPECT_EQ(FileExists(c.path), c.exists) << c.path;
    }
}

TEST(FileLookup, LastModifiedTextUsesLocalTimeAndTheMidnightRule) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    TempDir dir;
    const std::string path = dir / "f";
    WriteFile(path, "x");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);

    // 2006-06-14 15:07:55 UTC
    SetModified(path, 1150297675);
    const QString text = LastModifiedText(path, english);
    EXPECT_TRUE(text.startsWith(QStringLiteral("6/14/06 3:07:55"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("PM"))) << text.toStdString();  // no zone
    EXPECT_EQ(LastModifiedText(path, german), QStringLiteral("14.06.06 15:07:55"));

    // Exactly midnight gives the date alone; a second later does not.
    SetModified(path, 1150243200);  // 2006-06-14 00:00:00 UTC
    EXPECT_EQ(LastModifiedText(path, english), QStringLiteral("6/14/06"));
    SetModified(path, 1150243201);
    EXPECT_NE(LastModifiedText(path, english), QStringLiteral("6/14/06"));

    EXPECT_EQ(LastModifiedText(dir / "missing", english), QString());
}

TEST(FileLookup, LastModifiedTextReadsTheLinkNotItsTarget) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    TempDir dir;
    WriteFile(dir / "target", "x");
    SetModified(dir / "target", 1150243200);
    ASSERT_EQ(::symlink("target", (dir / "link").c_str()), 0);
    SetModified(dir / "link", 1150297675);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(LastModifiedText(dir / "link", german), QStringLiteral("14.06.06 15:07:55"));
}

}  // namespace
}  // namespace corvane
