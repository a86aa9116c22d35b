// Undo of the last batch: after a restart, with files that cannot come back,
// from a record cut short by a crash, and from records Corvane never wrote.
#include "platform/TrashJournal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>

#include "platform/Trash.h"
#include "platform/TrashTestSupport.h"

namespace corvane {
namespace {

using testing::EntriesOf;
using testing::Exists;
using testing::Names;
using testing::PlacesIn;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Sends dir/docs/NAME for each name, in one batch.
TrashBatch SendFiles(const TempDir& dir, const std::vector<std::string>& names) {
    ::mkdir((dir / "docs").c_str(), 0755);
    std::vector<TrashRequest> requests;
    for (const auto& name : names) {
        const std::string path = dir / ("docs/" + name);
        WriteFile(path, "content of " + name);
        requests.push_back({path, StatPath(path).stamp});
    }
    DesktopTrash trash(PlacesIn(dir));
    return trash.Send(requests);
}

std::string JournalOf(const TempDir& dir, const std::string& id) {
    return dir / ("state/corvane/trash-" + id + ".journal");
}

// Every path under `root` with what it is and holds: two snapshots are equal
// when nothing on disk changed.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> all;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        const std::string path = item.path().string();
        struct stat st {};
        ::lstat(path.c_str(), &st);
        std::string what = std::to_string(st.st_mode) + " " + std::to_string(st.st_ino) + " ";
        if (S_ISREG(st.st_mode)) {
            what += ReadFile(path);
        }
        all[path] = what;
    }
    return all;
}

UndoOutcome Undo(const TempDir& dir) {
    DesktopTrash trash(PlacesIn(dir));
    return trash.UndoLastBatch();
}

TEST(TrashUndo, FilesThatCannotComeBackStay) {
    TempDir dir;
    const std::vector<std::string> names = {"taken", "vanished", "changed", "fine"};
    const TrashBatch batch = SendFiles(dir, names);
    bool complete = false;
    const auto entries = EntriesOf(dir / "data/Trash", complete);
    ASSERT_EQ(entries.size(), 4u);
    const auto trashed = [&](const std::string& name) {
        return dir / ("data/Trash/files/" + entries.at(dir / ("docs/" + name)).name);
    };
    WriteFile(dir / "docs/taken", "a new file at the old place");
    ASSERT_EQ(::unlink(trashed("vanished").c_str()), 0);
    WriteFile(trashed("changed"), "rewritten in the trash");

    ASSERT_TRUE(DesktopTrash(PlacesIn(dir)).HasBatchToUndo());
    const UndoOutcome undone = Undo(dir);  // a fresh object, as after a restart
    EXPECT_EQ(undone.problem, UndoProblem::kNone);
    EXPECT_EQ(undone.id, batch.id);
    ASSERT_EQ(undone.files.size(), 4u);
    const TrashProblem expected[] = {TrashProblem::kOriginalTaken, TrashProblem::kEntryGone,
                                     TrashProblem::kEntryChanged, TrashProblem::kNone};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(undone.files[i].path, dir / ("docs/" + names[i]));
        EXPECT_EQ(undone.files[i].problem, expected[i]) << names[i];
        EXPECT_EQ(undone.files[i].restored, expected[i] == TrashProblem::kNone) << names[i];
    }
    EXPECT_EQ(ReadFile(dir / "docs/taken"), "a new file at the old place");
    EXPECT_EQ(ReadFile(dir / "docs/fine"), "content of fine");
    // What stays in the trash keeps its entry.
    const auto left = EntriesOf(dir / "data/Trash", complete);
    EXPECT_TRUE(complete);
    EXPECT_EQ(left.size(), 2u);
    EXPECT_EQ(left.at(dir / "docs/taken").content, "content of taken");
    EXPECT_EQ(left.at(dir / "docs/changed").content, "rewritten in the trash");
    EXPECT_EQ(Names(dir / "data/Trash/info").size(), 3u);  // vanished's entry is not ours to drop

    // The taken place may be cleared: the batch stays, for that file alone.
    EXPECT_TRUE(undone.stillUndoable);
    ASSERT_EQ(::unlink((dir / "docs/taken").c_str()), 0);
    const UndoOutcome again = Undo(dir);
    ASSERT_EQ(again.files.size(), 1u);
    EXPECT_TRUE(again.files[0].restored);
    EXPECT_EQ(ReadFile(dir / "docs/taken"), "content of taken");

    // A batch is undone once, also by another object.
    const auto before = Snapshot(dir.path());
    EXPECT_FALSE(DesktopTrash(PlacesIn(dir)).HasBatchToUndo());
    EXPECT_EQ(Undo(dir).problem, UndoProblem::kNoBatch);
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(TrashUndo, MissingFoldersAreMadeAgain) {
    TempDir dir;
    ::mkdir((dir / "docs").c_str(), 0755);
    ::mkdir((dir / "docs/a").c_str(), 0755);
    ::mkdir((dir / "docs/a/b").c_str(), 0755);
    const std::string path = dir / "docs/a/b/deep.txt";
    WriteFile(path, "deep");
    DesktopTrash(PlacesIn(dir)).Send({{path, StatPath(path).stamp}});
    ASSERT_EQ(std::system(("rm -r '" + dir / "docs/a" + "'").c_str()), 0);
    const UndoOutcome undone = Undo(dir);
    ASSERT_EQ(undone.files.size(), 1u);
    EXPECT_TRUE(undone.files[0].restored);
    EXPECT_EQ(ReadFile(path), "deep");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "docs/a").c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0755u & ~mask);
}

