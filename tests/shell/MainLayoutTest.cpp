// The resize rules, CenterForm, the reading of stored texts and the folder
// list as data, without widgets.
#include <QTest>

#include "shell/ListedFolders.h"
#include "shell/MainLayout.h"
#include "shell/StoredSettings.h"

using namespace corvane;

Q_DECLARE_METATYPE(corvane::MainGeometry)
Q_DECLARE_METATYPE(corvane::Overlap)
Q_DECLARE_METATYPE(std::vector<corvane::ListedFolder>)

namespace {
// The designed geometry of the controls the rules move, in twips.
MainGeometry Designed() {
    return {8295, 1695, 8535, 2295, 360, 3015, 4920};
}
}  // namespace

class MainLayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void resizeRules_data() {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<MainGeometry>("expected");
        QTest::newRow("9000 by 7000")
            << QSize(9000, 7000) << MainGeometry{8400, 4300, 8660, 4680, 120, 8660, 6080};
        QTest::newRow("designed client")
            << QSize(11250, 6240) << MainGeometry{10650, 3540, 10910, 3920, 120, 10910, 5320};
        QTest::newRow("exactly 600 by 2700")
            << QSize(600, 2700) << MainGeometry{0, 0, 260, 380, 120, 260, 1780};
        // Too narrow and too low: the list keeps its size, the rest follows it.
        QTest::newRow("tiny") << QSize(450, 300)
                              << MainGeometry{8295, 1695, 8555, 2075, 120, 8555, -620};
        QTest::newRow("narrow only")
            << QSize(599, 7000) << MainGeometry{8295, 4300, 8555, 4680, 120, 8555, 6080};
        QTest::newRow("low only") << QSize(9000, 2699)
                                  << MainGeometry{8400, 1695, 8660, 2075, 120, 8660, 1779};
    }
    void resizeRules() {
        QFETCH(QSize, window);
        QFETCH(MainGeometry, expected);
        const MainGeometry got = ApplyResizeRules(Designed(), 120, window);
        QCOMPARE(got.listWidth, expected.listWidth);
        QCOMPARE(got.listHeight, expected.listHeight);
        QCOMPARE(got.frameWidth, expected.frameWidth);
        QCOMPARE(got.frameHeight, expected.frameHeight);
        QCOMPARE(got.barLeft, expected.barLeft);
        QCOMPARE(got.barWidth, expected.barWidth);
        QCOMPARE(got.barTop, expected.barTop);
    }

    void centerForm_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("corner");
        QTest::newRow("1024x768") << QSize(15360, 11520) << QSize(11250, 6240)
                                  << QPoint(2055, 1640);
        // Taller than the screen less 2000 twips: a negative top.
        QTest::newRow("tall window")
            << QSize(15360, 11520) << QSize(11250, 9600) << QPoint(2055, -40);
    }
    void centerForm() {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QFETCH(QPoint, corner);
        QCOMPARE(CenterFormPosition(screen, window), corner);
    }

    void folderColumn() {
        QCOMPARE(FolderColumnWidth(8400), 7250);
        QCOMPARE(FolderColumnWidth(10650), 9218);
    }

    void storedTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("slider");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("twips");  // -1: none
        QTest::newRow("empty") << "" << 3 << 0 << false << -1;
        QTest::newRow("0") << "0" << 0 << 0 << false << -1;
        QTest::newRow("1") << "1" << 1 << 1 << true << 1;
        QTest::newRow("2") << "2" << 2 << 2 << false << 2;
        QTest::newRow("5") << "5" << 5 << 0 << false << 5;
        QTest::newRow("6") << "6" << 3 << 0 << false << 6;
        QTest::newRow("-1") << "-1" << 3 << 0 << false << -1;
        QTest::newRow("True") << "True" << 3 << 0 << false << -1;
        QTest::newRow("garbage") << "4x" << 3 << 0 << false << -1;
        QTest::newRow("fraction") << "9000.4" << 3 << 0 << false << 9000;
        QTest::newRow("wide screen") << "40800" << 3 << 0 << false << 40800;
        QTest::newRow("absurd") << "1e12" << 3 << 0 << false << -1;
        QTest::newRow("nan") << "nan" << 3 << 0 << false << -1;
    }
    void storedTexts() {
        QFETCH(QString, text);
        QFETCH(int, slider);
        QFETCH(int, state);
        QFETCH(bool, checked);
        QFETCH(int, twips);
        QCOMPARE(SliderValueFromText(text), slider);
        QCOMPARE(static_cast<int>(WindowStateFromText(text)), state);
        QCOMPARE(CheckedFromText(text), checked);
        QCOMPARE(TwipsFromText(text).value_or(-1), twips);
    }

    void folderListText_data() {
        QTest::addColumn<std::vector<ListedFolder>>("folders");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << std::vector<ListedFolder>{} << "";
        QTest::newRow("marks in order")
            << std::vector<ListedFolder>{{"/home/ann/Photos", true}, {"/srv", false}, {"/", true}}
            << "1 /home/ann/Photos\n0 /srv\n1 /";
        // Any byte survives, and no path can break a line.
        QTest::newRow("odd bytes")
            << std::vector<ListedFolder>{{"/a b/c,d%e\nf\xff\xc3\xa9", false}}
            << "0 /a b/c,d%25e%0Af%FF%C3%A9";
    }
    void folderListText() {
        QFETCH(std::vector<ListedFolder>, folders);
        QFETCH(QString, text);
        QCOMPARE(FolderListText(folders), text);
        QVERIFY(FolderListFromText(text) == folders);
    }

    void folderListTextSkipsWhatIsNotARow() {
        const std::vector<ListedFolder> rows =
            FolderListFromText(QStringLiteral("2 /x\n1 \nrubbish\n\n0 /ok\n1/y"));
        QVERIFY(rows == (std::vector<ListedFolder>{{"/ok", false}}));
    }

    void overlap_data() {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<Overlap>("kind");
        QTest::addColumn<QString>("meets");
        const QStringList listed{"/srv/music", "/home"};
        QTest::newRow("same") << listed << "/srv/music" << Overlap::Same << "/srv/music";
        QTest::newRow("same, trailing slash")
            << listed << "/srv/music/" << Overlap::Same << "/srv/music";
        QTest::newRow("inside") << listed << "/home/ann" << Overlap::Inside << "/home";
        QTest::newRow("above") << listed << "/srv" << Overlap::Above << "/srv/music";
        QTest::newRow("a name that begins alike")
            << listed << "/srv/musicals" << Overlap::None << "";
        QTest::newRow("the root holds all") << listed << "/" << Overlap::Above << "/srv/music";
        QTest::newRow("inside the root") << QStringList{"/"} << "/srv" << Overlap::Inside << "/";
        QTest::newRow("same beats inside")
            << QStringList{"/", "/srv"} << "/srv" << Overlap::Same << "/srv";
        QTest::newRow("empty list") << QStringList{} << "/srv" << Overlap::None << "";
    }
    void overlap() {
        QFETCH(QStringList, listed);
        QFETCH(QString, folder);
        QFETCH(Overlap, kind);
        QFETCH(QString, meets);
        std::vector<ListedFolder> rows;
        for (const QString& path : listed) {
            rows.push_back({path.toStdString(), false});
        }
        const FolderOverlap found = FindOverlap(rows, folder.toStdString());
        QCOMPARE(found.kind, kind);
        QCOMPARE(QString::fromStdString(found.listed), meets);
        QCOMPARE(OverlapText(folder.toStdString(), found).isEmpty(), kind == Overlap::None);
    }
};

QTEST_GUILESS_MAIN(MainLayoutTest)
#include "MainLayoutTest.moc"
