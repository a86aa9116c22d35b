// Keep rules and the all-copies guard over hand-made rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/KeepRules.h"

namespace corvane {
namespace {

// A row of `group` modified at seconds.nanoseconds; nanoseconds < 0: no stamp.
ResultRow Row(std::uint32_t group, std::string path, std::int64_t seconds = 100,
              std::int32_t nanoseconds = 0) {
    ResultRow row;
    row.path = std::move(path);
    row.group = group;
    row.stamped = nanoseconds >= 0;
    if (row.stamped) {
        row.stamp.size = 10;
        row.stamp.modified = {seconds, nanoseconds};
    }
    return row;
}

RowContent Content(std::uint64_t key, KeySource source = KeySource::Content) {
    RowContent content;
    content.verdict = ContentVerdict::Identical;
    content.source = source;
    content.key = {0, key};
    return content;
}

RowContent Unread() {
    RowContent content;
    content.verdict = ContentVerdict::Unreadable;
    content.error = 13;
    return content;
}

std::string Marks(const std::vector<bool>& marked) {
    std::string text;
    for (const bool m : marked) {
        text += m ? 'T' : 'k';
    }
    return text;
}

TEST(KeepRulesTest, EachRuleKeepsOneFilePerGroup) {
    struct Case {
        const char* name;
        KeepRule rule;
        std::vector<ResultRow> rows;
        std::string marks;  // T: marked for the trash, k: kept or left alone
    } cases[] = {
        {"first", KeepRule::First, {Row(1, "/b"), Row(1, "/a"), Row(1, "/c")}, "kTT"},
        {"oldest by seconds",
         KeepRule::Oldest,
         {Row(1, "/a", 300), Row(1, "/b", 100), Row(1, "/c", 200)},
         "TkT"},
        {"oldest by nanoseconds within a second",
         KeepRule::Oldest,
         {Row(1, "/a", 100, 5), Row(1, "/b", 100, 4), Row(1, "/c", 100, 6)},
         "TkT"},
        {"oldest, equal times: first row",
         KeepRule::Oldest,
         {Row(1, "/a", 100, 7), Row(1, "/b", 100, 7)},
         "kT"},
        {"newest by nanoseconds",
         KeepRule::Newest,
         {Row(1, "/a", 100, 1), Row(1, "/b", 100, 999999999), Row(1, "/c", 99, 0)},
         "TkT"},
        {"newest, equal times: first row",
         KeepRule::Newest,
         {Row(1, "/a", 100), Row(1, "/b", 100)},
         "kT"},
        {"shortest path",
         KeepRule::Shortest,
         {Row(1, "/long/x"), Row(1, "/x"), Row(1, "/xy")},
         "TkT"},
        {"shortest in bytes, tie: first row",
         KeepRule::Shortest,
         {Row(1, "/ab"), Row(1, "/\xc3\xa9"), Row(1, "/abc")},
         "kTT"},
        {"groups apart, rows interleaved",
         KeepRule::Newest,
         {Row(1, "/a", 1), Row(2, "/b", 5), Row(1, "/c", 2), Row(2, "/d", 4)},
         "TkkT"},
        {"a single row is left alone", KeepRule::First, {Row(1, "/a"), Row(2, "/b")}, "kk"},
        {"group 0 is no group", KeepRule::First, {Row(0, "/a"), Row(0, "/b")}, "kk"},
        {"the largest group numbers a saved list may hold",
         KeepRule::First,
         {Row(4294967295u, "/a"), Row(4294967294u, "/b"), Row(4294967295u, "/c"),
          Row(4294967294u, "/d")},
         "kkTT"},
        {"a row without a stamp is neither kept nor marked",
         KeepRule::Oldest,
         {Row(1, "/gone", 0, -1), Row(1, "/a", 200), Row(1, "/b", 300)},
         "kkT"},
        {"no stamp at all: nothing marked",
         KeepRule::First,
         {Row(1, "/a", 0, -1), Row(1, "/b", 0, -1)},
         "kk"},
    };
    for (const Case& c : cases) {
        const std::vector<bool> marked = MarkForTrash(c.rows, c.rule);
        EXPECT_EQ(Marks(marked), c.marks) << c.name;
        // Never a whole group, whatever the rule.
        std::vector<bool> ticked = marked;
        EXPECT_EQ(GroupsWhollyTicked(c.rows, ticked), 0u) << c.name;
    }
}

TEST(KeepRulesTest, AfterTheContentCheckOnlyTheKeptFilesContentIsMarked) {
    const std::vector<ResultRow> rows = {Row(1, "/a"), Row(1, "/b"), Row(1, "/c"), Row(1, "/d"),
                                         Row(2, "/e"), Row(2, "/f"), Row(3, "/g"), Row(3, "/h")};
    struct Case {
        const char* name;
        std::vector<RowContent> content;
        std::string marks;
    } cases[] = {
        {"same key marked, other key and unreadable kept",
         {Content(1), Content(1), Content(2), Unread(), Content(3), Content(3), Content(4),
          Content(4)},
         "kTkkkTkT"},
        {"kept file unreadable: nothing of its group marked",
         {Unread(), Content(1), Content(1), Content(1), Content(3), Content(3), Content(4),
          Content(5)},
         "kkkkkTkk"},
        {"equal bits of a key not from the content count for nothing",
         {Content(1, KeySource::Distinct), Content(1, KeySource::Distinct), Content(1), Content(1),
          Content(3), Content(3, KeySource::Distinct), Content(4), RowContent()},
         "kkkkkkkk"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Marks(MarkForTrash(rows, KeepRule::First, &c.content)), c.marks) << c.name;
    }
}

TEST(KeepRulesTest, GuardCountsGroupsWithEveryRowTicked) {
    const std::vector<ResultRow> rows = {Row(1, "/a"), Row(2, "/b"), Row(1, "/c"),
                                         Row(3, "/d"), Row(2, "/e"), Row(3, "/f")};
    struct Case {
        std::vector<bool> ticked;
        std::size_t whole;
    } cases[] = {
        {{false, false, false, false, false, false}, 0},
        {{true, true, false, true, false, false}, 0},
        {{true, false, true, false, false, false}, 1},  // group 1, rows apart
        {{true, true, true, false, true, true}, 2},
        {{true, true, true, true, true, true}, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GroupsWhollyTicked(rows, c.ticked), c.whole);
    }
    // A group down to one row (the others sent already) counts once ticked.
    EXPECT_EQ(GroupsWhollyTicked({Row(4, "/x")}, {true}), 1u);
}

}  // namespace
}  // namespace corvane
