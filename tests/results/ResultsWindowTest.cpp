// The results window offscreen: buttons, pointer, hand-over to and from the main window, layout.
#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include <fcntl.h>
#include <sys/stat.h>

#include <condition_variable>
#include <fstream>
#include <mutex>

#include "actions/SavedList.h"
#include "results/ResultsListView.h"
#include "results/ResultsWindow.h"
#include "support/ColouredRow.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "widgets/CaptionNote.h"
#include "widgets/ImageButton.h"
#include "widgets/Twips.h"

using namespace corvane;
using corvane::testing::Coloured;
using corvane::testing::TempDir;
using corvane::testing::WriteFile;

namespace {

ResultRow Row(int i) {
    ResultRow row;
    row.path = (i % 2 ? "/no/such/other/file" : "/no/such/folder/file") + std::to_string(i);
    row.group = i < 2 ? 1 : 2;
    row.stamp.size = 1024;
    row.stamp.modified.seconds = 1767225600;  // 2026-01-01 00:00:00 UTC
    row.stamped = true;
    return row;
}

class CountingTrash : public Trash {
  public:
    std::vector<TrashResult> MoveToTrash(const std::vector<std::string>& paths) override {
        ++requests;
        return std::vector<TrashResult>(paths.size(), TrashResult{true, {}});
    }
    int requests = 0;
};

// Moves files aside and back, as a trash with one batch would.
class MovingTrash : public Trash {
  public:
    explicit MovingTrash(std::string aside) : aside_(std::move(aside)) {}
    std::vector<TrashResult> MoveToTrash(const std::vector<std::string>& paths) override {
        std::vector<TrashResult> results;
        batch_.clear();
        for (const std::string& path : paths) {
            struct stat st {};
            ::lstat(path.c_str(), &st);
            const std::string to = aside_ + "/" + std::to_string(batch_.size());
            const bool moved = ::rename(path.c_str(), to.c_str()) == 0;
            batch_.push_back({path, StampOf(st), moved});
            results.push_back(
                TrashResult{moved, moved ? TrashProblem::kNone : TrashProblem::kMove});
        }
        return results;
    }
    bool HasBatchToUndo() override { return !batch_.empty(); }
    UndoOutcome UndoLastBatch(const UndoControl& = {}) override {
        UndoOutcome outcome;
        for (std::size_t k = 0; k < batch_.size(); ++k) {
            const std::string from = aside_ + "/" + std::to_string(k);
            UndoResult file{batch_[k].path, batch_[k].stamp, false, TrashProblem::kNone, 0};
            file.restored = ::rename(from.c_str(), batch_[k].path.c_str()) == 0;
            outcome.files.push_back(file);
        }
        batch_.clear();
        return outcome;
    }

  private:
    struct Sent {
        std::string path;
        FileStamp stamp;
        bool moved;
    };
    std::string aside_;
    std::vector<Sent> batch_;
};

// Sends one file at a time into `aside`, and after each waits until the test
// lets it go on: the test acts on the window while a send is in hand.
class GatedTrash : public Trash {
  public:
    explicit GatedTrash(std::string aside) : aside_(std::move(aside)) {}
    TrashBatch Send(const std::vector<TrashRequest>& requests,
                    const SendControl& control) override {
        TrashBatch batch;
        for (std::size_t k = 0; k < requests.size(); ++k) {
            if (control.Stopped()) {
                batch.results.push_back(TrashResult{false, TrashProblem::kNotAttempted, 0});
                continue;
            }
            const std::string to = aside_ + "/" + std::to_string(k);
            const bool moved = ::rename(requests[k].path.c_str(), to.c_str()) == 0;
            batch.results.push_back(TrashResult{moved, {}, 0});
            control.Report(k + 1, requests.size());
            std::unique_lock lock(mutex_);
            ++sent_;
            changed_.notify_all();
            changed_.wait(lock, [&] { return released_ > k; });
        }
        batch.id = "gated";
        return batch;
    }
    std::vector<TrashResult> MoveToTrash(const std::vector<std::string>&) override { return {}; }
    // Waits until `count` files have gone; lets the send go on after `count` files.
    void WaitForSent(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return sent_ >= count; });
    }
    void Release(std::size_t count) {
        const std::lock_guard lock(mutex_);
        released_ = count;
        changed_.notify_all();
    }

  private:
    std::string aside_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t sent_ = 0;
    std::size_t released_ = 0;
};

