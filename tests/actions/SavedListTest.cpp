// Saved result lists read back: good lists in both forms, hostile ones
// rejected whole, and the second look at each file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "actions/SavedList.h"
#include "support/SearchTestSupport.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::TempDir;
using testing::WriteFile;

std::string Save(const TempDir& dir, const std::string& text) {
    const std::string path = dir / "list";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(SavedList, ReadsBothFormsWithGroupsAndOddPaths) {
    TempDir dir;
    const std::string tsv =
        "Same\tlight green\t9\t9 Bytes\t/s/1\n"
        "Same\tlight green\t9\t9 Bytes\t/s/2\n"
        "Exact\tlight blue\t5\t5 Bytes\t/a/b\\tc\n"
        "Exact\tlight blue\t5\t5 Bytes\t/a/\\xff\\\\d\n"
        "Close\tred\t7\t7 Bytes\t/a/x y\t0123456789abcdef0123456789abcdef\ttrash\n";
    const SavedRows fromTsv = ReadSavedList(Save(dir, tsv));
    ASSERT_TRUE(fromTsv.error.isEmpty()) << fromTsv.error.toStdString();
    ASSERT_EQ(fromTsv.rows.size(), 5u);
    EXPECT_EQ(fromTsv.rows[0].type, MatchType::Same);
    EXPECT_EQ(fromTsv.rows[2].path, "/a/b\tc");
    EXPECT_EQ(fromTsv.rows[3].path, "/a/\xff\\d");
    EXPECT_EQ(fromTsv.rows[4].type, MatchType::Close);
    EXPECT_EQ(fromTsv.rows[4].shade, GroupShade::Dark);
    EXPECT_EQ(fromTsv.rows[4].stamp.size, 7);
    // tsv knows groups only by their shade, counted apart for "Same" groups
    std::vector<std::uint32_t> groups;
    for (const ResultRow& row : fromTsv.rows) {
        groups.push_back(row.group);
    }
    EXPECT_EQ(groups, (std::vector<std::uint32_t>{1, 1, 2, 2, 3}));

    // Group numbers come back from 1 in order, whatever the list says.
    const std::string json =
        "[\n  {\"type\": \"Close\", \"colour\": \"light red\", \"size\": 3, \"size_text\": "
        "\"3 Bytes\", \"modified\": null, \"path\": \"/q/\\\\xfe\", \"group\": 4294967295},\n"
        "  {\"type\": \"Close\", \"colour\": \"red\", \"size\": 3, \"size_text\": "
        "\"3 Bytes\", \"modified\": null, \"path\": \"/q/r\", \"group\": 4}\n]\n";
    const SavedRows fromJson = ReadSavedList(Save(dir, json));
    ASSERT_TRUE(fromJson.error.isEmpty()) << fromJson.error.toStdString();
    ASSERT_EQ(fromJson.rows.size(), 2u);
    EXPECT_EQ(fromJson.rows[0].path, "/q/\xfe");
    EXPECT_EQ(fromJson.rows[0].group, 1u);
    EXPECT_EQ(fromJson.rows[1].group, 2u);
}

TEST(SavedList, HostileListsAreRejectedWhole) {
    TempDir dir;
    const std::string good = "Exact\tlight blue\t5\t5 Bytes\t/a/b\n";
    const std::string cases[] = {
        good + "Exact\tlight blue\t5\t5 Bytes\n",                     // a field missing
        good + "Same\tlight blue\t5\t5 Bytes\t/a/c\n",                // another type's colour
        good + "Exact\tpink\t5\t5 Bytes\t/a/c\n",                     // no such colour
        good + "Exact\tlight blue\t-5\t5 Bytes\t/a/c\n",              // negative size
        good + "Exact\tlight blue\t99999999999999999999\tx\t/a/c\n",  // size overflows
        good + "Exact\tlight blue\t5\t5 Bytes\ta/relative\n",         // not absolute
        good + "Exact\tlight blue\t5\t5 Bytes\t/a/../etc/passwd\n",   // climbs out
        good + "Exact\tlight blue\t5\t5 Bytes\t/a/\\x00b\n",          // NUL
        good + "Exact\tlight blue\t5\t5 Bytes\t/a/\\q\n",             // unknown escape
        good + "Exact\tlight blue\t5\t5 Bytes\t/a/" + std::string(70000, 'x') + "\n",  // huge
        good + "Exact\tlight blue\t5\t5 Bytes\t/a/c",                                  // cut short
        good + "Exact\tlight blue\t5\t5 Bytes\t/a/c\r\n",  // a Windows line end
        "[{\"type\": \"Exact\", \"colour\": \"blue\", \"size\": 1.5, \"path\": \"/a\", "
        "\"group\": 1, \"modified\": null}]",  // fractional size
        "[{\"type\": \"Exact\", \"colour\": \"blue\", \"size\": 1, \"path\": \"/a\\u0000b\", "
        "\"group\": 1, \"modified\": null}]",  // NUL through json
        "[{\"type\": \"Exact\", \"colour\": \"blue\", \"size\": 1, \"path\": \"/a\"}]",  // no group
        "[1, 2, 3]",
        "[{\"type\": \"Exact\"",
        std::string("\x00\x01\x02 binary", 10),
    };
    for (const std::string& text : cases) {
        const SavedRows saved = ReadSavedList(Save(dir, text));
        EXPECT_FALSE(saved.error.isEmpty()) << text.substr(0, 120);
        EXPECT_TRUE(saved.rows.empty());
    }
    // A json object is named as json, not read as a tsv line.
    EXPECT_TRUE(ReadSavedList(Save(dir, "{\"rows\": []}\n")).error.contains("json"));
    // Not a plain file: a link and a FIFO (which must not hang the read).
    ASSERT_EQ(::symlink("list", (dir / "link").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(ReadSavedList(dir / "link").error.isEmpty());
    EXPECT_FALSE(ReadSavedList(dir / "fifo").error.isEmpty());
}

TEST(SavedList, CheckAgainDropsGoneAndChangedFilesAndStampsTheRest) {
    TempDir dir;
    WriteFile(dir / "same", "12345");
    WriteFile(dir / "grown", "123456");
    WriteFile(dir / "touched", "12345");
    SavedRows saved;
    ASSERT_EQ(::symlink(".", (dir / "link").c_str()), 0);
    // "same" named again, as it is and through a linked folder: one file, one row.
    for (const char* name : {"same", "grown", "gone", "touched", "same", "link/same"}) {
        ResultRow row;
        row.path = dir / name;
        row.stamp.size = 5;
        saved.rows.push_back(row);
        saved.modified.push_back(name == std::string("touched") ? "2001-01-01T00:00:00" : "");
    }
    const RecheckedList checked = CheckAgain(saved);
    ASSERT_EQ(checked.kept.size(), 1u);
    EXPECT_EQ(checked.kept[0].path, dir / "same");
    EXPECT_TRUE(checked.kept[0].stamped);
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "same").c_str(), &st), 0);
    EXPECT_EQ(checked.kept[0].stamp, StampOf(st));
    EXPECT_EQ(checked.gone, 1u);
    EXPECT_EQ(checked.changed, 2u);
    EXPECT_EQ(checked.repeated, 2u);
}

}  // namespace
}  // namespace corvane
