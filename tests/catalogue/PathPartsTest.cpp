#include "catalogue/PathParts.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(PathParts, SplitsAtTheLastSlash) {
    struct Case {
        std::string_view path, folder, name;
    };
    const Case cases[] = {
        {"/data/report.txt", "/data/", "report.txt"},
        {"/data/", "/data/", ""},
        {"report.txt", "", "report.txt"},
        {"", "", ""},
        {"/", "/", ""},
        {"/a.txt", "/", "a.txt"},
        {"a\\b/c\\d", "a\\b/", "c\\d"},  // a backslash is an ordinary byte
        {"/x/\xff\xfe.bin", "/x/", "\xff\xfe.bin"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
        EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
    }
}

}  // namespace
}  // namespace corvane