TEST(TrashUndo, AJournalCutShortStillServes) {
    // A crash leaves the journal cut anywhere: at a line end, or inside a
    // line still being written. Files whose entry line is whole come back;
    // the rest stay in the trash with their complete entries.
    std::vector<std::size_t> cuts;
    std::string full;
    {
        TempDir dir;
        const TrashBatch batch = SendFiles(dir, {"one", "two", "three"});
        full = ReadFile(JournalOf(dir, batch.id));
    }
    for (std::size_t i = 0; i < full.size(); ++i) {
        if (full[i] == '\n') {
            cuts.push_back(i + 1);
        }
    }
    cuts.push_back(0);
    std::mt19937 random(std::random_device{}());
    const std::size_t byte = std::uniform_int_distribution<std::size_t>(1, full.size() - 1)(random);
    cuts.push_back(byte);

    for (const std::size_t cut : cuts) {
        SCOPED_TRACE("cut at byte " + std::to_string(cut));
        TempDir dir;
        const TrashBatch batch = SendFiles(dir, {"one", "two", "three"});
        ASSERT_EQ(::truncate(JournalOf(dir, batch.id).c_str(), static_cast<off_t>(cut)), 0);
        const std::string kept = ReadFile(JournalOf(dir, batch.id));
        const UndoOutcome undone = Undo(dir);
        EXPECT_TRUE(undone.problem == UndoProblem::kNone ||
                    undone.problem == UndoProblem::kNoBatch);
        bool complete = false;
        const auto left = EntriesOf(dir / "data/Trash", complete);
        EXPECT_TRUE(complete);
        for (const std::string name : {"one", "two", "three"}) {
            const std::string path = dir / ("docs/" + name);
            const bool recorded =
                kept.find("/docs/" + name + " ") != std::string::npos &&
                kept.find('\n', kept.find("/docs/" + name + " ")) != std::string::npos;
            EXPECT_EQ(Exists(path), recorded) << name;
            EXPECT_EQ(left.count(path) == 1, !recorded) << name;
        }
    }
}

TEST(TrashUndo, AnEntryThatNeverMovedLosesItsReservation) {
    // A crash after the entry line was written but before the rename: the file
    // is still in place, and its reserved .trashinfo is removed.
    TempDir dir;
    const TrashBatch batch = SendFiles(dir, {"stayed"});
    bool complete = false;
    const auto entries = EntriesOf(dir / "data/Trash", complete);
    const std::string path = dir / "docs/stayed";
    ASSERT_EQ(::rename((dir / ("data/Trash/files/" + entries.at(path).name)).c_str(), path.c_str()),
              0);
    std::string journal = ReadFile(JournalOf(dir, batch.id));
    journal.erase(journal.find("moved "));
    WriteFile(JournalOf(dir, batch.id), journal);
    const UndoOutcome undone = Undo(dir);
    ASSERT_EQ(undone.files.size(), 1u);
    EXPECT_TRUE(undone.files[0].restored);
    EXPECT_TRUE(Names(dir / "data/Trash/info").empty());
    EXPECT_EQ(ReadFile(path), "content of stayed");
}

