#include "catalogue/FileCatalogue.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(FileCatalogue, AppendsAndReadsInOrder) {
    FileCatalogue catalogue;
    catalogue.Append("/x/", "a.txt", 10, {1, 2});
    catalogue.Append("/x/", "B.TXT");
    catalogue.Append("/y/z/", "a.txt", 0);
    catalogue.Append("/x/", "\xff name\twith\nodd bytes", 4294967306LL);

    ASSERT_EQ(catalogue.FileCount(), 4u);
    EXPECT_EQ(catalogue.FileName(0), "a.txt");
    EXPECT_EQ(catalogue.FileFolder(0), "/x/");
    EXPECT_EQ(catalogue.FileBytes(0), "10");
    EXPECT_EQ(catalogue.Id(0), (FileId{1, 2}));
    EXPECT_EQ(catalogue.FileBytes(1), "");  // no size recorded
    EXPECT_EQ(catalogue.FileBytes(2), "0");
    EXPECT_EQ(catalogue.FullPath(2), "/y/z/a.txt");
    EXPECT_EQ(catalogue.FullPath(3), "/x/\xff name\twith\nodd bytes");
    EXPECT_EQ(catalogue.FileBytes(3), "4294967306");
    // Files of one folder share it; a folder met again later is a new one.
    EXPECT_EQ(catalogue.FolderIndex(0), catalogue.FolderIndex(1));
    EXPECT_NE(catalogue.FolderIndex(0), catalogue.FolderIndex(2));
    EXPECT_EQ(catalogue.FileFolder(3), "/x/");
}

TEST(FileCatalogue, ResetEmptiesTheCatalogue) {
    FileCatalogue catalogue;
    catalogue.Append("/x/", "a", 5);
    catalogue.Reset();
    EXPECT_EQ(catalogue.FileCount(), 0u);

    // A second search's entries start again at position 0, without old sizes.
    catalogue.Append("/x/", "a");
    EXPECT_EQ(catalogue.FileBytes(0), "");
}

TEST(FileCatalogue, KeepsTheTimesOnlyOfEntriesGivenThem) {
    const auto stamp = [](std::int64_t seconds, std::int32_t nanoseconds) {
        return FileStamp{{1, 7}, 12, {seconds, nanoseconds}, {seconds + 1, 999999999}};
    };
    const FileStamp kept[] = {stamp(1700000000, 5), stamp(-1, 999999999), stamp(0, 0),
                              stamp(8999999999, 1)};
    FileCatalogue catalogue;
    catalogue.Append("/x/", "plain", 3);
    for (const FileStamp& s : kept) {
        catalogue.Append("/x/", "kept", s);
    }
    catalogue.Append("/x/", "far", stamp(9000000001, 0));  // too far from 1970 to pack
    catalogue.Append("/x/", "plain again", 3);

    EXPECT_FALSE(catalogue.Stamp(0));
    for (std::size_t k = 0; k < std::size(kept); ++k) {
        EXPECT_EQ(catalogue.Stamp(k + 1), kept[k]) << k;
    }
    EXPECT_FALSE(catalogue.Stamp(5));
    EXPECT_EQ(catalogue.FileBytes(5), "12");
    EXPECT_FALSE(catalogue.Stamp(6));
    catalogue.Reset();
    catalogue.Append("/x/", "a");
    EXPECT_FALSE(catalogue.Stamp(0));
}

}  // namespace
}  // namespace corvane
