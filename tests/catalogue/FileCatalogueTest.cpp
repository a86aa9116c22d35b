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

}  // namespace
}  // namespace corvane
