#include "platform/FileStatus.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <fstream>

#include "support/Files.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(FileStatus, LinksAreNeverFollowed) {
    TempDir dir;
    const std::string target = dir / "target.bin";
    WriteFile(target, std::string(5000, 'x'));
    ASSERT_EQ(::symlink("target.bin", (dir / "link").c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("folder", (dir / "folderlink").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);

    EXPECT_TRUE(FileExists(dir / "link"));
    EXPECT_FALSE(IsFolder(dir / "link"));
    EXPECT_TRUE(IsFolder(dir / "folder"));
    EXPECT_FALSE(IsFolder(dir / "folderlink"));
    EXPECT_TRUE(FileExists(dir / "dangling"));
    EXPECT_FALSE(IsFolder(dir / "dangling"));
}

TEST(FileStatus, IsFolderAndFileExists) {
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

}  // namespace
}  // namespace corvane
