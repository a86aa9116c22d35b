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
        model.AddRow(Coloured(Row("/a/x"), keyword.toStdString()));
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
        model.AddRow(Coloured(Row(bad, MatchType::Close), "red"));
        model.AddRow(Coloured(Row("/t/ok.txt"), "blue"));
        QCOMPARE(RowTexts(model, 0),
                 (QStringList{DisplayPath(bad), "10 Bytes", "1/2/26 3:04:05 PM", "Close", ""}));
        QCOMPARE(model.index(0, 0).data(ResultsModel::PathRole).toByteArray(),
                 QByteArray::fromStdString(bad));
        QCOMPARE(model.index(1, 3).data().toString(), QStringLiteral("Exact"));
        QCOMPARE(model.index(0, 0).data(Qt::ToolTipRole).toString(), DisplayPath(bad));
        // A "Same" row's bytes were compared by the search: "Identical" at once,
        // and kept by a content check that did not get to it.
        QVERIFY(!model.ShowsContent());
        model.AddRow(Coloured(Row("/t/copy.txt"), "light green"));
        QVERIFY(model.ShowsContent() && !model.HasContent());
        QCOMPARE(RowTexts(model, 2).mid(3), (QStringList{"Same", "Identical"}));
        model.SetContent({}, {});
        QCOMPARE(RowTexts(model, 2).mid(3), (QStringList{"Same", "Identical"}));
        QCOMPARE(RowTexts(model, 1).mid(4), (QStringList{""}));
    }

    void never_editable() {
        ResultsModel model;
        model.AddRow(Coloured(Row("/a/x"), "blue"));
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
        for (int i = 0; i < 5; ++i) {
            model.AddRow(Coloured(Row("/a/" + std::to_string(i)), i % 2 ? "blue" : "light blue"));
        }
        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(model.setData(model.index(3, 0), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.CheckedRows(), (std::vector<int>{1, 3}));
        QCOMPARE(model.index(3, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.UncheckAll();
        QVERIFY(model.CheckedRows().empty());
        QCOMPARE(changed.count(), 1);
        // Nothing else of a row changes.
        QCOMPARE(model.ShadeAt(1), Shade::Blue);
        QCOMPARE(model.rowCount(), 5);

        ResultsModel empty;
        QSignalSpy none(&empty, &QAbstractItemModel::dataChanged);
        empty.UncheckAll();
        QCOMPARE(none.count(), 0);
    }

    void clear_shading_reaches_every_row() {
        ResultsModel model;
        for (int i = 0; i < 12000; ++i) {
            model.AddRow(Coloured(Row("/a/" + std::to_string(i)), i % 2 ? "red" : "light red"));
        }
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
        for (int i = 0; i < rows; ++i) {
            model.AddRow(Coloured(Row("/r/" + std::to_string(i)), i % 4 == 0 ? "blue" : "red"));
            model.SetChecked(i, i % 5 == 0);
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
            QCOMPARE(model.IsChecked(at), i % 5 == 0);
            QCOMPARE(model.ShadeAt(at), i % 4 == 0 ? Shade::Blue : Shade::Red);
            ++at;
        }
    }

    void clear_empties_the_list() {
        ResultsModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.AddRow(Coloured(Row("/a"), "blue"));
        model.SetChecked(0, true);
        model.Clear();
        QCOMPARE(model.rowCount(), 0);
        model.AddRow(Coloured(Row("/b"), "red"));
        QVERIFY(!model.IsChecked(0));
        QCOMPARE(model.ShadeAt(0), Shade::Red);
    }
};

QTEST_GUILESS_MAIN(ResultsModelTest)
#include "ResultsModelTest.moc"
