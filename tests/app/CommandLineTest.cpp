// `corvane`'s own arguments: options, folders as bytes, the row each gives.
#include <QTest>

#include "app/CommandLine.h"
#include "support/SearchTestSupport.h"
#include "support/TempDir.h"

using namespace corvane;

class CommandLineTest : public QObject {
    Q_OBJECT

  private slots:
    void parses_data() {
        QTest::addColumn<QList<QByteArray>>("args");
        QTest::addColumn<QList<QByteArray>>("folders");
        QTest::addColumn<QByteArray>("open");
        QTest::addColumn<bool>("error");
        using L = QList<QByteArray>;
        QTest::newRow("folders in order, bytes kept")
            << L{"/a", "b\xff", "-"} << L{"/a", "b\xff", "-"} << QByteArray() << false;
        QTest::newRow("-- ends the options")
            << L{"--", "--help"} << L{"--help"} << QByteArray() << false;
        QTest::newRow("--open FILE")
            << L{"--open", "list.tsv", "/x"} << L{"/x"} << QByteArray("list.tsv") << false;
        QTest::newRow("--open=FILE") << L{"--open=l.json"} << L{} << QByteArray("l.json") << false;
        QTest::newRow("--open without FILE") << L{"--open"} << L{} << QByteArray() << true;
        QTest::newRow("unknown option")
            << L{"/a", "--frobnicate"} << L{"/a"} << QByteArray() << true;
    }
    void parses() {
        QFETCH(QList<QByteArray>, args);
        QFETCH(QList<QByteArray>, folders);
        QFETCH(QByteArray, open);
        QFETCH(bool, error);
        std::vector<const char*> argv{"corvane"};
        for (const QByteArray& arg : args) {
            argv.push_back(arg.constData());
        }
        const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        QCOMPARE(QList<QByteArray>(line.folders.begin(), line.folders.end()), folders);
        QCOMPARE(line.openList, open);
        QCOMPARE(!line.error.isEmpty(), error);
    }

    void folder_rows() {
        testing::TempDir dir;
        testing::MakeFolder(dir / "music");
        testing::WriteFile(dir / "music/song.mp3");
        const QByteArray base = QByteArray::fromStdString(dir.path());
        // Relative to the working folder; a file stands for its folder; no trailing "/".
        QCOMPARE(FolderRowForArgument("music/", base), base + "/music");
        QCOMPARE(FolderRowForArgument(base + "/music/song.mp3", "/elsewhere"), base + "/music");
        QCOMPARE(FolderRowForArgument("/", "/elsewhere"), QByteArray("/"));
        QCOMPARE(FolderRowForArgument("missing/", base), base + "/missing");
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
