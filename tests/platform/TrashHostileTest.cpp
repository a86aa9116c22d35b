// Sending and undoing against a tree that changes under them: folders swapped
// for links at every step, a crash at every step of an undo, a stop in the
// middle, two undos at once, failures that pass, names taken by stray files,
// paths past PATH_MAX.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <cstdio>

#include "platform/Trash.h"
#include "platform/TrashJournal.h"
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

// dir/tree/sub/NAME for each name, stamped; dir/outside holds a file of the
// same name that is not the user's to send.
struct Tree {
    TempDir dir;
    std::vector<TrashRequest> requests;
    explicit Tree(const std::vector<std::string>& names) {
        for (const char* folder : {"/tree", "/tree/sub", "/outside"}) {
            ::mkdir((dir.path() + folder).c_str(), 0755);
        }
        for (const auto& name : names) {
            WriteFile(dir / ("tree/sub/" + name), "mine " + name);
            WriteFile(dir / ("outside/" + name), "foreign " + name);
            requests.push_back(
                {dir / ("tree/sub/" + name), StatPath(dir / ("tree/sub/" + name)).stamp});
        }
    }
    // tree/sub becomes a link to outside; the real folder waits aside.
    void SwapForLink() const {
        ::rename((dir / "tree/sub").c_str(), (dir / "tree/sub.away").c_str());
        ::symlink((dir / "outside").c_str(), (dir / "tree/sub").c_str());
    }
    std::string Path(const std::string& name) const { return dir / ("tree/sub/" + name); }
};

TEST(TrashHostile, AFolderSwappedForALinkAtAnyStepNeverSendsWhatLiesBehindIt) {
    for (long call = 1;; ++call) {
        ASSERT_LT(call, 500) << "the send never ran untouched";
        SCOPED_TRACE("swapped at call " + std::to_string(call));
        const Tree tree({"a.txt", "b.txt"});
        FaultyCalls calls;
        calls.onCall = [&](long n) {
            if (n == call) {
                tree.SwapForLink();
            }
        };
        const TrashBatch batch = DesktopTrash(PlacesIn(tree.dir), calls).Send(tree.requests);
        bool complete = false;
        for (const auto& [path, entry] : EntriesOf(tree.dir / "data/Trash", complete)) {
            EXPECT_EQ(entry.content.substr(0, 5), "mine ") << path;
        }
        EXPECT_TRUE(complete);
        for (const std::string name : {"a.txt", "b.txt"}) {
            EXPECT_EQ(ReadFile(tree.dir / ("outside/" + name)), "foreign " + name);
        }
        for (const TrashResult& result : batch.results) {
            EXPECT_TRUE(result.moved || result.problem == TrashProblem::kChanged ||
                        result.problem == TrashProblem::kVanished)
                << TrashProblemText(result.problem, result.error).toStdString();
        }
        if (::testing::Test::HasFailure() || calls.calls() < call) {
            return;
        }
    }
}

TEST(TrashHostile, UndoNeverRestoresThroughALink) {
    struct Case {
        const char* what;
        bool removeFolder;  // tree/sub gone, and tree itself a link
    };
    for (const Case& c : {Case{"a parent that became a link", false},
                          Case{"a missing parent under a linked grandparent", true}}) {
        SCOPED_TRACE(c.what);
        const Tree tree({"a.txt"});
        ::unlink((tree.dir / "outside/a.txt").c_str());
        DesktopTrash(PlacesIn(tree.dir)).Send(tree.requests);
        if (c.removeFolder) {
            ::rmdir((tree.dir / "tree/sub").c_str());
            ::rename((tree.dir / "tree").c_str(), (tree.dir / "tree.away").c_str());
            ::symlink((tree.dir / "outside").c_str(), (tree.dir / "tree").c_str());
        } else {
            tree.SwapForLink();
        }
        const UndoOutcome undone = DesktopTrash(PlacesIn(tree.dir)).UndoLastBatch();
        ASSERT_EQ(undone.files.size(), 1u);
        EXPECT_FALSE(undone.files[0].restored);
        EXPECT_EQ(undone.files[0].problem, TrashProblem::kOriginalFolder);
        EXPECT_TRUE(undone.stillUndoable);
        EXPECT_TRUE(Names(tree.dir / "outside").empty());
        bool complete = false;
        EXPECT_EQ(EntriesOf(tree.dir / "data/Trash", complete).size(), 1u);
    }
}

