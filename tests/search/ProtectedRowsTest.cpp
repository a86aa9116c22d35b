// Protected folders over real trees: which rows become protected, and the
// groups left out because every file of theirs is.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "actions/SearchTexts.h"
#include "search/FindDupes.h"
#include "search/ProtectedRows.h"
#include "support/SearchTestSupport.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::MakeFolder;
using testing::RecordingObserver;
using testing::TempDir;
using testing::WriteFile;

// (path relative to the temporary folder, colour keyword, group, protected)
using Row = std::tuple<std::string, std::string, std::uint32_t, bool>;

struct Listed {
    std::string folder;  // relative to the temporary folder
    bool isProtected = false;
};

TEST(ProtectedRowsTest, FilesUnderAProtectedFolderAreProtectedHoweverReached) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    for (const char* folder : {"keep", "keep/inner", "work", "other"}) {
        MakeFolder(dir / folder);
    }
    for (const char* file : {"keep/p", "keep/inner/p", "work/p", "keep/q", "work/q", "keep/only",
                             "keep/inner/only", "other/h"}) {
        WriteFile(dir / file, file);
    }
    WriteFile(dir / "keep/h", "h");
    ASSERT_EQ(::link((dir / "keep/h").c_str(), (dir / "work/h").c_str()), 0);  // one file

    const std::vector<Row> nested = {
        {"keep/h", "light blue", 1, true},  {"other/h", "light blue", 1, false},
        {"keep/p", "blue", 2, true},        {"keep/inner/p", "blue", 2, true},
        {"work/p", "blue", 2, false},       {"keep/q", "light blue", 3, true},
        {"work/q", "light blue", 3, false},
    };
    struct Case {
        const char* name;
        std::vector<Listed> folders;
        std::vector<Row> rows;
    } cases[] = {
        {"a protected folder inside a listed one: \"only\" is left out",
         {{""}, {"keep", true}},
         nested},
        {"the protected folder first", {{"keep", true}, {""}}, nested},
        {"a folder listed twice, once protected", {{""}, {".", true}}, {}},
        {"a listed folder inside a protected one", {{"", true}, {"work"}}, {}},
        {"a hard link reached through an unprotected folder first",
         {{"work"}, {"other"}, {"keep", true}},
         {{"work/h", "light blue", 1, true},
          {"other/h", "light blue", 1, false},
          {"work/p", "blue", 2, false},
          {"keep/p", "blue", 2, true},
          {"keep/inner/p", "blue", 2, true},
          {"work/q", "light blue", 3, false},
          {"keep/q", "light blue", 3, true}}},
        {"nothing protected",
         {{"keep"}},
         {{"keep/only", "light blue", 1, false},
          {"keep/inner/only", "light blue", 1, false},
          {"keep/p", "blue", 2, false},
          {"keep/inner/p", "blue", 2, false}}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> folders, protectedFolders;
        for (const Listed& listed : c.folders) {
            folders.push_back(listed.folder.empty() ? dir.path() : dir / listed.folder);
            if (listed.isProtected) {
                protectedFolders.push_back(folders.back());
            }
        }
        const StopToken stop;
        RecordingObserver observer;
        observer.options = SearchOptions{true, false, 3};
        FileCatalogue catalogue;
        ResultRows found;
        ASSERT_EQ(FindDupes(folders, catalogue, stop, observer, found), SearchOutcome::Finished);
        MarkProtectedRows(catalogue, protectedFolders, found);
        std::map<std::string, std::uint32_t> groupBefore;
        for (const ResultRow& row : found) {
            groupBefore[row.path] = row.group;
        }
        const std::vector<std::uint32_t> before = DropProtectedGroups(found);
        std::vector<Row> rows;
        for (const ResultRow& row : found) {
            EXPECT_EQ(before.at(row.group - 1), groupBefore.at(row.path)) << c.name;
            rows.emplace_back(row.path.substr(dir.path().size() + 1),
                              ColourKeyword(row.type, row.shade), row.group, row.isProtected);
        }
        EXPECT_EQ(rows, c.rows) << c.name;
    }
}

}  // namespace
}  // namespace corvane
