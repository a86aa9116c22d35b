// The results model without any window: shading, ticks, removal, model rules.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "actions/SearchTexts.h"
#include "results/ResultsModel.h"
#include "support/ColouredRow.h"

using namespace corvane;
using corvane::testing::Coloured;

namespace {

ResultRow Row(const std::string& path, MatchType type = MatchType::Exact) {
    ResultRow row;
    row.path = path;
    row.stamp.size = 10;
    row.stamp.modified.seconds = 1767366245;  // 2026-01-02 15:04:05 UTC
    row.stamped = true;
    row.type = type;
    return row;
}

QStringList RowTexts(const ResultsModel& model, int row) {
    QStringList texts;
    for (int c = 0; c < model.columnCount(); ++c) {
        texts << model.index(row, c).data().toString();
    }
    return texts;
}

}  // namespace

class ResultsModelTest : public QObject {
    Q_OBJECT

  private slots:
    void headers() {
        ResultsModel model;
        QStringList headers;
        for (int c = 0; c < model.columnCount(); ++c) {
            headers << model.headerData(c, Qt::Horizontal).toString();
        }
        QCOMPARE(headers, (QStringList{"Filename", "Size", "Last Modified", "Type", "Content"}));
    }

    void shade_by_keyword_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QColor>("background");
        QTest::newRow("blue") << "blue" << QColor(212, 234, 255);
        QTest::newRow("light blue") << "light blue" << QColor(242, 242, 255);
        QTest::newRow("light red") << "light red" << QColor(255, 233, 212);
        QTest::newRow("red") << "red" << QColor(255, 212, 213);
        QTest::newRow("light green") << "light green" << QColor(236, 250, 236);
        QTest::newRow("green") << "green" << QColor(208, 240, 208);
    }
    void shade_by_keyword() {
        QFETCH(QString, keyword);
        QFETCH(QColor, background);
        ResultsModel model;
        model.SetRows({Coloured(Row("/a/x"), keyword.toStdString())});
        for (int c = 0; c < model.columnCount(); ++c) {
            const QModelIndex cell = model.index(0, c);
            const QVariant bg = cell.data(Qt::BackgroundRole);
            const QVariant fg = cell.data(Qt::ForegroundRole);
            QCOMPARE(bg.value<QColor>(), background);
            QCOMPARE(fg.value<QColor>(), QColor(0, 0, 0));
        }
        // After a send every row goes back to the list's own colours.
        model.ClearShading();
        for (int c = 0; c < model.columnCount(); ++c) {
            const QModelIndex cell = model.index(0, c);
            QVERIFY(!cell.data(Qt::BackgroundRole).isValid());
            QVERIFY(!cell.data(Qt::ForegroundRole).isValid());
        }
    }

    void cells_and_bytes() {
        ResultsModel model;
        const std::string bad = std::string("/t/bad\xff\xfe") + "\nname.txt";
        model.SetRows(
            {Coloured(Row(bad, MatchType::Close), "red"), Coloured(Row("/t/ok.txt"), "blue")});
        QCOMPARE(RowTexts(model, 0),
                 (QStringList{DisplayPath(bad), "10 Bytes", "1/2/26 3:04:05 PM", "Close", ""}));
        QCOMPARE(model.index(0, 0).data(ResultsModel::PathRole).toByteArray(),
                 QByteArray::fromStdString(bad));
        QCOMPARE(model.index(1, 3).data().toString(), QStringLiteral("Exact"));
        QCOMPARE(model.index(0, 0).data(Qt::ToolTipRole).toString(), DisplayPath(bad));
        // A "Same" row's bytes were compared by the search: "Identical" at once,
        // and kept by a content check that did not get to it.
        QVERIFY(!model.ShowsContent());
        ResultRows rows = model.Rows();
        rows.push_back(Coloured(Row("/t/copy.txt"), "light green"));
        model.SetRows(std::move(rows));
        QVERIFY(model.ShowsContent() && !model.HasContent());
        QCOMPARE(RowTexts(model, 2).mid(3), (QStringList{"Same", "Identical"}));
        model.SetContents({2}, {RowContent{}});
        QCOMPARE(RowTexts(model, 2).mid(3), (QStringList{"Same", "Identical"}));
        QCOMPARE(RowTexts(model, 1).mid(4), (QStringList{""}));
    }

    void never_editable() {
        ResultsModel model;
        model.SetRows({Coloured(Row("/a/x"), "blue")});
        for (int c = 0; c < model.columnCount(); ++c) {
            const Qt::ItemFlags flags = model.flags(model.index(0, c));
            QVERIFY(!(flags & Qt::ItemIsEditable));
            QCOMPARE(bool(flags & Qt::ItemIsUserCheckable), c == 0);
            QVERIFY(!model.setData(model.index(0, c), QStringLiteral("/etc/passwd"), Qt::EditRole));
        }
        QVERIFY(!model.setData(model.index(0, 1), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("/a/x"));
        QCOMPARE(model.RowAt(0).path, std::string("/a/x"));
    }

    void ticks_and_uncheck_all() {
        ResultsModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        ResultRows rows;
        for (int i = 0; i < 5; ++i) {
            rows.push_back(Coloured(Row("/a/" + std::to_string(i)), i % 2 ? "blue" : "light blue"));
        }
        model.SetRows(std::move(rows));
        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(model.setData(model.index(3, 0), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.TickedRows(), (std::vector<int>{1, 3}));
        QCOMPARE(model.index(3, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.UntickAll();
        QVERIFY(model.TickedRows().empty());
        QCOMPARE(changed.count(), 1);
        // Nothing else of a row changes.
        QCOMPARE(model.ShadeAt(1), Shade::Blue);
        QCOMPARE(model.rowCount(), 5);

        ResultsModel empty;
        QSignalSpy none(&empty, &QAbstractItemModel::dataChanged);
        empty.UntickAll();
        QCOMPARE(none.count(), 0);
    }

    void clear_shading_reaches_every_row() {
        ResultsModel model;
        ResultRows rows;
        for (int i = 0; i < 12000; ++i) {
            rows.push_back(Coloured(Row("/a/" + std::to_string(i)), i % 2 ? "red" : "light red"));
        }
        model.SetRows(std::move(rows));
        model.ClearShading();
        for (int row : {0, 9999, 10000, 11999}) {
            QVERIFY(!model.index(row, 2).data(Qt::BackgroundRole).isValid());
            QVERIFY(!model.index(row, 2).data(Qt::ForegroundRole).isValid());
        }
    }

    void remove_rows_keeps_the_others_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("step");
        // Few runs take the per-run removal, many runs the rebuild.
        QTest::newRow("few runs") << 20 << 3;
        QTest::newRow("many runs") << 600 << 2;
        QTest::newRow("one run at the end") << 10 << 0;
    }
    void remove_rows_keeps_the_others() {
        QFETCH(int, rows);
        QFETCH(int, step);
        ResultsModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        ResultRows list;
        for (int i = 0; i < rows; ++i) {
            list.push_back(Coloured(Row("/r/" + std::to_string(i)), i % 4 == 0 ? "blue" : "red"));
        }
        model.SetRows(std::move(list));
        for (int i = 0; i < rows; ++i) {
            model.SetTicked(i, i % 5 == 0);
        }
        std::vector<int> remove;
        for (int i = 0; i < rows; ++i) {
            if (step ? i % step == 1 : i >= rows - 3) {
                remove.push_back(i);
            }
        }
        model.RemoveRowsAt(remove);
        QCOMPARE(model.rowCount(), rows - static_cast<int>(remove.size()));
        int at = 0;
        for (int i = 0; i < rows; ++i) {
            if (std::find(remove.begin(), remove.end(), i) != remove.end()) {
                continue;
            }
            QCOMPARE(model.RowAt(at).path, "/r/" + std::to_string(i));
            QCOMPARE(model.IsTicked(at), i % 5 == 0);
            QCOMPARE(model.ShadeAt(at), i % 4 == 0 ? Shade::Blue : Shade::Red);
            ++at;
        }
    }

    // Few rows come back one by one, many in one reset: either way in their
    // places, unticked, with their verdicts, and every row in its shade again.
    void put_back_restores_the_list_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("few") << 20;
        QTest::newRow("many") << 1200;
    }
    void put_back_restores_the_list() {
        QFETCH(int, rows);
        ResultsModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        ResultRows list;
        std::vector<int> all, odd;
        for (int i = 0; i < rows; ++i) {
            list.push_back(Coloured(Row("/p/" + std::to_string(i)), i % 4 < 2 ? "blue" : "red"));
            list.back().stamp.id = FileId{1, static_cast<std::uint64_t>(i + 1)};
            list.back().group = static_cast<std::uint32_t>(i / 2 + 1);
            all.push_back(i);
            if (i % 2 == 1) {
                odd.push_back(i);
            }
        }
        model.SetRows(std::move(list));
        RowContent same;
        same.verdict = ContentVerdict::Identical;
        same.source = KeySource::Content;
        model.SetContents(all, std::vector<RowContent>(all.size(), same));
        model.SetTicked(all, true);
        const std::uint64_t before = model.Generation();
        model.RemoveRowsAt(odd);
        model.ClearShading();
        QVERIFY(model.Generation() > before);
        std::vector<FileId> files;
        for (const int i : odd) {
            files.push_back(FileId{1, static_cast<std::uint64_t>(i + 1)});
        }
        QCOMPARE(model.PutBack({FileId{9, 9}}), std::size_t{0});  // never listed
        QCOMPARE(model.PutBack(files), odd.size());
        QCOMPARE(model.rowCount(), rows);
        for (int i = 0; i < rows; ++i) {
            QCOMPARE(model.RowAt(i).path, "/p/" + std::to_string(i));
            QCOMPARE(model.IsTicked(i), i % 2 == 0);
            QCOMPARE(model.ShadeAt(i), i % 4 < 2 ? Shade::Blue : Shade::Red);
            QCOMPARE(model.index(i, ResultsModel::ContentColumn).data().toString(),
                     QStringLiteral("Identical"));
        }
        QCOMPARE(model.PutBack(files), std::size_t{0});
    }

    // Verdicts go to the rows they were taken for: the others keep theirs,
    // and a list held by another thread stays as it was handed out.
    void contents_of_some_rows_leave_the_others() {
        ResultsModel model;
        ResultRows list;
        for (int i = 0; i < 4; ++i) {
            list.push_back(Row("/c/" + std::to_string(i)));
            list.back().group = static_cast<std::uint32_t>(i / 2 + 1);
        }
        model.SetRows(std::move(list));
        RowContent differs;
        differs.verdict = ContentVerdict::Differs;
        model.SetContents({0, 1}, {differs, differs});
        RowContent unreadable;
        unreadable.verdict = ContentVerdict::Unreadable;
        model.SetContents({2, 3}, {unreadable, RowContent{}});
        QCOMPARE(model.ContentAt(0).verdict, ContentVerdict::Differs);
        QCOMPARE(model.ContentAt(2).verdict, ContentVerdict::Unreadable);
        QCOMPARE(model.ContentAt(3).verdict, ContentVerdict::NotChecked);

        const auto held = model.SharedRows();
        model.RemoveRowsAt({0, 1});
        QCOMPARE(held->size(), std::size_t{4});
        QCOMPARE((*held)[0].path, std::string("/c/0"));
        QCOMPARE(model.RowAt(0).path, std::string("/c/2"));
    }

    void clear_empties_the_list() {
        ResultsModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.SetRows({Coloured(Row("/a"), "blue")});
        model.SetTicked(0, true);
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
        model.SetRows({Coloured(Row("/b"), "red")});
        QVERIFY(!model.IsTicked(0));
        QCOMPARE(model.ShadeAt(0), Shade::Red);
    }
};

QTEST_GUILESS_MAIN(ResultsModelTest)
#include "ResultsModelTest.moc"