TEST(TrashHostile, AFolderSwappedForALinkAtAnyStepOfAnUndoNeverRestoresBehindIt) {
    for (long call = 1;; ++call) {
        ASSERT_LT(call, 500) << "the undo never ran untouched";
        SCOPED_TRACE("swapped at call " + std::to_string(call));
        const Tree tree({"a.txt", "b.txt"});
        DesktopTrash(PlacesIn(tree.dir)).Send(tree.requests);
        FaultyCalls calls;
        calls.onCall = [&](long n) {
            if (n == call) {
                tree.SwapForLink();
            }
        };
        const UndoOutcome undone = DesktopTrash(PlacesIn(tree.dir), calls).UndoLastBatch();
        // Each file is back in its own folder (wherever that now lies) or
        // still in the trash with its entry; nothing lands behind the link.
        bool complete = false;
        const auto entries = EntriesOf(tree.dir / "data/Trash", complete);
        EXPECT_TRUE(complete);
        EXPECT_EQ(Names(tree.dir / "outside").size(), 2u);
        const bool swapped = calls.calls() >= call;
        for (const UndoResult& file : undone.files) {
            const std::string name = file.path.substr(file.path.rfind('/') + 1);
            const std::string home = tree.dir / ((swapped ? "tree/sub.away/" : "tree/sub/") + name);
            EXPECT_EQ(file.restored, Exists(home)) << name;
            EXPECT_NE(file.restored, entries.count(file.path) == 1) << name;
            EXPECT_EQ(ReadFile(tree.dir / ("outside/" + name)), "foreign " + name);
        }
        if (::testing::Test::HasFailure() || !swapped) {
            return;
        }
    }
}

TEST(TrashHostile, ACrashAtAnyStepOfAnUndoIsUndoneByTheNext) {
    for (long call = 1;; ++call) {
        ASSERT_LT(call, 2000) << "the undo never ran untouched";
        SCOPED_TRACE("crash at call " + std::to_string(call));
        const Tree tree({"a.txt", "b.txt"});
        DesktopTrash(PlacesIn(tree.dir)).Send(tree.requests);
        FaultyCalls calls(call, EIO, true);
        DesktopTrash(PlacesIn(tree.dir), calls).UndoLastBatch();
        calls.LoseUnsynced();  // the power cut: only what was synced is left
        const FaultyCalls untouched;
        DesktopTrash(PlacesIn(tree.dir), untouched).UndoLastBatch();
        for (const TrashRequest& request : tree.requests) {
            EXPECT_TRUE(Exists(request.path)) << request.path;
        }
        EXPECT_TRUE(Names(tree.dir / "data/Trash/files").empty());
        EXPECT_TRUE(Names(tree.dir / "data/Trash/info").empty());
        if (::testing::Test::HasFailure() || !calls.failed()) {
            return;
        }
    }
}

// A control that trips its stop once `after` files are done.
struct StopAfter {
    StopToken stop;
    SendControl control;
    explicit StopAfter(std::size_t after)
        : control{&stop, [this, after](std::size_t done, std::size_t) {
                      if (done >= after) {
                          stop.Stop();
                      }
                  }} {}
};

TEST(TrashHostile, AStopIsHeardBetweenFilesAndTheRestComesBackLater) {
    const Tree tree({"a.txt", "b.txt", "c.txt"});
    StopAfter send(1);
    const TrashBatch batch = DesktopTrash(PlacesIn(tree.dir)).Send(tree.requests, send.control);
    ASSERT_EQ(batch.results.size(), 3u);
    EXPECT_TRUE(batch.results[0].moved);
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(batch.results[i].problem, TrashProblem::kNotAttempted);
        EXPECT_TRUE(Exists(tree.requests[i].path));
    }
    EXPECT_EQ(Names(tree.dir / "data/Trash/info").size(), 1u);

    const Tree all({"a.txt", "b.txt", "c.txt"});
    DesktopTrash(PlacesIn(all.dir)).Send(all.requests);
    StopAfter undo(1);
    const UndoOutcome first = DesktopTrash(PlacesIn(all.dir)).UndoLastBatch(undo.control);
    ASSERT_EQ(first.files.size(), 3u);
    EXPECT_TRUE(first.files[0].restored);
    EXPECT_EQ(first.files[2].problem, TrashProblem::kUndoNotAttempted);
    EXPECT_TRUE(first.stillUndoable);
    const UndoOutcome rest = DesktopTrash(PlacesIn(all.dir)).UndoLastBatch();
    ASSERT_EQ(rest.files.size(), 2u);  // the first is not reported twice
    for (const UndoResult& file : rest.files) {
        EXPECT_TRUE(file.restored) << file.path;
    }
    EXPECT_FALSE(DesktopTrash(PlacesIn(all.dir)).HasBatchToUndo());
}