TEST(TrashUndo, ADamagedRecordChangesNothing) {
    TempDir base;
    const TrashBatch batch = SendFiles(base, {"a.txt"});
    const std::string good = ReadFile(JournalOf(base, batch.id));
    const std::string entry = good.substr(
        good.find("entry "), good.find('\n', good.find("entry ")) - good.find("entry ") + 1);
    // The entry's fields, to damage one at a time.
    std::vector<std::string> f;
    for (std::size_t start = 0; start < entry.size() - 1;) {
        const auto space = std::min(entry.find(' ', start), entry.size() - 1);
        f.push_back(entry.substr(start, space - start));
        start = space + 1;
    }
    ASSERT_EQ(f.size(), 10u);
    const auto with = [&](std::size_t field, const std::string& value) {
        std::vector<std::string> g = f;
        g[field] = value;
        std::string line;
        for (const auto& x : g) {
            line += (line.empty() ? "" : " ") + x;
        }
        return "corvane-trash-journal 1\n" + line + "\nmoved 0\n";
    };
    const std::string header = "corvane-trash-journal 1\n";
    struct Case {
        const char* what;
        std::string text;
    };
    const std::vector<Case> texts = {
        {"another version", "corvane-trash-journal 2\n" + entry},
        {"no header", entry + "moved 0\n"},
        {"a missing field", header + entry.substr(0, entry.rfind(' ')) + "\n"},
        {"an extra field", header + entry.substr(0, entry.size() - 1) + " 7\n"},
        {"two spaces", with(1, f[1] + " ")},
        {"a NUL in the path", with(1, f[1] + "\\x00x")},
        {"a relative path", with(1, "docs/a.txt")},
        {"a path with ..", with(1, "/tmp/../etc/passwd")},
        {"a trash that is no trash", with(2, "/etc")},
        {"a trash with ..", with(2, f[2] + "/../../Trash")},
        {"someone else's trash", with(2, "/media/usb/.Trash-4242")},
        {"a name with a slash", with(3, "../../outside")},
        {"a name that is ..", with(3, "..")},
        {"an info name of another entry", with(4, "other.trashinfo")},
        {"an escaped plain byte", with(3, "\\x61.txt")},
        {"an upper-case escape", with(1, f[1] + "\\xFF")},
        {"a cut escape", with(1, f[1] + "\\x4")},
        {"a device too large", with(5, "99999999999999999999999")},
        {"a negative size", with(7, "-4")},
        {"a leading zero", with(6, "0" + f[6])},
        {"nanoseconds past a second", with(9, "1000000000")},
        {"a result for no entry", header + entry + "moved 1\n"},
        {"a result twice", header + entry + "moved 0\nkept 0\n"},
        {"one trash entry for two files", header + entry + entry},
        {"an unknown record", header + entry + "deleted 0\n"},
        {"a carriage return", header + entry.substr(0, entry.size() - 1) + "\r\n"},
        {"a huge line", header + "entry " + std::string(kMaxJournalLine, 'x') + "\n"},
        {"binary junk", header + std::string("\x7f\x00\xff\xfe\x01\n", 6) + entry},
    };
    // The hostile record is the newest batch; the real batch and its trash
    // entry are what a hostile record would like to touch.
    const std::string hostile = base / "state/corvane/trash-999999999999.000000000-000000.journal";
    for (const Case& c : texts) {
        SCOPED_TRACE(c.what);
        WriteFile(hostile, c.text);
        const auto before = Snapshot(base.path());
        const UndoOutcome undone = Undo(base);
        EXPECT_EQ(undone.problem, UndoProblem::kDamaged);
        EXPECT_GT(undone.line, 0u);
        EXPECT_TRUE(undone.files.empty());
        EXPECT_EQ(Snapshot(base.path()), before);
        EXPECT_FALSE(UndoProblemText(undone.problem, 0, undone.line).isEmpty());
    }
    struct Kind {
        const char* what;
        std::function<void()> make;
    };
    const std::vector<Kind> kinds = {
        {"a link to a good record",
         [&] { ASSERT_EQ(::symlink(JournalOf(base, batch.id).c_str(), hostile.c_str()), 0); }},
        {"a folder", [&] { ASSERT_EQ(::mkdir(hostile.c_str(), 0700), 0); }},
        {"a pipe", [&] { ASSERT_EQ(::mkfifo(hostile.c_str(), 0600), 0); }},
        {"someone else's", [&] {
             WriteFile(hostile, good);
             ASSERT_EQ(::chown(hostile.c_str(), 4242, 4242), 0);
         }}};
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.what);
        if (k.what == std::string("someone else's") && ::geteuid() != 0) {
            continue;  // only root can give a file away
        }
        std::filesystem::remove_all(hostile);
        k.make();
        const auto before = Snapshot(base.path());
        EXPECT_EQ(Undo(base).problem, UndoProblem::kNotAFile);
        EXPECT_EQ(Snapshot(base.path()), before);
    }
    // With the hostile record gone, the real batch is the newest again and comes back.
    std::filesystem::remove_all(hostile);
    EXPECT_TRUE(Undo(base).files.at(0).restored);
    EXPECT_EQ(ReadFile(base / "docs/a.txt"), "content of a.txt");
}

