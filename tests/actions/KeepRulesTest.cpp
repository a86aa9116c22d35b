// Content sets, keep rules and the all-copies guard over hand-made rows.
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

ResultRow Protected(ResultRow row) {
    row.isProtected = true;
    return row;
}

// A verdict as the content check gives it; key 0 is "no key" (`verdict`
// says why), a negative key one that only tells the file apart.
RowContent Content(int key, ContentVerdict verdict = ContentVerdict::Identical) {
    RowContent content;
    content.verdict = verdict;
    if (key != 0) {
        content.source = key > 0 ? KeySource::Content : KeySource::Distinct;
        content.key = {7, static_cast<std::uint64_t>(key > 0 ? key : -key)};
    }
    return content;
}

const RowContent kUnreadable = Content(0, ContentVerdict::Unreadable);
const RowContent kChanged = Content(0, ContentVerdict::Changed);
const RowContent kNotChecked = Content(0, ContentVerdict::NotChecked);

std::string Marks(const std::vector<bool>& marked) {
    std::string text;
    for (const bool m : marked) {
        text += m ? 'T' : 'k';
    }
    return text;
}

// Each row's set as a letter ('-' for none), capital when the set is the
// whole group.
std::string Letters(const std::vector<ContentSet>& sets) {
    std::string text;
    for (const ContentSet& set : sets) {
        text += set.number == 0 ? '-'
                                : static_cast<char>((set.wholeGroup ? 'A' : 'a') + set.number - 1);
    }
    return text;
}

TEST(KeepRulesTest, EachRulePicksTheKeptFileOfASet) {
    struct Case {
        const char* name;
        KeepRule rule;
        ResultRows rows;
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
        {"a protected file is kept, whatever the rule",
         KeepRule::Oldest,
         {Row(1, "/a", 100), Protected(Row(1, "/b", 300)), Row(1, "/c", 200)},
         "TkT"},
        {"the rule picks among the protected files; none of them is marked",
         KeepRule::Newest,
         {Protected(Row(1, "/a", 100)), Row(1, "/b", 900), Protected(Row(1, "/c", 300))},
         "kTk"},
        {"a set all protected: nothing marked",
         KeepRule::First,
         {Protected(Row(1, "/a")), Protected(Row(1, "/b"))},
         "kk"},
        {"group 0 is no group", KeepRule::First, {Row(0, "/a"), Row(0, "/b")}, "kk"},
        {"the largest group numbers a saved list may hold",
         KeepRule::First,
         {Row(4294967295u, "/a"), Row(4294967294u, "/b"), Row(4294967295u, "/c"),
          Row(4294967294u, "/d")},
         "kkTT"},
    };
    for (const Case& c : cases) {
        // Every row of a group holds one content: the group is one set.
        const std::vector<RowContent> content(c.rows.size(), Content(1));
        const std::vector<bool> marked = MarkForTrash(c.rows, c.rule, content);
        EXPECT_EQ(Marks(marked), c.marks) << c.name;
        EXPECT_EQ(GroupsWhollyTicked(c.rows, marked), 0u) << c.name;
    }
}

// Groups of more than one content: each set keeps one file; rows in no set
// are never marked. The letters are the sets ContentSets gives.
TEST(KeepRulesTest, EachContentSetKeepsOneFile) {
    using V = ContentVerdict;
    struct Case {
        const char* name;
        KeepRule rule;
        ResultRows rows;
        std::vector<RowContent> content;
        std::string marks;
        std::string letters;
    } cases[] = {
        {"two sets, rows interleaved",
         KeepRule::First,
         {Row(1, "/a"), Row(1, "/b"), Row(1, "/c"), Row(1, "/d"), Row(1, "/e")},
         {Content(5), Content(3), Content(5), Content(3), Content(3)},
         "kkTTT",
         "ababb"},
        {"three sets and a unique file, newest kept in each",
         KeepRule::Newest,
         {Row(1, "/a", 1), Row(1, "/b", 2), Row(1, "/c", 3), Row(1, "/d", 4), Row(1, "/e", 5),
          Row(1, "/f", 6), Row(1, "/g", 7)},
         {Content(1), Content(2), Content(3), Content(1), Content(2), Content(3),
          Content(4, V::Differs)},
         "TTTkkkk",
         "abcabc-"},
        {"an unreadable and a changed file stay unmarked",
         KeepRule::First,
         {Row(1, "/a"), Row(1, "/b"), Row(1, "/c"), Row(1, "/d")},
         {kUnreadable, Content(1), kChanged, Content(1)},
         "kkkT",
         "-a-a"},
        {"the first row unreadable: the set keeps its own first file",
         KeepRule::First,
         {Row(1, "/a"), Row(1, "/b"), Row(1, "/c")},
         {kUnreadable, Content(1), Content(1)},
         "kkT",
         "-aa"},
        {"a protected file keeps its set; the other set keeps its first",
         KeepRule::First,
         {Row(1, "/a"), Row(1, "/b"), Row(1, "/c"), Protected(Row(1, "/d"))},
         {Content(1), Content(2), Content(1), Content(1)},
         "TkTk",
         "a-aa"},
        {"equal bits of keys not from the whole content are no set",
         KeepRule::First,
         {Row(1, "/a"), Row(1, "/b"), Row(1, "/c"), Row(1, "/d")},
         {Content(-1, V::Differs), Content(-1, V::Differs), Content(1), Content(1)},
         "kkkT",
         "--aa"},
        {"equal keys in two groups are two sets",
         KeepRule::First,
         {Row(1, "/a"), Row(2, "/b"), Row(1, "/c"), Row(2, "/d"), Row(2, "/e")},
         {Content(1), Content(1), Content(1), Content(1), Content(2, V::Differs)},
         "kkTTk",
         "AaAa-"},
        {"a group with a row a stop left undecided: nothing of it marked",
         KeepRule::First,
         {Row(1, "/a"), Row(2, "/b"), Row(1, "/c"), Row(2, "/d"), Row(1, "/e")},
         {Content(1), Content(2), Content(1), Content(2), kNotChecked},
         "kkkTk",
         "aAaA-"},
        {"nothing checked: nothing marked",
         KeepRule::First,
         {Row(1, "/a"), Row(1, "/b")},
         {kNotChecked, kNotChecked},
         "kk",
         "--"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Marks(MarkForTrash(c.rows, c.rule, c.content)), c.marks) << c.name;
        EXPECT_EQ(Letters(ContentSets(c.rows, c.content)), c.letters) << c.name;
    }
}

TEST(KeepRulesTest, GuardCountsGroupsWithEveryRowTicked) {
    const ResultRows rows = {Row(1, "/a"), Row(2, "/b"), Row(1, "/c"),
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