TEST(TrashHostile, TwoUndosAtOnceRestoreEachFileOnceAndBothSaySo) {
    for (long call = 1;; ++call) {
        ASSERT_LT(call, 500);
        SCOPED_TRACE("the other undo at call " + std::to_string(call));
        const Tree tree({"a.txt", "b.txt"});
        DesktopTrash(PlacesIn(tree.dir)).Send(tree.requests);
        UndoOutcome other;
        FaultyCalls calls;
        calls.onCall = [&](long n) {
            if (n == call) {
                other = DesktopTrash(PlacesIn(tree.dir)).UndoLastBatch();
            }
        };
        const UndoOutcome mine = DesktopTrash(PlacesIn(tree.dir), calls).UndoLastBatch();
        const UndoOutcome* const outcomes[] = {&mine, &other};
        for (const UndoOutcome* outcome : outcomes) {
            for (const UndoResult& file : outcome->files) {
                EXPECT_TRUE(file.restored)
                    << file.path << ": " << TrashProblemText(file.problem).toStdString();
            }
        }
        for (const TrashRequest& request : tree.requests) {
            EXPECT_TRUE(Exists(request.path));
        }
        EXPECT_TRUE(Names(tree.dir / "data/Trash/info").empty());
        if (::testing::Test::HasFailure() || calls.calls() < call) {
            return;
        }
    }
}

TEST(TrashHostile, AFailureThatPassesDoesNotUseUpTheUndo) {
    const Tree tree({"blocked", "folder", "fine"});
    DesktopTrash(PlacesIn(tree.dir)).Send(tree.requests);
    WriteFile(tree.Path("blocked"), "in the way");
    ::mkdir(tree.Path("folder").c_str(), 0755);
    const std::string trash = tree.dir / "data/Trash";
    const UndoOutcome first = DesktopTrash(PlacesIn(tree.dir)).UndoLastBatch();
    ASSERT_EQ(first.files.size(), 3u);
    EXPECT_EQ(first.files[0].problem, TrashProblem::kOriginalTaken);
    EXPECT_EQ(first.files[1].problem, TrashProblem::kFolderAtOriginal);
    EXPECT_NE(TrashProblemText(first.files[1].problem).indexOf(QStringLiteral("folder")), -1);
    EXPECT_TRUE(first.files[2].restored);
    EXPECT_TRUE(DesktopTrash(PlacesIn(tree.dir)).HasBatchToUndo());

    // The trash away (its drive unmounted), then the way cleared.
    ::rename(trash.c_str(), (trash + ".away").c_str());
    const UndoOutcome away = DesktopTrash(PlacesIn(tree.dir)).UndoLastBatch();
    ASSERT_EQ(away.files.size(), 2u);
    EXPECT_EQ(away.files[0].problem, TrashProblem::kTrashUnreachable);
    ::rename((trash + ".away").c_str(), trash.c_str());
    ::unlink(tree.Path("blocked").c_str());
    ::rmdir(tree.Path("folder").c_str());
    const UndoOutcome last = DesktopTrash(PlacesIn(tree.dir)).UndoLastBatch();
    ASSERT_EQ(last.files.size(), 2u);
    EXPECT_TRUE(last.files[0].restored && last.files[1].restored);
    EXPECT_EQ(ReadFile(tree.Path("blocked")), "mine blocked");
    EXPECT_FALSE(DesktopTrash(PlacesIn(tree.dir)).HasBatchToUndo());
}

TEST(TrashHostile, ANameHeldByAStrayFileIsNeverReplaced) {
    const Tree tree({"a.txt"});
    ::mkdir((tree.dir / "data").c_str(), 0700);
    ::mkdir((tree.dir / "data/Trash").c_str(), 0700);
    ::mkdir((tree.dir / "data/Trash/files").c_str(), 0700);
    WriteFile(tree.dir / "data/Trash/files/a.txt", "stray");
    // And a stray that turns up after the name was chosen.
    FaultyCalls calls;
    calls.onCall = [&](long) {
        if (Exists(tree.dir / "data/Trash/info/a~2.txt.trashinfo") &&
            !Exists(tree.dir / "data/Trash/files/a~2.txt")) {
            WriteFile(tree.dir / "data/Trash/files/a~2.txt", "late stray");
        }
    };
    const TrashBatch batch = DesktopTrash(PlacesIn(tree.dir), calls).Send(tree.requests);
    ASSERT_TRUE(batch.results.at(0).moved);
    EXPECT_EQ(ReadFile(tree.dir / "data/Trash/files/a.txt"), "stray");
    EXPECT_EQ(ReadFile(tree.dir / "data/Trash/files/a~2.txt"), "late stray");
    EXPECT_EQ(ReadFile(tree.dir / "data/Trash/files/a~3.txt"), "mine a.txt");
    EXPECT_FALSE(Exists(tree.dir / "data/Trash/info/a~2.txt.trashinfo"));
}

