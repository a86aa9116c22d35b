// Send to Recycling against a real trash in a temporary XDG_DATA_HOME.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/FileStatus.h"
#include "platform/LoopDrive.h"
#include "platform/Trash.h"
#include "platform/Utf8.h"
#include "results/SendToTrash.h"
#include "support/ColouredRow.h"
#include "support/Files.h"
#include "support/TempDir.h"

using namespace corvane;
using corvane::testing::Coloured;
using corvane::testing::LoopDrive;
using corvane::testing::ReadFile;
using corvane::testing::TempDir;
using corvane::testing::ValidUtf8;
using corvane::testing::WriteFile;

namespace {

// HOME and XDG_DATA_HOME point here before GLib first reads them.
TempDir* g_home = nullptr;

std::string TrashFolder() {
    return g_home->path() + "/data/Trash";
}

ResultRow RowFor(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        qFatal("no file %s", path.c_str());
    }
    ResultRow row;
    row.path = path;
    row.stamp = StampOf(st);
    row.stamped = true;
    return row;
}

// Writes until the drive has no block left.
void FillDrive(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, "f", 1) > 0) {
    }
    ::fsync(fd);
    ::close(fd);
}

struct TrashEntry {
    std::string name;  // inside files/
    QByteArray info;
};

// Every entry of the trash by its decoded original path. Fails the test when
// a file lies in the trash without a complete .trashinfo.
std::map<std::string, TrashEntry> TrashByOriginal() {
    std::map<std::string, TrashEntry> result;
    const QRegularExpression complete(QStringLiteral(
        "^\\[Trash "
        "Info\\]\nPath=([^\n]+)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$"));
    // readdir, not QDir: QDir drops names that are not valid UTF-8.
    if (!std::filesystem::exists(TrashFolder() + "/files")) {
        return result;
    }
    for (const auto& item : std::filesystem::directory_iterator(TrashFolder() + "/files")) {
        const std::string entry = item.path().filename().string();
        const QByteArray info =
            QByteArray::fromStdString(ReadFile(TrashFolder() + "/info/" + entry + ".trashinfo"));
        const auto match = complete.match(QString::fromLatin1(info));
        if (!match.hasMatch()) {
            qWarning("incomplete trash entry %s: [%s]", entry.c_str(), info.constData());
            return {};
        }
        const std::string original =
            QByteArray::fromPercentEncoding(match.captured(1).toLatin1()).toStdString();
        result[original] = TrashEntry{entry, info};
    }
    return result;
}

struct Prompts {
    bool answer = true;
    QStringList questions;
    QStringList messages;
    QStringList titles;
    QList<bool> yesDefaults;
    TrashPrompts Make() {
        return TrashPrompts{[this](const QString& title, const QString& text, bool yesByDefault) {
                                titles << title;
                                questions << text;
                                yesDefaults << yesByDefault;
                                return answer;
                            },
                            [this](const QString& title, const QString& text) {
                                titles << title;
                                messages << text;
                            }};
    }
};

class RefusingTrash : public Trash {
  public:
    std::vector<TrashResult> MoveToTrash(const std::vector<std::string>& paths) override {
        requests.push_back(paths);
        return std::vector<TrashResult>(paths.size(), TrashResult{false, TrashProblem::kMove, EIO});
    }
    std::vector<std::vector<std::string>> requests;
};

// Answers the opposite of what it did: claims to move the first path and
// leaves it, claims to fail on the second and deletes it.
class ContraryTrash : public Trash {
  public:
    std::vector<TrashResult> MoveToTrash(const std::vector<std::string>& paths) override {
        unlink(paths[1].c_str());
        return {TrashResult{true, {}, 0}, TrashResult{false, TrashProblem::kSystem, EACCES}};
    }
};

}  // namespace

class SendToTrashTest : public QObject {
    Q_OBJECT