TEST(TrashUndo, ANameGivenUpMayBeTakenAgain) {
    // The first file could not move and gave its name in the trash up; a
    // later file of the batch took it.
    const std::string entry =
        "entry /home/u/a\\x20b.txt /home/u/.local/share/Trash a\\x20b.txt "
        "a\\x20b.txt.trashinfo 2049 12 5 -3 999999999\n";
    const std::string again = std::string(entry).replace(entry.find("/home/u/a"), 9, "/home/u/x");
    const ParsedJournal parsed =
        ParseJournal("corvane-trash-journal 1\n" + entry + "kept 0\n" + again + "moved 1\n", 0);
    EXPECT_EQ(parsed.damagedLine, 0u);
    ASSERT_EQ(parsed.entries.size(), 2u);
    EXPECT_EQ(parsed.entries[1].path, "/home/u/x b.txt");
    EXPECT_EQ(parsed.entries[1].state, JournalEntry::State::kMoved);
    EXPECT_EQ(parsed.entries[1].stamp.modified.seconds, -3);
    EXPECT_EQ(EscapeJournalField("/home/u/x b.txt\\\xff"), "/home/u/x\\x20b.txt\\x5c\\xff");
}

TEST(TrashUndo, OldBatchesArePruned) {
    TempDir dir;
    const std::string folder = dir / "state/corvane";
    ASSERT_EQ(MakeFolders(SystemCalls(), folder, 0700), 0);
    const std::int64_t now = 2000000000;
    const auto name = [](std::int64_t seconds, const char* end) {
        char text[64];
        std::snprintf(text, sizeof text, "trash-%012lld.000000000-000000%s",
                      static_cast<long long>(seconds), end);
        return std::string(text);
    };
    // 25 old batches, a day apart from 40 days back, and two young ones.
    for (int k = 0; k < 25; ++k) {
        WriteFile(folder + "/" + name(now - (40 + k) * 86400, k % 2 ? ".undone" : ".journal"), "");
    }
    for (const int days : {1, 29}) {
        WriteFile(folder + "/" + name(now - days * 86400, ".journal"), "");
    }
    WriteFile(folder + "/notes.txt", "");
    PruneJournals(SystemCalls(), folder, now);
    // The young two and the newest 18 old ones are the newest 20; notes stay.
    EXPECT_EQ(Names(folder).size(), 21u);
    EXPECT_TRUE(Exists(folder + "/" + name(now - 57 * 86400, ".undone")));
    EXPECT_FALSE(Exists(folder + "/" + name(now - 58 * 86400, ".journal")));
}

TEST(TrashUndo, TheNewestBatchIsFoundByName) {
    TempDir dir;
    const TrashBatch first = SendFiles(dir, {"first"});
    const TrashBatch second = SendFiles(dir, {"second"});
    EXPECT_LT(first.id, second.id);
    // Names that are not batches are left alone, whatever they hold.
    WriteFile(dir / "state/corvane/trash-zzz.journal", "junk");
    WriteFile(dir / "state/corvane/notes.txt", "junk");
    const UndoOutcome undone = Undo(dir);
    ASSERT_EQ(undone.files.size(), 1u);
    EXPECT_EQ(undone.files[0].path, dir / "docs/second");
    EXPECT_TRUE(Exists(dir / "state/corvane/trash-" + second.id + ".undone"));
    EXPECT_FALSE(Exists(dir / "docs/first"));
}

}  // namespace
}  // namespace corvane
