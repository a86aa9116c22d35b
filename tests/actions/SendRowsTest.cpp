// The send's rules over a real trash in a test folder: kept copies, rows
// without a stamp, a stop mid-send and the all-copies count.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "actions/SendRows.h"
#include "actions/SendTexts.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::Exists;
using testing::TempDir;
using testing::WriteFile;

struct RowSpec {
    const char* name;
    std::uint32_t group;
    std::uint64_t key;  // content key; 0: no content known
    bool ticked;
};

enum class Before { kNothing, kRemoveKeep, kRewriteKeep, kUnstampFirst, kStopAfterFirst };

// What the send knows of the rows' bytes: nothing, the content check's keys,
// or only that they form "Same" groups (no content check ran), which the
// search compared or a saved list claims.
enum class Bytes { kUnknown, kKeys, kSameGroups, kSameFromAList };

struct Case {
    const char* what;
    std::vector<RowSpec> rows;
    Before before;
    Bytes bytes;
    std::vector<SendResult> expected;  // per ticked row, in row order
    std::size_t groupsLosingEveryCopy;
};

const std::vector<Case> kCases = {
    {"kept copy gone",
     {{"keep", 1, 7, false}, {"a", 1, 7, true}, {"b", 1, 7, true}},
     Before::kRemoveKeep,
     Bytes::kKeys,
     {SendResult::kKeptCopyGone, SendResult::kKeptCopyGone},
     0},
    {"kept copy changed",
     {{"keep", 1, 7, false}, {"a", 1, 7, true}},
     Before::kRewriteKeep,
     Bytes::kKeys,
     {SendResult::kKeptCopyGone},
     0},
    {"one set left alone, the other goes",
     {{"keep", 1, 7, false}, {"a", 1, 7, true}, {"keep2", 1, 8, false}, {"b", 1, 8, true}},
     Before::kRemoveKeep,
     Bytes::kKeys,
     {SendResult::kKeptCopyGone, SendResult::kTrashed},
     0},
    {"a second kept copy still holds",
     {{"keep", 1, 7, false}, {"keep2", 1, 7, false}, {"a", 1, 7, true}},
     Before::kRemoveKeep,
     Bytes::kKeys,
     {SendResult::kTrashed},
     0},
    {"bytes unknown: no kept-copy check",
     {{"keep", 1, 7, false}, {"a", 1, 7, true}},
     Before::kRemoveKeep,
     Bytes::kUnknown,
     {SendResult::kTrashed},
     0},
    {"other bytes are no kept copy",
     {{"keep", 1, 9, false}, {"a", 1, 7, true}},
     Before::kRemoveKeep,
     Bytes::kKeys,
     {SendResult::kTrashed},
     0},
    {"Same group unchecked, kept copy gone",
     {{"keep", 1, 0, false}, {"a", 1, 0, true}, {"b", 1, 0, true}},
     Before::kRemoveKeep,
     Bytes::kSameGroups,
     {SendResult::kKeptCopyGone, SendResult::kKeptCopyGone},
     0},
    {"Same group unchecked, kept copy changed",
     {{"keep", 1, 0, false}, {"a", 1, 0, true}},
     Before::kRewriteKeep,
     Bytes::kSameGroups,
     {SendResult::kKeptCopyGone},
     0},
    {"Same group from a saved list: never compared, no kept copy known",
     {{"keep", 1, 0, false}, {"a", 1, 0, true}},
     Before::kRemoveKeep,
     Bytes::kSameFromAList,
     {SendResult::kTrashed},
     0},
    {"row without a stamp",
     {{"keep", 1, 0, false}, {"a", 1, 0, true}, {"b", 1, 0, true}},
     Before::kUnstampFirst,
     Bytes::kUnknown,
     {SendResult::kFailed, SendResult::kTrashed},
     0},
    {"every copy of two groups",
     {{"a", 1, 7, true},
      {"b", 1, 7, true},
      {"c", 2, 0, true},
      {"d", 2, 0, true},
      {"e", 3, 0, false},
      {"f", 3, 0, true}},
     Before::kNothing,
     Bytes::kKeys,
     {SendResult::kTrashed, SendResult::kTrashed, SendResult::kTrashed, SendResult::kTrashed,
      SendResult::kTrashed},
     2},
    {"stop after the first file",
     {{"a", 1, 0, true}, {"b", 1, 0, true}, {"c", 1, 0, true}, {"d", 1, 0, false}},
     Before::kStopAfterFirst,
     Bytes::kUnknown,
     {SendResult::kTrashed, SendResult::kStopped, SendResult::kStopped},
     0},
};

ResultRow RowOf(const std::string& path, std::uint32_t group) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    ResultRow row;
    row.path = path;
    row.stamp = StampOf(st);
    row.stamped = true;
    row.group = group;
    return row;
}

