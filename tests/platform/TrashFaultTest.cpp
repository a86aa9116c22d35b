// Every file-system call of a send, and of an undo, made to fail in turn: no
// failure may lose a file or leave it in the trash without a complete entry,
// and the answer must name exactly the files that did not go.
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>

#include "platform/Trash.h"
#include "platform/TrashTestSupport.h"

namespace corvane {
namespace {

using testing::EntriesOf;
using testing::Exists;
using testing::FaultyCalls;
using testing::Names;
using testing::PlacesIn;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// A short name, a name too long to keep in the trash, and a file deep in
// folders; neither the trash nor the journal's folder exists yet.
struct Batch {
    TempDir dir;
    std::vector<std::string> paths;
    std::vector<TrashRequest> requests;
    Batch() {
        for (const char* folder : {"/deep", "/deep/er"}) {
            ::mkdir((dir.path() + folder).c_str(), 0755);
        }
        paths = {dir / "short.txt", dir / (std::string(240, 'l') + ".txt"), dir / "deep/er/c.txt"};
        for (const auto& path : paths) {
            WriteFile(path, "content of " + path);
            requests.push_back({path, StatPath(path).stamp});
        }
    }
    std::string Content(std::size_t i) const { return "content of " + paths[i]; }
    bool AtHome(std::size_t i) const {
        return Exists(paths[i]) && ReadFile(paths[i]) == Content(i);
    }
};

// Each file is at its place or in the trash with a complete entry, never both,
// never neither; `inTrash` answers which.
void ExpectEachFileSomewhere(const Batch& batch, std::vector<bool>& inTrash) {
    bool complete = false;
    const auto entries = EntriesOf(batch.dir / "data/Trash", complete);
    EXPECT_TRUE(complete);
    inTrash.assign(batch.paths.size(), false);
    for (std::size_t i = 0; i < batch.paths.size(); ++i) {
        const auto found = entries.find(batch.paths[i]);
        inTrash[i] = found != entries.end() && found->second.content == batch.Content(i);
        EXPECT_NE(batch.AtHome(i), inTrash[i]) << batch.paths[i];
    }
}

// One failing call, its errno taken in turn from ENOSPC, EIO and EACCES (the
// code takes one path for all three; the turn keeps every errno in play at
// little cost), or a drive that stays full from that call on.
struct Fault {
    bool sticky;
    int ErrorAt(long call) const {
        static constexpr int kTurn[] = {ENOSPC, EIO, EACCES};
        return sticky ? ENOSPC : kTurn[call % 3];
    }
};

std::string Describe(const Fault& fault, long call) {
    return std::string(strerrorname_np(fault.ErrorAt(call))) + (fault.sticky ? " from" : " at") +
           " call " + std::to_string(call);
}

const Fault kFaults[] = {{false}, {true}};

TEST(TrashFaults, ASendNeverLosesAFile) {
    for (const Fault& fault : kFaults) {
        for (long call = 1;; ++call) {
            ASSERT_LT(call, 2000) << "the send never ran untouched";
            SCOPED_TRACE(Describe(fault, call));
            Batch batch;
            FaultyCalls calls(call, fault.ErrorAt(call), fault.sticky);
            TrashBatch sent;
            {
                DesktopTrash trash(PlacesIn(batch.dir), calls);
                sent = trash.Send(batch.requests);
            }
            ASSERT_EQ(sent.results.size(), batch.paths.size());
            std::vector<bool> inTrash;
            ExpectEachFileSomewhere(batch, inTrash);
            bool anyMoved = false;
            for (std::size_t i = 0; i < batch.paths.size(); ++i) {
                EXPECT_EQ(sent.results[i].moved, inTrash[i]) << batch.paths[i];
                EXPECT_EQ(sent.results[i].moved, sent.results[i].problem == TrashProblem::kNone);
                anyMoved = anyMoved || inTrash[i];
            }
            EXPECT_EQ(sent.id.empty(), !anyMoved);

            // The journal left behind brings every file back.
            if (::testing::Test::HasFailure()) {
                return;
            }
            const FaultyCalls untouched;
            DesktopTrash later(PlacesIn(batch.dir), untouched);
            const UndoOutcome undone = later.UndoLastBatch();
            EXPECT_TRUE(undone.problem == UndoProblem::kNone ||
                        (undone.problem == UndoProblem::kNoBatch && !anyMoved))
                << UndoProblemText(undone.problem, undone.error, undone.line).toStdString();
            for (std::size_t i = 0; i < batch.paths.size(); ++i) {
                EXPECT_TRUE(batch.AtHome(i)) << batch.paths[i];
            }
            EXPECT_TRUE(Names(batch.dir / "data/Trash/files").empty());
            if (!fault.sticky) {
                // One failure leaves no reserved entry behind either.
                EXPECT_TRUE(Names(batch.dir / "data/Trash/info").empty());
            }
            if (!calls.failed()) {
                std::printf("[ send    ] %s: %ld calls\n", Describe(fault, call).c_str(),
                            calls.calls());
                for (const auto& result : sent.results) {
                    EXPECT_TRUE(result.moved);
                }
                break;
            }
        }
    }
}

TEST(TrashFaults, ACrashAtAnyStepOfASendIsUndoneInFull) {
    for (long call = 1;; ++call) {
        ASSERT_LT(call, 2000) << "the send never ran untouched";
        SCOPED_TRACE("crash at call " + std::to_string(call));
        Batch batch;
        FaultyCalls calls(call, EIO, true);
        DesktopTrash(PlacesIn(batch.dir), calls).Send(batch.requests);
        calls.LoseUnsynced();  // the power cut: only what was synced is left
        std::vector<bool> inTrash;
        ExpectEachFileSomewhere(batch, inTrash);
        const FaultyCalls untouched;
        DesktopTrash(PlacesIn(batch.dir), untouched).UndoLastBatch();
        for (std::size_t i = 0; i < batch.paths.size(); ++i) {
            EXPECT_TRUE(batch.AtHome(i)) << batch.paths[i];
        }
        // Reserved entries whose file never moved are removed too.
        EXPECT_TRUE(Names(batch.dir / "data/Trash/files").empty());
        EXPECT_TRUE(Names(batch.dir / "data/Trash/info").empty());
        if (::testing::Test::HasFailure()) {
            return;
        }
        if (!calls.failed()) {
            std::printf("[ crash   ] %ld calls\n", calls.calls());
            break;
        }
    }
}

TEST(TrashFaults, AnUndoNeverLosesAFile) {
    for (const Fault& fault : kFaults) {
        for (long call = 1;; ++call) {
            ASSERT_LT(call, 2000) << "the undo never ran untouched";
            SCOPED_TRACE(Describe(fault, call));
            Batch batch;
            const FaultyCalls untouched;
            DesktopTrash(PlacesIn(batch.dir), untouched).Send(batch.requests);
            FaultyCalls calls(call, fault.ErrorAt(call), fault.sticky);
            const UndoOutcome undone = DesktopTrash(PlacesIn(batch.dir), calls).UndoLastBatch();
            std::vector<bool> inTrash;
            ExpectEachFileSomewhere(batch, inTrash);
            if (undone.files.size() == batch.paths.size()) {
                for (std::size_t i = 0; i < batch.paths.size(); ++i) {
                    EXPECT_EQ(undone.files[i].restored, !inTrash[i]) << batch.paths[i];
                }
            } else {
                // Stopped before any file: the record could not be read.
                EXPECT_NE(undone.problem, UndoProblem::kNone);
                EXPECT_TRUE(undone.files.empty());
                for (const bool trashed : inTrash) {
                    EXPECT_TRUE(trashed);
                }
            }
            // What a failure left in the trash comes back with the next undo.
            DesktopTrash(PlacesIn(batch.dir), untouched).UndoLastBatch();
            for (std::size_t i = 0; i < batch.paths.size(); ++i) {
                EXPECT_TRUE(batch.AtHome(i)) << batch.paths[i];
            }
            if (::testing::Test::HasFailure()) {
                return;
            }
            if (!calls.failed()) {
                std::printf("[ undo    ] %s: %ld calls\n", Describe(fault, call).c_str(),
                            calls.calls());
                EXPECT_EQ(undone.problem, UndoProblem::kNone);
                break;
            }
        }
    }
}

}  // namespace
}  // namespace corvane
