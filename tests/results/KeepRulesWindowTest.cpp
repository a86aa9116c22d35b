// The results window's keep rules and protected rows, offscreen, on real
// files: a keep rule checks contents first, ticks only true copies, names
// each content set, and never ticks a protected row, however asked.
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include "results/ResultsListView.h"
#include "results/ResultsWindow.h"
#include "support/ColouredRow.h"
#include "support/Files.h"
#include "support/TempDir.h"

using namespace corvane;
using corvane::testing::Coloured;
using corvane::testing::TempDir;
using corvane::testing::WriteFile;

namespace {

struct File {
    const char* name;
    std::string bytes;
    std::int64_t modified;  // seconds
    std::uint32_t group;
    bool isProtected = false;
};

// Writes each file under `dir` and gives the window one row per file.
bool Fill(ResultsWindow& form, const TempDir& dir, const std::vector<File>& files) {
    ResultRows rows;
    for (const File& file : files) {
        ResultRow row;
        row.path = dir / file.name;
        WriteFile(row.path, file.bytes);
        const timespec times[2] = {{file.modified, 0}, {file.modified, 0}};
        struct stat st {};
        if (::utimensat(AT_FDCWD, row.path.c_str(), times, 0) != 0 ||
            ::lstat(row.path.c_str(), &st) != 0) {
            return false;
        }
        row.stamp = StampOf(st);
        row.stamped = true;
        row.group = file.group;
        row.isProtected = file.isProtected;
        rows.push_back(Coloured(row, file.group % 2 ? "light blue" : "blue"));
    }
    form.Model().SetRows(std::move(rows));
    return true;
}

QStringList Column(const ResultsModel& model, int column, int role = Qt::DisplayRole) {
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r) {
        texts << model.index(r, column).data(role).toString();
    }
    return texts;
}

// Group 1: two sets of copies and a file of its own; group 2: two sets, the
// first with a protected file, which is its oldest.
const std::vector<File> kSets = {
    {"a1", "AAAA", 100, 1}, {"b1", "BBBB", 200, 1}, {"a2", "AAAA", 300, 1},
    {"b2", "BBBB", 400, 1}, {"c", "CCCC", 500, 1},  {"x1", "XX", 100, 2, true},
    {"x2", "XX", 900, 2},   {"y1", "YY", 200, 2},   {"y2", "YY", 300, 2},
};

}  // namespace

class KeepRulesWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void keep_rules_check_first_and_tick_only_copies_data() {
        QTest::addColumn<int>("rule");
        QTest::addColumn<std::vector<int>>("ticked");
        QTest::newRow("first") << int(KeepRule::First) << std::vector<int>{2, 3, 6, 8};
        QTest::newRow("newest") << int(KeepRule::Newest) << std::vector<int>{0, 1, 6, 7};
        QTest::newRow("shortest: ties to the first")
            << int(KeepRule::Shortest) << std::vector<int>{2, 3, 6, 8};
    }
    void keep_rules_check_first_and_tick_only_copies() {
        QFETCH(int, rule);
        QFETCH(std::vector<int>, ticked);
        TempDir dir;
        ResultsWindow form;
        form.SetDesktop(Desktop{});
        QVERIFY(Fill(form, dir, kSets));
        form.Model().SetTicked(4, true);  // the rule unticks what it does not mark

        form.TickAllButOne(static_cast<KeepRule>(rule));
        QVERIFY(form.Checking());
        // Nothing changes before the contents are known.
        QCOMPARE(form.Model().TickedRows(), std::vector<int>{4});
        QTRY_VERIFY(!form.Checking());
        QCOMPARE(form.Model().TickedRows(), ticked);
        QVERIFY(!form.List()->isColumnHidden(ResultsModel::ContentColumn));
        QCOMPARE(Column(form.Model(), ResultsModel::ContentColumn),
                 (QStringList{"Identical A", "Identical B", "Identical A", "Identical B", "Unique",
                              "Identical A", "Identical A", "Identical B", "Identical B"}));
    }

    void a_stop_mid_check_leaves_every_unchecked_group_unticked() {
        TempDir dir;
        ResultsWindow form;
        form.SetDesktop(Desktop{});
        const std::string big = testing::Pattern(16 << 20);
        QVERIFY(Fill(form, dir, {{"p", big, 100, 1}, {"q", big, 200, 1}, {"r", big, 300, 1}}));
        form.TickAllButOne(KeepRule::First);
        form.StopCheck();
        QTRY_VERIFY(!form.Checking());
        QVERIFY(form.Model().TickedRows().empty());
        QCOMPARE(Column(form.Model(), ResultsModel::ContentColumn), (QStringList{"", "", ""}));

        form.TickAllButOne(KeepRule::First);  // the group is checked again, to its end
        QTRY_VERIFY(!form.Checking());
        QCOMPARE(form.Model().TickedRows(), (std::vector<int>{1, 2}));
        QCOMPARE(Column(form.Model(), ResultsModel::ContentColumn),
                 (QStringList{"Identical", "Identical", "Identical"}));
    }

    void a_protected_row_is_never_ticked_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("by hand") << "hand";
        QTest::newRow("Space on a selection") << "space";
        QTest::newRow("Tick every file in this folder") << "folder";
        QTest::newRow("a keep rule") << "rule";
    }
    void a_protected_row_is_never_ticked() {
        QFETCH(QString, way);
        TempDir dir;
        ResultsWindow form;
        form.SetDesktop(Desktop{});
        QVERIFY(Fill(form, dir, kSets));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ResultsModel& model = form.Model();
        const QModelIndex guarded = model.index(5, ResultsModel::FilenameColumn);
        QVERIFY(!(model.flags(guarded) & Qt::ItemIsUserCheckable));
        QVERIFY(model.index(5, ResultsModel::SizeColumn).data(Qt::ForegroundRole) !=
                model.index(6, ResultsModel::SizeColumn).data(Qt::ForegroundRole));
        if (way == "hand") {
            QVERIFY(!model.setData(guarded, Qt::Checked, Qt::CheckStateRole) || !model.IsTicked(5));
            // A click on the check box ticks the row below, never this one.
            for (const int row : {5, 6}) {
                QStyleOptionViewItem option;
                option.initFrom(form.List());
                option.rect = form.List()->visualRect(model.index(row, 0));
                option.features |= QStyleOptionViewItem::HasCheckIndicator;
                const QRect box = form.List()->style()->subElementRect(
                    QStyle::SE_ItemViewItemCheckIndicator, &option, form.List());
                QTest::mouseClick(form.List()->viewport(), Qt::LeftButton, {}, box.center());
            }
            QVERIFY(model.IsTicked(6));
        } else if (way == "space") {
            form.List()->selectAll();
            form.List()->selectionModel()->setCurrentIndex(model.index(0, 0),
                                                           QItemSelectionModel::NoUpdate);
            QTest::keyClick(form.List(), Qt::Key_Space);
            QCOMPARE(model.TickedCount(), std::size_t{8});
        } else if (way == "folder") {
            form.List()->setCurrentIndex(model.index(5, 0));
            form.TickFolderOfCurrentRow();
            QCOMPARE(model.TickedCount(), std::size_t{8});  // all but the protected row
        } else {
            form.TickAllButOne(KeepRule::Oldest);
            QTRY_VERIFY(!form.Checking());
            QCOMPARE(model.TickedRows(), (std::vector<int>{2, 3, 6, 8}));
        }
        QVERIFY(!model.IsTicked(5));
    }

    void the_last_modified_tip_gives_the_time_to_the_nanosecond() {
        ResultsModel model;
        ResultRow row;
        row.path = "/no/such/file";
        row.stamped = true;
        row.stamp.modified = {1767225600, 120000345};  // 2026-01-01 00:00:00 UTC
        model.SetRows({row});
        QCOMPARE(model.index(0, ResultsModel::ModifiedColumn).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("2026-01-01 00:00:00.120000345 UTC"));
    }
};

QTEST_MAIN(KeepRulesWindowTest)
#include "KeepRulesWindowTest.moc"