TEST(SendRowsTest, RulesOfOneSend) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        ResultRows rows;
        std::vector<bool> ticked;
        std::vector<RowContent> content;
        for (const RowSpec& given : c.rows) {
            WriteFile(dir / given.name, std::string("bytes ") + given.name);
            rows.push_back(RowOf(dir / given.name, given.group));
            if (c.bytes == Bytes::kSameGroups || c.bytes == Bytes::kSameFromAList) {
                rows.back().type = MatchType::Same;
            }
            ticked.push_back(given.ticked);
            RowContent& row = content.emplace_back();
            if (given.key != 0) {
                row.verdict = ContentVerdict::Identical;
                row.source = KeySource::Content;
                row.key = {0, given.key};
            }
        }
        if (c.before == Before::kUnstampFirst) {
            rows[1].stamped = false;
        }
        const SendPlan plan =
            PlanSend(rows, ticked, c.bytes == Bytes::kKeys ? &content : nullptr,
                     c.bytes == Bytes::kSameFromAList ? SameGroups::kFromAList
                                                      : SameGroups::kComparedBySearch);
        EXPECT_EQ(plan.groupsLosingEveryCopy, c.groupsLosingEveryCopy);
        // The question counts the files whose bytes no one compared.
        std::size_t uncompared = 0;
        for (const RowSpec& given : c.rows) {
            uncompared +=
                given.ticked && (c.bytes == Bytes::kUnknown || c.bytes == Bytes::kSameFromAList ||
                                 (c.bytes == Bytes::kKeys && given.key == 0));
        }
        EXPECT_EQ(plan.neverCompared, uncompared);
        if (c.before == Before::kRemoveKeep) {
            std::remove((dir / "keep").c_str());
        } else if (c.before == Before::kRewriteKeep) {
            WriteFile(dir / "keep", "other bytes, longer");
        }

        StopToken stop;
        SendControl control;
        control.stop = &stop;
        control.progress = [&](std::size_t done, std::size_t) {
            if (c.before == Before::kStopAfterFirst && done >= 1) {
                stop.Stop();
            }
        };
        DesktopTrash trash(TrashPlaces{dir / "data", dir / "state"});
        const SendReport report = SendRows(plan, trash, control);

        ASSERT_EQ(report.files.size(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            SCOPED_TRACE(plan.files[i].path);
            EXPECT_EQ(report.files[i].result, c.expected[i]) << SendResultField(report.files[i]);
            const bool trashed = c.expected[i] == SendResult::kTrashed;
            // A row leaves the list exactly when its file is gone.
            EXPECT_EQ(report.files[i].gone, trashed);
            EXPECT_EQ(Exists(plan.files[i].path), !trashed);
        }
        EXPECT_EQ(report.batch.empty(), report.Count(SendResult::kTrashed) == 0);
        EXPECT_EQ(report.stopped, c.before == Before::kStopAfterFirst);
        if (c.before == Before::kRemoveKeep && c.bytes != Bytes::kUnknown &&
            c.bytes != Bytes::kSameFromAList && c.expected[0] != SendResult::kTrashed) {
            EXPECT_EQ(SendResultField(report.files[0]), "failed: the kept copy is gone or changed");
        }
    }
}

TEST(SendRowsTest, AProtectedRowIsNeverPlannedWhateverTickedIt) {
    TempDir dir;
    ResultRows rows;
    for (const char* name : {"guarded", "copy"}) {
        WriteFile(dir / name, "same bytes");
        rows.push_back(RowOf(dir / name, 1));
    }
    rows[0].isProtected = true;
    const SendPlan plan = PlanSend(rows, {true, true});
    ASSERT_EQ(plan.files.size(), 1u);
    EXPECT_EQ(plan.files[0].path, dir / "copy");
    EXPECT_EQ(plan.neverCompared, 1u);
}

// Answers the opposite of what it did: claims to move the first path and
// leaves it, claims to fail on the second and deletes it; refuses the rest.
class ContraryTrash : public Trash {
  public:
    std::vector<TrashResult> MoveToTrash(const std::vector<std::string>& paths) override {
        std::remove(paths[1].c_str());
        std::vector<TrashResult> results(paths.size(),
                                         TrashResult{false, TrashProblem::kMove, EIO});
        results[0] = TrashResult{true, TrashProblem::kNone, 0};
        results[1] = TrashResult{false, TrashProblem::kSystem, EACCES};
        return results;
    }
};

TEST(SendRowsTest, TheReportFollowsTheDiskAndNamesTenFailures) {
    TempDir dir;
    ResultRows rows;
    for (int i = 0; i < 13; ++i) {
        const std::string path = dir / ("file" + std::to_string(100 + i));
        WriteFile(path, "x");
        rows.push_back(RowOf(path, 1));
    }
    const SendPlan plan = PlanSend(rows, std::vector<bool>(rows.size(), true));
    ContraryTrash trash;
    const SendReport report = SendRows(plan, trash);
    EXPECT_FALSE(report.files[0].gone);
    EXPECT_EQ(report.files[0].problem, TrashProblem::kStillInPlace);
    EXPECT_TRUE(report.files[1].gone);  // its row leaves the list, and the message says why
    EXPECT_EQ(SendFailureReason(report.files[1]),
              TrashProblemText(TrashProblem::kSystem, EACCES) + "; it is no longer in its folder");
    EXPECT_TRUE(report.AnyFailed());
    const QString text = SendFailureText(plan, report);
    EXPECT_TRUE(text.startsWith("13 files could not be moved to the trash:\n"))
        << text.toStdString();
    EXPECT_EQ(text.count(TrashProblemText(TrashProblem::kMove, EIO)), 8);
    EXPECT_TRUE(text.contains("file109") && !text.contains("file110"));
    EXPECT_TRUE(text.endsWith("\n\nand 3 more."));
}

}  // namespace
}  // namespace corvane