// A row for the file at `path` as it is now.
ResultRow RowOf(const std::string& path, std::uint32_t group) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        qFatal("no file %s", path.c_str());
    }
    ResultRow row;
    row.path = path;
    row.stamp = StampOf(st);
    row.stamped = true;
    row.group = group;
    return row;
}

struct Window {
    ResultsWindow form{QCursor(Qt::CrossCursor)};
    int closes = 0;
    QStringList asked;
    QList<bool> yesByDefault;
    bool answer = true;
    QStringList told;
    QStringList desktop;  // "open|path", "show|path", "copy|text"
    bool opens = true;
    QByteArray saveTo;  // what "Save list..." is answered
    Window() {
        form.SetCloseAction([this] { ++closes; });
        form.SetDesktop(Desktop{[this](const QByteArray& path) {
                                    desktop << "open|" + QString::fromUtf8(path);
                                    return opens;
                                },
                                [this](const QByteArray& path) {
                                    desktop << "show|" + QString::fromUtf8(path);
                                    return true;
                                },
                                [this](const QString& text) { desktop << "copy|" + text; },
                                [this](QWidget*) { return saveTo; }});
        form.SetPrompts(
            Prompts{[this](QWidget*, const QString&, const QString& text, bool yes) {
                        asked << text;
                        yesByDefault << yes;
                        return answer;
                    },
                    [this](QWidget*, const QString&, const QString& text) { told << text; }});
        ResultRows rows;
        for (int i = 0; i < 4; ++i) {
            rows.push_back(Coloured(Row(i), i < 2 ? "light blue" : "red"));
        }
        form.Model().SetRows(std::move(rows));
    }
};

}  // namespace

class ResultsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void buttons_and_pointer() {
        Window w;
        QTRY_COMPARE(w.form.windowTitle(), QStringLiteral("Corvane [4 files in 2 groups]"));
        QCOMPARE(w.form.SendButton()->toolTip(), QStringLiteral("Delete checked files."));
        QCOMPARE(w.form.UncheckButton()->toolTip(), QStringLiteral("Clear out all checkmarks."));
        QVERIFY(!w.form.BackButton()->toolTip().isEmpty());
        QVERIFY(!w.form.windowIcon().isNull());
        QCOMPARE(w.form.palette().color(QPalette::Window), QColor(Qt::white));
        for (QWidget* hover :
             {static_cast<QWidget*>(w.form.SendButton()),
              static_cast<QWidget*>(w.form.BackButton()),
              static_cast<QWidget*>(w.form.UncheckButton()), w.form.List()->viewport()}) {
            QCOMPARE(hover->cursor().shape(), Qt::CrossCursor);
        }
        QCOMPARE(w.form.cursor().shape(), Qt::ArrowCursor);
        QWidget* banner = w.form.childAt(PixelsFromTwips(1000), PixelsFromTwips(600));
        QVERIFY(banner != nullptr && banner != w.form.List());
        QCOMPARE(banner->cursor().shape(), Qt::ArrowCursor);
    }

    void space_ticks_and_uncheck_all_clears() {
        Window w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        for (int row : {1, 3}) {
            w.form.List()->setCurrentIndex(w.form.Model().index(row, 0));
            QTest::keyClick(w.form.List(), Qt::Key_Space);
        }
        QCOMPARE(w.form.Model().TickedRows(), (std::vector<int>{1, 3}));
        QTest::mouseClick(w.form.UncheckButton(), Qt::LeftButton);
        QVERIFY(w.form.Model().TickedRows().empty());
        QVERIFY(!w.form.UncheckButton()->isChecked());
        // Shading and rows stay.
        QCOMPARE(w.form.Model().rowCount(), 4);
        QCOMPARE(w.form.Model().ShadeAt(2), Shade::Red);
    }

    void space_ticks_every_selected_row_and_the_caption_sums_up() {
        Window w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.form.Model().SetTicked(1, true);
        w.form.List()->setCurrentIndex(w.form.Model().index(0, 0));
        QTest::keyClick(w.form.List(), Qt::Key_End, Qt::ShiftModifier);  // rows 0..3
        QTest::keyClick(w.form.List(), Qt::Key_Space);
        QCOMPARE(w.form.Model().TickedRows(), (std::vector<int>{0, 1, 2, 3}));
        QTRY_COMPARE(w.form.windowTitle(),
                     QStringLiteral("Corvane [4 files in 2 groups; 4 ticked, 4 KB]"));
        QTest::keyClick(w.form.List(), Qt::Key_Space);
        QVERIFY(w.form.Model().TickedRows().empty());
        QTRY_COMPARE(w.form.windowTitle(), QStringLiteral("Corvane [4 files in 2 groups]"));
        w.form.Model().Clear();
        w.form.Model().SetRows({Coloured(Row(0), "light blue")});
        QTRY_COMPARE(w.form.windowTitle(), QStringLiteral("Corvane [1 file in 1 group]"));
    }

    void list_commands_act_on_the_row_folder_and_group() {
        Window w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        // Row 2 lies in /no/such/folder/ with row 0; rows 2 and 3 form group 2.
        w.form.List()->setCurrentIndex(w.form.Model().index(2, 0));
        w.form.TickFolderOfCurrentRow();
        QCOMPARE(w.form.Model().TickedRows(), (std::vector<int>{0, 2}));
        w.form.Model().SetTicked(3, true);
        w.form.UntickGroupOfCurrentRow();
        QCOMPARE(w.form.Model().TickedRows(), (std::vector<int>{0}));

        QTest::keyClick(w.form.List(), Qt::Key_Return);
        w.form.ContextMenu(3);
        w.form.ShowRowInFolder(3);
        w.form.CopySelectedPaths();
        w.opens = false;
        w.form.OpenRow(1);
        QCOMPARE(w.desktop,
                 (QStringList{"open|/no/such/folder/file2", "show|/no/such/other/file3",
                              "copy|/no/such/other/file3", "open|/no/such/other/file1"}));
        QCOMPARE(w.told, QStringList{"No program could open /no/such/other/file1."});
    }

    void keep_rules_tick_all_but_one_and_after_a_check_only_copies() {
        TempDir dir;
        ResultsWindow form;
        form.SetDesktop(Desktop{});
        // Group 1: three files of one size, two of them the same bytes;
        // "new" was written last, "old" first.
        const std::string paths[] = {dir / "old", dir / "same-as-old", dir / "new"};
        const char* contents[] = {"AAAA", "AAAA", "BBBB"};
        for (int i = 0; i < 3; ++i) {
            WriteFile(paths[i], contents[i]);
            const timespec times[2] = {{1000000000 + i, 0}, {1000000000 + i, 0}};
            QVERIFY(::utimensat(AT_FDCWD, paths[i].c_str(), times, 0) == 0);
        }
        ResultRows rows;
        for (int i = 0; i < 3; ++i) {
            struct stat st {};
            QVERIFY(::lstat(paths[i].c_str(), &st) == 0);
            ResultRow row;
            row.path = paths[i];
            row.stamp = StampOf(st);
            row.stamped = true;
            row.group = 1;
            rows.push_back(Coloured(row, "light red"));
        }
        form.Model().SetRows(std::move(rows));
        QVERIFY(form.List()->isColumnHidden(ResultsModel::ContentColumn));
        form.CheckContents();
        QTRY_VERIFY(!form.Checking());
        QVERIFY(!form.List()->isColumnHidden(ResultsModel::ContentColumn));
        QStringList verdicts;
        for (int r = 0; r < 3; ++r) {
            verdicts << form.Model().index(r, ResultsModel::ContentColumn).data().toString();
        }
        QCOMPARE(verdicts, (QStringList{"Identical A", "Identical A", "Unique"}));
        // "new" has no copy: the newest of the copies is kept.
        form.TickAllButOne(KeepRule::Newest);
        QCOMPARE(form.Model().TickedRows(), (std::vector<int>{0}));
        form.TickAllButOne(KeepRule::Oldest);
        QCOMPARE(form.Model().TickedRows(), (std::vector<int>{1}));
    }

    void a_send_removes_the_rows_of_gone_files_and_undo_puts_them_back() {
        TempDir dir;
        QVERIFY(::mkdir((dir / "aside").c_str(), 0700) == 0);
        Window w;
        ResultRows rows;
        for (int i = 0; i < 4; ++i) {
            const std::string path = dir / ("f" + std::to_string(i));
            WriteFile(path, "x");
            rows.push_back(Coloured(RowOf(path, 1 + i / 2), "blue"));
        }
        w.form.Model().SetRows(std::move(rows));
        w.form.SetTrash(std::make_unique<MovingTrash>(dir / "aside"));
        w.form.Model().SetTicked(std::vector<int>{0, 2, 3}, true);
        WriteFile(dir / "f3", "changed since the search");
        w.form.SendTickedToTrash();
        QTRY_VERIFY(!w.form.Sending());
        QCOMPARE(w.asked, QStringList{"Move 3 checked files to the trash?\n\nEvery file of 1 group "
                                      "is checked: no copy of it would be left in the list.\n\n3 "
                                      "of them were never compared by content (Check contents, "
                                      "Ctrl+K): equal names or sizes do not make equal files."});
        // The changed file stays, ticked, and is named; the shading is gone.
        QCOMPARE(w.form.Model().rowCount(), 2);
        QCOMPARE(w.form.Model().RowAt(1).path, dir / "f3");
        QVERIFY(w.form.Model().IsTicked(1) && !w.form.Model().IsTicked(0));
        QCOMPARE(w.form.Model().ShadeAt(0), Shade::None);
        QCOMPARE(w.told, QStringList{"1 file could not be moved to the trash:\n\n" +
                                     QString::fromStdString(dir / "f3") +
                                     "\n    changed since the search"});
        w.told.clear();
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Corvane [2 files sent to the trash]"));
        w.form.UndoLastSend();
        QTRY_VERIFY(!w.form.Sending());
        QCOMPARE(w.form.Model().rowCount(), 4);
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Corvane [2 files put back from the trash]"));
        for (int r = 0; r < 4; ++r) {
            QCOMPARE(w.form.Model().RowAt(r).path, dir / ("f" + std::to_string(r)));
            QCOMPARE(w.form.Model().IsTicked(r), r == 3);
            QCOMPARE(w.form.Model().ShadeAt(r), Shade::Blue);  // the undo returns the shading
        }
        QVERIFY(w.told.isEmpty());
        w.form.UndoLastSend();  // nothing left to undo: said, and nothing changes
        QCOMPARE(w.told, QStringList{"there is nothing to undo"});
        QCOMPARE(w.form.Model().rowCount(), 4);
    }

    void the_question_guards_every_copy_and_no_changes_nothing_data() {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<bool>("compared");    // the contents were checked first
        QTest::addColumn<QString>("warning");  // "" when the send is safe
        // Groups: 1 = rows 0, 1; 2 = rows 2, 3.
        QTest::newRow("one of each") << QList<int>{0, 2} << true << QString();
        QTest::newRow("a whole group")
            << QList<int>{0, 1, 2} << true << "Every file of 1 group is checked";
        QTest::newRow("both groups")
            << QList<int>{0, 1, 2, 3} << true << "Every file of 2 groups is checked";
        QTest::newRow("never compared")
            << QList<int>{0, 2} << false << "2 of them were never compared by content";
    }
    void the_question_guards_every_copy_and_no_changes_nothing() {
        QFETCH(QList<int>, ticked);
        QFETCH(bool, compared);
        QFETCH(QString, warning);
        Window w;
        if (compared) {
            RowContent same;
            same.verdict = ContentVerdict::Identical;
            same.source = KeySource::Content;
            w.form.Model().SetContents({0, 1, 2, 3}, std::vector<RowContent>(4, same));
        }
        auto trash = std::make_unique<CountingTrash>();
        CountingTrash* counter = trash.get();
        w.form.SetTrash(std::move(trash));
        for (const int row : ticked) {
            w.form.Model().SetTicked(row, true);
        }
        w.answer = false;
        w.form.SendTickedToTrash();
        QVERIFY(!w.form.Sending());
        QCOMPARE(w.asked.size(), 1);
        QVERIFY(w.asked[0].contains(warning));
        QCOMPARE(w.yesByDefault, QList<bool>{warning.isEmpty()});
        QCOMPARE(counter->requests, 0);
        QCOMPARE(w.form.Model().rowCount(), 4);
        QCOMPARE(w.form.Model().TickedRows().size(), static_cast<std::size_t>(ticked.size()));
        QCOMPARE(w.form.Model().ShadeAt(2), Shade::Red);
    }

    void a_send_runs_beside_the_window_and_escape_stops_it() {
        TempDir dir;
        QVERIFY(::mkdir((dir / "aside").c_str(), 0700) == 0);
        Window w;
        ResultRows rows;
        for (int i = 0; i < 5; ++i) {
            WriteFile(dir / ("f" + std::to_string(i)), "x");
            rows.push_back(Coloured(RowOf(dir / ("f" + std::to_string(i)), 1), "blue"));
        }
        w.form.Model().SetRows(std::move(rows));
        auto trash = std::make_unique<GatedTrash>(dir / "aside");
        GatedTrash* gate = trash.get();
        w.form.SetTrash(std::move(trash));
        w.form.Model().SetTicked(std::vector<int>{0, 1, 2, 3}, true);
        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));

        w.form.SendTickedToTrash();
        gate->WaitForSent(1);  // the first file is gone; the send waits in hand
        QVERIFY(w.form.Sending());
        QTRY_COMPARE(w.form.windowTitle(), QStringLiteral("Corvane [Moving to the trash: 25%]"));
        // The window answers input meanwhile: Space ticks the current row.
        w.form.List()->setCurrentIndex(w.form.Model().index(4, 0));
        QTest::keyClick(w.form.List(), Qt::Key_Space);
        QVERIFY(w.form.Model().IsTicked(4));
        // Escape stops after the file in hand: the second one goes, no more.
        gate->Release(1);
        gate->WaitForSent(2);
        QTest::keyClick(&w.form, Qt::Key_Escape);
        gate->Release(4);
        QTRY_VERIFY(!w.form.Sending());
        QVERIFY(!testing::Exists(dir / "f0") && !testing::Exists(dir / "f1"));
        QStringList left;
        for (int r = 0; r < w.form.Model().rowCount(); ++r) {
            left << QString::fromStdString(w.form.Model().RowAt(r).path);
            QVERIFY(testing::Exists(w.form.Model().RowAt(r).path));
        }
        QCOMPARE(left.size(), 3);
        QVERIFY(w.told.isEmpty());  // a stopped file is no failure
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Corvane [2 files sent to the trash]"));
        CaptionNote::Of(&w.form).Clear();
        QVERIFY(w.form.windowTitle().startsWith("Corvane [3 files in 1 group; 3 ticked"));
        // A send started while a note shows shows its own progress at once.
        gate->Release(0);
        CaptionNote::Of(&w.form).Show(QStringLiteral("Corvane [a note]"));
        w.form.SendTickedToTrash();
        gate->WaitForSent(3);
        const bool progressShown = QTest::qWaitFor(
            [&] { return w.form.windowTitle().startsWith("Corvane [Moving to the trash"); }, 1000);
        gate->Release(3);
        QTRY_VERIFY(!w.form.Sending());
        QVERIFY(progressShown);
    }

    void save_list_writes_what_corvane_find_writes() {
        TempDir dir;
        Window w;
        w.saveTo = QByteArray::fromStdString(dir / "list.json");
        w.form.SaveList();
        const SavedRows saved = ReadSavedList(dir / "list.json");
        QVERIFY2(saved.error.isEmpty(), qPrintable(saved.error));
        QCOMPARE(saved.rows.size(), std::size_t{4});
        QCOMPARE(saved.rows[3].path, w.form.Model().RowAt(3).path);
        QCOMPARE(saved.rows[3].group, 2u);
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Corvane [List saved to list.json]"));
        w.saveTo = "/no/such/folder/list.tsv";
        w.form.SaveList();
        QCOMPARE(w.told.size(), 1);
        QVERIFY(w.told[0].startsWith("The list could not be saved to /no/such/folder/list.tsv"));
    }

    void one_click_sends_once() {
        Window w;
        auto trash = std::make_unique<CountingTrash>();
        CountingTrash* counter = trash.get();
        w.form.SetTrash(std::move(trash));
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        // The rows name files that do not exist, so the re-check keeps them.
        w.form.Model().SetTicked(0, true);
        QTest::mouseClick(w.form.SendButton(), Qt::LeftButton);
        QTRY_VERIFY(!w.form.Sending());
        QCOMPARE(w.asked.size(), 1);
        QVERIFY(w.asked[0].startsWith("Move 1 checked file to the trash?"));
        QCOMPARE(counter->requests, 0);
        QCOMPARE(w.form.Model().rowCount(), 4);
        QCOMPARE(w.form.Model().ShadeAt(0), Shade::None);
        QCOMPARE(w.form.Model().ShadeAt(3), Shade::None);
    }

    void takes_the_main_windows_place_data() {
        QTest::addColumn<bool>("maximised");
        QTest::newRow("normal") << false;
        QTest::newRow("maximised") << true;
    }
    void takes_the_main_windows_place() {
        QFETCH(bool, maximised);
        Window w;
        QWidget main;
        main.setGeometry(20, 30, 760, 480);  // on the offscreen screen, 800 by 600
        maximised ? main.showMaximized() : main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const QRect mainPlace = main.frameGeometry();
        w.form.ShowInPlaceOf(&main);
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        QVERIFY(!main.isVisible());
        QCOMPARE(w.form.isMaximized(), maximised);
        QCOMPARE(w.form.frameGeometry(), mainPlace);
    }

    void back_to_main_gives_the_place_not_the_state() {
        Window w;
        QWidget main;
        main.setGeometry(110, 130, 640, 480);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        w.form.ShowInPlaceOf(&main);
        w.form.setGeometry(40, 50, 900, 700);
        w.form.showMaximized();
        QTRY_VERIFY(w.form.isMaximized());
        const QRect formPlace = w.form.frameGeometry();
        QTest::mouseClick(w.form.BackButton(), Qt::LeftButton);
        QVERIFY(main.isVisible());
        QVERIFY(!w.form.isVisible());
        QVERIFY(!main.isMaximized());
        QCOMPARE(main.frameGeometry(), formPlace);
        // The rows stay for later.
        QCOMPARE(w.form.Model().rowCount(), 4);
        QCOMPARE(w.closes, 0);
    }

    void layout_follows_the_window_data() {
        QTest::addColumn<QSize>("size");          // outer size
        QTest::addColumn<QSize>("list");          // expected list size
        QTest::addColumn<QList<int>>("columns");  // expected widths
        // 800 x 600 px: 12000 x 9000 twips.
        QTest::newRow("roomy") << QSize(800, 600) << QSize(776, 473)
                               << QList<int>{476, 73, 153, 47};
        // Smaller than the minimum: a client of 750 by 280 px (here 754 by
        // 284 outside), every button whole and a few rows.
        QTest::newRow("tiny") << QSize(20, 100) << QSize(730, 157) << QList<int>{430, 73, 153, 47};
        QTest::newRow("short") << QSize(900, 100) << QSize(876, 157)
                               << QList<int>{576, 73, 153, 47};
    }
    void layout_follows_the_window() {
        QFETCH(QSize, size);
        QFETCH(QSize, list);
        QFETCH(QList<int>, columns);
        Window w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        // The rules work on the outer size, frame included; start at 800 x 600.
        const QSize frame = w.form.frameGeometry().size() - w.form.size();
        w.form.resize(QSize(800, 600) - frame);
        QTRY_COMPARE(w.form.frameGeometry().size(), QSize(800, 600));
        w.form.resize(size - frame);
        QTRY_COMPARE(w.form.frameGeometry().size(), size.expandedTo(w.form.minimumSize() + frame));
        QCOMPARE(w.form.List()->geometry(), QRect(QPoint(8, 88), list));
        QList<int> widths;
        for (int c = 0; c < 4; ++c) {
            widths << w.form.List()->header()->sectionSize(c);
        }
        QCOMPARE(widths, columns);
        // The buttons never move.
        QCOMPARE(w.form.BackButton()->geometry(), QRect(312, 8, 137, 73));
        QCOMPARE(w.form.SendButton()->geometry(), QRect(456, 8, 145, 73));
        QCOMPARE(w.form.UncheckButton()->geometry(), QRect(608, 8, 145, 73));
    }

    void closing_ends_the_program() {
        Window w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.form.close();
        QCOMPARE(w.closes, 1);
        // Ctrl+Q does the same.
        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        QTest::keyClick(w.form.List(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(w.closes, 2);
    }
};

QTEST_MAIN(ResultsWindowTest)
#include "ResultsWindowTest.moc"