TEST(TrashHostile, AFileReachedThroughABindMountStaysAndSaysWhy) {
    const Tree tree({"a.txt"});
    const std::string view = tree.dir / "view";
    ::mkdir(view.c_str(), 0755);
    if (::mount((tree.dir / "tree").c_str(), view.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "a bind mount needs root";
    }
    const std::string path = view + "/sub/a.txt";
    const TrashBatch batch = DesktopTrash(PlacesIn(tree.dir)).Send({{path, StatPath(path).stamp}});
    ::umount(view.c_str());
    ASSERT_EQ(batch.results.size(), 1u);
    EXPECT_EQ(batch.results[0].problem, TrashProblem::kCrossDevice);
    EXPECT_NE(TrashProblemText(batch.results[0].problem, batch.results[0].error)
                  .indexOf(QStringLiteral("bind mount")),
              -1);
    EXPECT_EQ(ReadFile(tree.Path("a.txt")), "mine a.txt");
    EXPECT_TRUE(Names(tree.dir / "data/Trash/info").empty());
}

TEST(TrashHostile, ARewriteWithItsOldSizeAndTimeIsNotTheFileTheSearchSaw) {
    const Tree tree({"a.txt"});
    const FileStamp seen = tree.requests[0].expected.value();
    WriteFile(tree.Path("a.txt"), "MINE a.txt");  // same size
    const timespec times[2] = {{0, UTIME_OMIT}, {seen.modified.seconds, seen.modified.nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path("a.txt").c_str(), times, 0), 0);
    const TrashBatch batch = DesktopTrash(PlacesIn(tree.dir)).Send(tree.requests);
    EXPECT_EQ(batch.results.at(0).problem, TrashProblem::kChanged);
    EXPECT_EQ(ReadFile(tree.Path("a.txt")), "MINE a.txt");
}

TEST(TrashHostile, PathsPastPathMaxGoAndComeBack) {
    const Tree tree(std::vector<std::string>{});
    std::string path = tree.dir / "tree";
    int folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string name(200, 'd');
    while (path.size() <= 5000) {
        ASSERT_EQ(::mkdirat(folder, name.c_str(), 0755), 0);
        const int next = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(folder);
        folder = next;
        path += "/" + name;
    }
    const int fd = ::openat(folder, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(fd, "deep", 4), 4);
    ::close(fd);
    struct stat st {};
    ASSERT_EQ(::fstatat(folder, "deep.txt", &st, AT_SYMLINK_NOFOLLOW), 0);
    path += "/deep.txt";
    const TrashBatch batch = DesktopTrash(PlacesIn(tree.dir)).Send({{path, StampOf(st)}});
    ASSERT_TRUE(batch.results.at(0).moved)
        << TrashProblemText(batch.results[0].problem, batch.results[0].error).toStdString();
    EXPECT_NE(::fstatat(folder, "deep.txt", &st, AT_SYMLINK_NOFOLLOW), 0);
    const UndoOutcome undone = DesktopTrash(PlacesIn(tree.dir)).UndoLastBatch();
    ASSERT_EQ(undone.files.size(), 1u);
    EXPECT_TRUE(undone.files[0].restored);
    EXPECT_EQ(::fstatat(folder, "deep.txt", &st, AT_SYMLINK_NOFOLLOW), 0);
    ::close(folder);
}

TEST(TrashHostile, TheUndoAnswerIsReadOnceUntilTheJournalsChange) {
    const Tree tree({"a.txt"});
    FaultyCalls calls;
    DesktopTrash trash(PlacesIn(tree.dir), calls);
    EXPECT_FALSE(trash.HasBatchToUndo());
    DesktopTrash(PlacesIn(tree.dir)).Send(tree.requests);  // another process
    EXPECT_TRUE(trash.HasBatchToUndo());
    const long before = calls.calls();
    EXPECT_TRUE(trash.HasBatchToUndo());
    EXPECT_EQ(calls.calls(), before + 1);  // one stat of the folder
    trash.UndoLastBatch();
    EXPECT_FALSE(trash.HasBatchToUndo());
}

}  // namespace
}  // namespace corvane