  private slots:
    void entries_are_restorable_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("encodedName");
        QTest::newRow("plain") << QByteArray("plain.txt") << QByteArray("plain.txt");
        QTest::newRow("space, & and %")
            << QByteArray("a b&c%d.txt") << QByteArray("a%20b%26c%25d.txt");
        QTest::newRow("invalid UTF-8")
            << QByteArray("bad\xff\xfe.bin") << QByteArray("bad%FF%FE.bin");
        QTest::newRow("newline") << QByteArray("line\nbreak.txt") << QByteArray("line%0Abreak.txt");
        QTest::newRow("UTF-8") << QByteArray("r\xc3\xa9sum\xc3\xa9.doc")
                               << QByteArray("r%C3%A9sum%C3%A9.doc");
        // GLib 2.74 leaves these with an empty .trashinfo or refuses them.
        QTest::newRow("240 bytes")
            << QByteArray(236, 'x') + ".txt" << QByteArray(236, 'x') + ".txt";
        QTest::newRow("255 bytes")
            << QByteArray(251, 'y') + ".txt" << QByteArray(251, 'y') + ".txt";
        QTest::newRow("250 bytes, two-byte letters")
            << QByteArray("\xc3\xa9").repeated(125) << QByteArray("%C3%A9").repeated(125);
        QTest::newRow("x and 125 two-byte letters") << "x" + QByteArray("\xc3\xa9").repeated(125)
                                                    << "x" + QByteArray("%C3%A9").repeated(125);
        QTest::newRow("250 stray continuation bytes")
            << QByteArray(250, '\x80') << QByteArray("%80").repeated(250);
        QTest::newRow("long, with spaces") << QByteArray("a b ").repeated(60) + ".txt"
                                           << QByteArray("a%20b%20").repeated(60) + ".txt";
    }
    void entries_are_restorable() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, encodedName);
        TempDir dir;
        // Two folders with the same name inside: the second clashes in the trash.
        const std::string first = dir / "one";
        const std::string second = dir / "two";
        mkdir(first.c_str(), 0755);
        mkdir(second.c_str(), 0755);
        const std::string pathA = first + "/" + name.toStdString();
        const std::string pathB = second + "/" + name.toStdString();
        WriteFile(pathA, "first " + pathA);
        WriteFile(pathB, "second " + pathB);

        ResultsModel model;
        model.AddRow(Coloured(RowFor(pathA), "blue"));
        model.AddRow(Coloured(RowFor(pathB), "blue"));
        model.SetChecked(0, true);
        model.SetChecked(1, true);
        DesktopTrash trash;
        Prompts prompts;
        const SendOutcome outcome = SendToTrash(model, trash, prompts.Make());
        QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.messages.join("|")));
        QCOMPARE(outcome.moved, std::size_t{2});
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!FileExists(pathA) && !FileExists(pathB));

        const auto entries = TrashByOriginal();
        for (const auto& [path, folder] : {std::pair{pathA, first}, std::pair{pathB, second}}) {
            const auto found = entries.find(path);
            QVERIFY2(found != entries.end(), path.c_str());
            const QByteArray expectedLine =
                "Path=" + QUrl::toPercentEncoding(QByteArray::fromStdString(folder), "/") + "/" +
                encodedName + "\n";
            QVERIFY2(found->second.info.contains(expectedLine), found->second.info.constData());
            const std::string content = ReadFile(TrashFolder() + "/files/" + found->second.name);
            QCOMPARE(content, (path == pathA ? "first " : "second ") + path);
            // A shortened name is cut between letters, never inside one.
            QVERIFY(!ValidUtf8(name.toStdString()) || ValidUtf8(found->second.name));
        }
    }

    void a_full_drive_leaves_no_incomplete_entry() {
        // The home trash and the file on a drive with no block left: the
        // .trashinfo can be made but not written.
        const std::string data = g_home->path() + "/data";
        mkdir(data.c_str(), 0700);
        LoopDrive drive(g_home->path() + "/full.img", data);
        if (!drive.ok()) {
            QSKIP(drive.why());
        }
        // Both trashes a file of this drive may go to are there already: the
        // home trash (XDG_DATA_HOME is on the drive) and the drive's own.
        const std::string driveTrash = data + "/.Trash-" + std::to_string(getuid());
        for (const std::string& folder :
             {data + "/Trash", TrashFolder() + "/files", TrashFolder() + "/info", driveTrash,
              driveTrash + "/files", driveTrash + "/info", data + "/docs"}) {
            mkdir(folder.c_str(), 0700);
        }
        const std::string shortName = data + "/docs/short.txt";
        const std::string longName = data + "/docs/" + std::string(240, 'l') + ".txt";
        WriteFile(shortName, "short");
        WriteFile(longName, "long");
        ResultsModel model;
        model.AddRow(Coloured(RowFor(shortName), "blue"));
        model.AddRow(Coloured(RowFor(longName), "blue"));
        model.SetChecked(0, true);
        model.SetChecked(1, true);
        FillDrive(data + "/filler");

        DesktopTrash trash;
        Prompts prompts;
        const SendOutcome outcome = SendToTrash(model, trash, prompts.Make());
        QCOMPARE(outcome.moved, std::size_t{0});
        QVERIFY(FileExists(shortName) && FileExists(longName));
        for (const std::string& trashFolder : {TrashFolder(), driveTrash}) {
            QVERIFY(std::filesystem::is_empty(trashFolder + "/info"));
            QVERIFY(std::filesystem::is_empty(trashFolder + "/files"));
        }
        QVERIFY(prompts.messages.value(0).startsWith("2 files could not be moved to the trash:"));
        QVERIFY2(prompts.messages.value(0).contains("No space left on device"),
                 qPrintable(prompts.messages.value(0)));
    }

    void a_file_in_a_trash_is_not_sent_again() {
        TempDir dir;
        const std::string path = dir / "once.txt";
        WriteFile(path, "once");
        ResultsModel model;
        model.AddRow(Coloured(RowFor(path), "blue"));
        model.SetChecked(0, true);
        DesktopTrash trash;
        Prompts prompts;
        SendToTrash(model, trash, prompts.Make());
        const auto entries = TrashByOriginal();
        QVERIFY(entries.count(path));
        const std::string inTrash = TrashFolder() + "/files/" + entries.at(path).name;
        // A folder sent to the trash by another program, with a file inside.
        const std::string folder = TrashFolder() + "/files/folder-" + entries.at(path).name;
        mkdir(folder.c_str(), 0700);
        WriteFile(folder + "/deep.txt", "deep");
        WriteFile(TrashFolder() + "/info/folder-" + entries.at(path).name + ".trashinfo",
                  "[Trash Info]\nPath=/somewhere/folder\nDeletionDate=2024-01-01T00:00:00\n");

        for (const std::string& again : {inTrash, folder + "/deep.txt"}) {
            ResultsModel second;
            second.AddRow(Coloured(RowFor(again), "blue"));
            second.SetChecked(0, true);
            Prompts asked;
            const SendOutcome outcome = SendToTrash(second, trash, asked.Make());
            QCOMPARE(outcome.moved, std::size_t{0});
            QVERIFY(FileExists(again));
            QVERIFY2(asked.messages.value(0).contains("already in the trash"),
                     qPrintable(asked.messages.value(0)));
        }
        QCOMPARE(TrashByOriginal().at(path).info, entries.at(path).info);
    }

    void a_rewrite_within_the_second_is_not_sent() {
        TempDir dir;
        const std::string path = dir / "rewritten.txt";
        WriteFile(path, "before");
        const struct timespec first[2] = {{0, UTIME_OMIT}, {1700000000, 100}};
        QCOMPARE(utimensat(AT_FDCWD, path.c_str(), first, 0), 0);
        ResultsModel model;
        model.AddRow(Coloured(RowFor(path), "blue"));
        model.SetChecked(0, true);
        // Same inode, same size, same second: only the nanoseconds tell.
        WriteFile(path, "after!");
        const struct timespec second[2] = {{0, UTIME_OMIT}, {1700000000, 900}};
        QCOMPARE(utimensat(AT_FDCWD, path.c_str(), second, 0), 0);
        DesktopTrash trash;
        Prompts prompts;
        SendToTrash(model, trash, prompts.Make());
        QVERIFY(FileExists(path));
        QVERIFY(prompts.messages.value(0).contains("changed since the search"));
    }

    void rows_follow_what_was_moved() {
        TempDir dir;
        const std::string moved = dir / "moved.txt", kept = dir / "kept.txt",
                          vanished = dir / "vanished.txt", changed = dir / "changed.txt",
                          shaded = dir / "shaded.txt";
        for (const auto& p : {moved, kept, vanished, changed, shaded}) {
            WriteFile(p, "content of " + p);
        }
        ResultsModel model;
        for (const auto& p : {moved, kept, vanished, changed, shaded}) {
            model.AddRow(Coloured(RowFor(p), "light red"));
        }
        for (int row : {0, 2, 3}) {
            model.SetChecked(row, true);
        }
        unlink(vanished.c_str());
        WriteFile(changed, "now longer than it was at the search");

        DesktopTrash trash;
        Prompts prompts;
        const SendOutcome outcome = SendToTrash(model, trash, prompts.Make());
        QCOMPARE(prompts.questions, QStringList{"Move 3 checked files to the trash?"});
        QCOMPARE(outcome.moved, std::size_t{1});
        QVERIFY(!FileExists(moved));
        QVERIFY(FileExists(changed) && FileExists(kept));
        QVERIFY(TrashByOriginal().count(moved));

        QCOMPARE(model.rowCount(), 4);
        const std::vector<std::string> paths{kept, vanished, changed, shaded};
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(model.RowAt(row).path, paths[static_cast<std::size_t>(row)]);
            QCOMPARE(model.RowAt(row).stamp.size,
                     static_cast<std::int64_t>(11 + paths[static_cast<std::size_t>(row)].size()));
            QCOMPARE(model.IsChecked(row), row == 1 || row == 2);
            QCOMPARE(model.ShadeAt(row), Shade::None);
        }
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.titles, (QStringList{"Corvane", "Corvane"}));
        const QString message = prompts.messages.first();
        QVERIFY(message.contains(QString::fromStdString(vanished) + "\n    it no longer exists"));
        QVERIFY(
            message.contains(QString::fromStdString(changed) + "\n    changed since the search"));
        QVERIFY(message.startsWith("2 files could not be moved to the trash:"));
        QVERIFY(!message.contains(QString::fromStdString(kept)));
    }

    void a_replaced_file_is_not_moved() {
        TempDir dir;
        const std::string path = dir / "same-size.txt";
        WriteFile(path, "abc");
        ResultsModel model;
        model.AddRow(Coloured(RowFor(path), "blue"));
        model.SetChecked(0, true);
        // Same name and size, but another file: another inode.
        unlink(path.c_str());
        WriteFile(dir / "filler", "x");
        WriteFile(path, "xyz");
        DesktopTrash trash;
        Prompts prompts;
        SendToTrash(model, trash, prompts.Make());
        QVERIFY(FileExists(path));
        QCOMPARE(model.rowCount(), 1);
        QVERIFY(prompts.messages.value(0).contains("changed since the search"));

        // A link put in the file's place is not a regular file.
        unlink(path.c_str());
        QCOMPARE(symlink("filler", path.c_str()), 0);
        prompts.messages.clear();
        SendToTrash(model, trash, prompts.Make());
        QVERIFY(FileExists(path));
        QVERIFY(prompts.messages.value(0).contains("changed since the search"));
    }

    void long_name_on_another_drive_is_refused() {
        // The file on a tmpfs, which gets no trash: it stays, nothing enters
        // any trash, and the reason is the drive's, not the name's.
        QTemporaryDir other(QStringLiteral("/dev/shm/corvane-XXXXXX"));
        struct stat shm {
        }, trashDrive{};
        if (!other.isValid() || lstat(other.path().toUtf8().constData(), &shm) != 0 ||
            lstat(g_home->path().c_str(), &trashDrive) != 0 || shm.st_dev == trashDrive.st_dev) {
            QSKIP("no second file system at /dev/shm");
        }
        const std::string path = other.path().toStdString() + "/" + std::string(245, 'z');
        WriteFile(path, "long");
        const auto before = TrashByOriginal().size();
        DesktopTrash trash;
        const std::vector<TrashResult> results = trash.MoveToTrash({path});
        QCOMPARE(results.size(), std::size_t{1});
        QVERIFY(!results[0].moved);
        QCOMPARE(TrashProblemText(results[0].problem, results[0].error),
                 QStringLiteral("this drive has no trash"));
        QVERIFY(FileExists(path));
        QCOMPARE(TrashByOriginal().size(), before);
        const auto infos =
            std::distance(std::filesystem::directory_iterator(TrashFolder() + "/info"),
                          std::filesystem::directory_iterator());
        QCOMPARE(static_cast<std::size_t>(infos), before);
        QCOMPARE(std::filesystem::exists(other.path().toStdString() + "/.Trash-" +
                                         std::to_string(getuid())),
                 false);
    }

    void rows_follow_the_disk_not_the_answer() {
        TempDir dir;
        const std::string stays = dir / "stays", leaves = dir / "leaves";
        WriteFile(stays, "a");
        WriteFile(leaves, "b");
        ResultsModel model;
        model.AddRow(Coloured(RowFor(stays), "blue"));
        model.AddRow(Coloured(RowFor(leaves), "blue"));
        model.SetChecked(0, true);
        model.SetChecked(1, true);
        ContraryTrash trash;
        Prompts prompts;
        SendToTrash(model, trash, prompts.Make());
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.RowAt(0).path, stays);
        QVERIFY(model.IsChecked(0));
        const QString message = prompts.messages.value(0);
        QVERIFY(message.contains("still in place"));
        QVERIFY(message.contains(TrashProblemText(TrashProblem::kSystem, EACCES) +
                                 "; it is no longer in its folder"));
    }

    void a_send_is_one_batch_that_undo_puts_back() {
        TempDir dir;
        const std::string first = dir / "first.txt", second = dir / "second.txt",
                          changed = dir / "changed.txt";
        ResultsModel model;
        for (const auto& p : {first, second, changed}) {
            WriteFile(p, "content of " + p);
            model.AddRow(Coloured(RowFor(p), "blue"));
        }
        for (int row = 0; row < 3; ++row) {
            model.SetChecked(row, true);
        }
        WriteFile(changed, "changed");
        const auto batches = [] {
            const std::string folder = g_home->path() + "/state/corvane";
            return std::filesystem::exists(folder)
                       ? std::distance(std::filesystem::directory_iterator(folder),
                                       std::filesystem::directory_iterator())
                       : 0;
        };
        const auto before = batches();
        DesktopTrash trash;
        Prompts prompts;
        const SendOutcome outcome = SendToTrash(model, trash, prompts.Make());
        QCOMPARE(batches(), before + 1);
        QVERIFY(!outcome.batch.empty());
        QCOMPARE(outcome.removed.size(), std::size_t{2});
        QCOMPARE(outcome.removed[1].path, second);
        QVERIFY(CanUndoLastSend(trash));

        // Undo in a fresh object, as after a restart.
        DesktopTrash later;
        Prompts undoPrompts;
        const UndoOutcome undone = UndoLastSend(later, undoPrompts.Make());
        QCOMPARE(undone.id, outcome.batch);
        QCOMPARE(undone.files.size(), std::size_t{2});
        for (std::size_t i = 0; i < 2; ++i) {
            QVERIFY(undone.files[i].restored);
            QCOMPARE(undone.files[i].path, outcome.removed[i].path);
            QVERIFY(SameFileMoved(undone.files[i].stamp, outcome.removed[i].stamp));
            QCOMPARE(ReadFile(outcome.removed[i].path), "content of " + outcome.removed[i].path);
        }
        QVERIFY(undoPrompts.messages.isEmpty());
        QVERIFY(!TrashByOriginal().count(first) && !TrashByOriginal().count(second));
        QVERIFY(!CanUndoLastSend(later));
        UndoLastSend(later, undoPrompts.Make());
        QCOMPARE(undoPrompts.messages, QStringList{"there is nothing to undo"});
    }

    void declining_changes_nothing() {
        TempDir dir;
        ResultsModel model;
        for (int i = 0; i < 3; ++i) {
            const std::string p = dir / ("f" + std::to_string(i));
            WriteFile(p, "x");
            model.AddRow(Coloured(RowFor(p), i == 1 ? "red" : "blue"));
        }
        model.SetChecked(0, true);
        model.SetChecked(2, true);
        DesktopTrash trash;
        Prompts prompts;
        prompts.answer = false;
        const SendOutcome outcome = SendToTrash(model, trash, prompts.Make());
        QVERIFY(!outcome.confirmed);
        QCOMPARE(prompts.questions, QStringList{"Move 2 checked files to the trash?"});
        QVERIFY(prompts.messages.isEmpty());
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.CheckedRows(), (std::vector<int>{0, 2}));
        QCOMPARE(model.ShadeAt(1), Shade::Red);
        QCOMPARE(model.ShadeAt(0), Shade::Blue);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(FileExists(dir / ("f" + std::to_string(i))));
        }
    }

    void ticking_every_copy_of_a_group_makes_no_the_default_data() {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<QString>("warning");  // "" when no group would lose every copy
        // Groups: 1 = rows 0, 1; 2 = rows 2, 3, 4.
        QTest::newRow("one of each") << QList<int>{0, 2} << QString();
        QTest::newRow("all but one") << QList<int>{0, 2, 3} << QString();
        QTest::newRow("a whole group") << QList<int>{0, 1, 2} << "Every file of 1 group is checked";
        QTest::newRow("both groups")
            << QList<int>{0, 1, 2, 3, 4} << "Every file of 2 groups is checked";
    }
    void ticking_every_copy_of_a_group_makes_no_the_default() {
        QFETCH(QList<int>, ticked);
        QFETCH(QString, warning);
        TempDir dir;
        ResultsModel model;
        for (int i = 0; i < 5; ++i) {
            const std::string p = dir / ("f" + std::to_string(i));
            WriteFile(p, "x");
            ResultRow row = RowFor(p);
            row.group = i < 2 ? 1 : 2;
            model.AddRow(Coloured(row, "blue"));
        }
        for (const int row : ticked) {
            model.SetChecked(row, true);
        }
        RefusingTrash trash;
        Prompts prompts;
        prompts.answer = false;
        QVERIFY(!SendToTrash(model, trash, prompts.Make()).confirmed);
        QCOMPARE(prompts.questions.size(), 1);
        QCOMPARE(prompts.questions[0].contains(warning), true);
        QCOMPARE(prompts.yesDefaults, QList<bool>{warning.isEmpty()});
        QVERIFY(trash.requests.empty());
    }

    void nothing_ticked_asks_nothing_and_clears_shading() {
        TempDir dir;
        const std::string p = dir / "f";
        WriteFile(p, "x");
        ResultsModel model;
        model.AddRow(Coloured(RowFor(p), "light blue"));
        RefusingTrash trash;
        Prompts prompts;
        SendToTrash(model, trash, prompts.Make());
        QVERIFY(prompts.questions.isEmpty() && prompts.messages.isEmpty());
        QVERIFY(trash.requests.empty());
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.ShadeAt(0), Shade::None);
    }

    void one_request_and_ten_named_failures() {
        TempDir dir;
        ResultsModel model;
        for (int i = 0; i < 13; ++i) {
            const std::string p = dir / ("file" + std::to_string(100 + i));
            WriteFile(p, "x");
            model.AddRow(Coloured(RowFor(p), "red"));
            model.SetChecked(i, true);
        }
        RefusingTrash trash;
        Prompts prompts;
        SendToTrash(model, trash, prompts.Make());
        QCOMPARE(trash.requests.size(), std::size_t{1});
        QCOMPARE(trash.requests[0].size(), std::size_t{13});
        QCOMPARE(model.rowCount(), 13);
        QCOMPARE(model.CheckedRows().size(), std::size_t{13});
        const QString message = prompts.messages.value(0);
        QVERIFY(message.startsWith("13 files could not be moved to the trash:"));
        QCOMPARE(message.count(TrashProblemText(TrashProblem::kMove, EIO)), 10);
        QVERIFY(message.contains("file109") && !message.contains("file110"));
        QVERIFY(message.endsWith("and 3 more."));
    }
};

int main(int argc, char** argv) {
    // GLib reads HOME and XDG_DATA_HOME once; set them before anything asks.
    TempDir home;
    g_home = &home;
    qputenv("HOME", QByteArray::fromStdString(home.path()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home.path() + "/data"));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(home.path() + "/state"));
    QCoreApplication app(argc, argv);
    SendToTrashTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SendToTrashTest.moc"
