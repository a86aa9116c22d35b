// The Find Dupes button from press to results window, on real temporary trees.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QProgressBar>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <fstream>

#include "actions/SearchTexts.h"
#include "app/FindDupesCommand.h"
#include "app/OpenListCommand.h"
#include "results/Desktop.h"
#include "results/ResultsWindow.h"
#include "shell/FolderListModel.h"
#include "shell/MainWindow.h"
#include "support/Files.h"
#include "support/MemoryStore.h"
#include "support/TempDir.h"
#include "support/TestDesktop.h"
#include "widgets/ImageButton.h"

using namespace corvane;
using corvane::testing::MemoryStore;
using corvane::testing::TempDir;
using corvane::testing::TestDesktop;
using corvane::testing::WriteFile;

namespace {

void MakeFolder(const std::string& path) {
    QVERIFY(::mkdir(path.c_str(), 0755) == 0);
}

// Empty files named 0 .. count-1: many files, no two alike.
void MakeUniqueFiles(const std::string& folder, int count) {
    for (int i = 0; i < count; ++i) {
        const int fd = ::open((folder + "/" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
}

// One main window, one results window and the command between them, with
// every box answered by the test.
struct Harness {
    MemoryStore store;
    TestDesktop desktop;
    MainWindow form{store, desktop.Make()};
    ResultsWindow results;
    QStringList informed;  // "title|text"
    QStringList asked;
    bool answer = true;
    FindDupesCommand command{form, results, store, Answers()};
    OpenListCommand openList{form, results, Answers()};
    QSignalSpy finished{&command, &FindDupesCommand::finished};
    QSignalSpy opened{&openList, &OpenListCommand::finished};

    Harness() {
        results.SetMainWindow(&form);
        results.SetCloseAction([] {});
        QObject::connect(&form, &MainWindow::findDupesRequested, &command,
                         &FindDupesCommand::Start);
        form.show();
    }

    const FileCatalogue& Catalogue() const { return command.Catalogue(); }

    // The outcome of the search (or list opening) under way, once the
    // windows show its result.
    SearchOutcome WaitForEnd() { return WaitFor(finished); }
    SearchOutcome WaitForOpened() { return WaitFor(opened); }
    static SearchOutcome WaitFor(QSignalSpy& spy) {
        if (spy.isEmpty() && !spy.wait(20000)) {
            qFatal("the command did not end");
        }
        return spy.takeFirst().at(0).value<SearchOutcome>();
    }

    Prompts Answers() {
        Prompts prompts;
        prompts.tell = [this](QWidget*, const QString& title, const QString& text) {
            informed << title + QLatin1Char('|') + text;
        };
        prompts.confirm = [this](QWidget*, const QString& title, const QString& text, bool) {
            asked << title + QLatin1Char('|') + text;
            return answer;
        };
        return prompts;
    }

    template <typename T>
    T* Control(const char* name) {
        T* control = form.findChild<T*>(QLatin1String(name));
        if (!control) {
            qFatal("no control %s", name);
        }
        return control;
    }

    void SetOptions(bool exact, bool close, int slider, bool same = false) {
        Control<QCheckBox>("exactBox")->setChecked(exact);
        Control<QCheckBox>("closeBox")->setChecked(close);
        Control<QCheckBox>("sameBox")->setChecked(same);
        Control<QSlider>("strictnessSlider")->setValue(slider);
    }

    void AddFolder(const std::string& path) {
        form.FolderList().Append(QByteArray::fromStdString(path));
    }

    SearchOutcome PressFindDupes() {
        Control<ImageButton>("findButton")->click();
        return WaitForEnd();
    }

    // The idle look every run ends with.
    void VerifyIdle() {
        QVERIFY(!Control<ImageButton>("findButton")->isHidden());
        QVERIFY(Control<ImageButton>("stopButton")->isHidden());
        QCOMPARE(form.windowTitle(), QStringLiteral("Corvane"));
        QCOMPARE(Control<QProgressBar>("progressBar")->value(), 0);
    }

    QStringList Paths() {
        QStringList paths;
        for (int row = 0; row < results.Model().rowCount(); ++row) {
            paths << QString::fromStdString(results.Model().RowAt(row).path);
        }
        return paths;
    }
};

}  // namespace

class FindDupesCommandTest : public QObject {
    Q_OBJECT

  private slots:
    void searchShowsShadedGroupsInPlaceOfTheMainWindow() {
        TempDir dir;
        MakeFolder(dir / "x");
        MakeFolder(dir / "y");
        WriteFile(dir / "x/a.txt", "1");
        WriteFile(dir / "x/b.txt", "22");
        WriteFile(dir / "y/a.txt", "333");
        WriteFile(dir / "y/b.txt", "4444");
        WriteFile(dir / "y/Holiday photo 1.jpg", "12345");
        WriteFile(dir / "y/Holiday photo 2.jpg", "54321");

        Harness h;
        h.SetOptions(true, true, 2);
        h.AddFolder(dir.path());
        h.form.move(40, 30);
        h.form.resize(700, 500);
        h.PressFindDupes();

        const QString base = QString::fromStdString(dir.path());
        QCOMPARE(h.Paths(), (QStringList{base + "/x/a.txt", base + "/y/a.txt", base + "/x/b.txt",
                                         base + "/y/b.txt", base + "/y/Holiday photo 1.jpg",
                                         base + "/y/Holiday photo 2.jpg"}));
        const Shade shades[] = {Shade::LightBlue, Shade::LightBlue, Shade::Blue,
                                Shade::Blue,      Shade::LightRed,  Shade::LightRed};
        for (int row = 0; row < 6; ++row) {
            QCOMPARE(h.results.Model().ShadeAt(row), shades[row]);
            QCOMPARE(h.results.Model().RowAt(row).type,
                     row < 4 ? MatchType::Exact : MatchType::Close);
        }
        QVERIFY(h.results.isVisible());
        QVERIFY(!h.form.isVisible());
        QCOMPARE(h.results.size(), h.form.size());
        QCOMPARE(h.results.pos(), h.form.pos());
        QCOMPARE(h.informed, QStringList());
        QCOMPARE(h.store.Read(keys::Stop), QStringLiteral("False"));
        h.VerifyIdle();
    }

    void aSavedListReopensWithoutTheFilesThatChangedOrWent() {
        TempDir dir;
        for (const char* folder : {"x", "y", "z"}) {
            MakeFolder(dir / folder);
            WriteFile(dir / folder + "/a.txt", "same");
            WriteFile(dir / folder + "/b.txt", "other");
        }
        Harness h;
        h.SetOptions(true, false, 3);
        h.AddFolder(dir.path());
        QCOMPARE(h.PressFindDupes(), SearchOutcome::Finished);
        QCOMPARE(h.results.Model().rowCount(), 6);
        for (const char* form : {"list.tsv", "list.json"}) {
            Desktop desktop;
            desktop.chooseSaveFile = [&](QWidget*) {
                return QByteArray::fromStdString(dir / form);
            };
            h.results.SetDesktop(desktop);
            h.results.SaveList();
        }
        WriteFile(dir / "y/a.txt", "grown longer");
        QVERIFY(::unlink((dir / "z/b.txt").c_str()) == 0);
        h.results.BackToMain();

        QSignalSpy listShown(&h.openList, &OpenListCommand::listOpened);
        for (const char* form : {"list.tsv", "list.json"}) {
            h.informed.clear();
            h.openList.Open(QByteArray::fromStdString(dir / form));
            QCOMPARE(h.WaitForOpened(), SearchOutcome::Finished);
            QCOMPARE(listShown.takeFirst().at(0).toBool(), true);
            QCOMPARE(h.informed.size(), 1);
            QVERIFY2(h.informed[0].startsWith("Corvane|2 of the files in "),
                     qPrintable(h.informed[0]));
            QCOMPARE(h.Paths().size(), 4);
            QVERIFY(!h.Paths().contains(QString::fromStdString(dir / "y/a.txt")));
            QVERIFY(!h.Paths().contains(QString::fromStdString(dir / "z/b.txt")));
            QVERIFY(h.results.isVisible());
            h.results.BackToMain();
        }
        // A damaged list is refused whole, with its reason.
        WriteFile(dir / "bad.tsv", "Exact\tlight blue\t5\t5 Bytes\trelative/path\n");
        h.informed.clear();
        h.openList.Open(QByteArray::fromStdString(dir / "bad.tsv"));
        QCOMPARE(h.WaitForOpened(), SearchOutcome::NoFolders);
        QCOMPARE(h.informed.size(), 1);
        QVERIFY2(h.informed[0].contains("cannot be opened:\nline 1:"), qPrintable(h.informed[0]));
        QCOMPARE(listShown.takeFirst().at(0).toBool(), false);
    }

    // The search compared a "Same" group's bytes; a saved list only says so.
    void aSendOfSameRowsAsksWithNoOnlyWhenTheyCameFromAList() {
        TempDir dir;
        WriteFile(dir / "IMG_2041.jpg", "photo bytes");
        WriteFile(dir / "IMG_2041 (1).jpg", "photo bytes");
        Harness h;
        h.SetOptions(false, false, 3, true);
        h.AddFolder(dir.path());
        QCOMPARE(h.PressFindDupes(), SearchOutcome::Finished);
        QCOMPARE(h.results.Model().rowCount(), 2);
        Desktop desktop;
        desktop.chooseSaveFile = [&](QWidget*) {
            return QByteArray::fromStdString(dir / "l.json");
        };
        h.results.SetDesktop(desktop);
        h.results.SaveList();
        h.results.SetPrompts(h.Answers());
        h.answer = false;  // nothing is sent
        const auto askSending = [&h] {
            h.asked.clear();
            h.results.Model().SetTicked(std::vector<int>{1}, true);
            h.results.SendTickedToTrash();
            return h.asked.size() == 1 && h.asked[0].contains("never compared by content");
        };
        QVERIFY(!askSending());
        h.results.BackToMain();
        h.openList.Open(QByteArray::fromStdString(dir / "l.json"));
        QCOMPARE(h.WaitForOpened(), SearchOutcome::Finished);
        QCOMPARE(h.results.Model().RowAt(0).type, MatchType::Same);
        QVERIFY(askSending());
    }

    void nothingAlikeSaysNoDuplicatesFound() {
        TempDir dir;
        WriteFile(dir / "one.txt", "1");
        WriteFile(dir / "two.txt", "22");
        Harness h;
        h.SetOptions(true, true, 3);
        h.AddFolder(dir.path());
        h.PressFindDupes();
        QCOMPARE(h.informed, QStringList{QStringLiteral("No dupes|No duplicates found.")});
        QVERIFY(!h.results.isVisible());
        QVERIFY(h.form.isVisible());
        h.VerifyIdle();
    }

    void emptyListSaysHowToFillItAndKeepsTheLastResults() {
        TempDir dir;
        MakeFolder(dir / "x");
        WriteFile(dir / "a", "1");
        WriteFile(dir / "x/a", "2");
        Harness h;
        h.SetOptions(true, false, 3);
        h.AddFolder(dir.path());
        h.PressFindDupes();
        QCOMPARE(h.results.Model().rowCount(), 2);
        h.results.BackToMain();

        h.form.FolderList().Clear();
        h.PressFindDupes();
        QCOMPARE(h.informed,
                 QStringList{QStringLiteral(
                     "Corvane|There are no folders to find duplicates for. Please drag and drop "
                     "some folders into the list above.")});
        QCOMPARE(h.results.Model().rowCount(), 2);
        QCOMPARE(h.Catalogue().FileCount(), 2u);
        QVERIFY(!h.results.isVisible());
        h.VerifyIdle();
    }

    void moreThanTwentyThousandFilesAsksFirst_data() {
        QTest::addColumn<int>("files");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<QString>("told");
        QTest::newRow("20,000 asks nothing")
            << 20000 << true << false << "No dupes|No duplicates found.";
        QTest::newRow("20,001, Yes goes on")
            << 20001 << true << true << "No dupes|No duplicates found.";
        QTest::newRow("20,001, No stops quietly") << 20001 << false << true << "";
    }

    void moreThanTwentyThousandFilesAsksFirst() {
        QFETCH(int, files);
        QFETCH(bool, answer);
        QFETCH(bool, asks);
        QFETCH(QString, told);
        TempDir dir;
        MakeUniqueFiles(dir.path(), files);
        Harness h;
        h.SetOptions(true, false, 3);
        h.AddFolder(dir.path());
        h.answer = answer;
        h.PressFindDupes();
        if (asks) {
            QCOMPARE(h.asked.size(), 1);
            QVERIFY2(h.asked[0].startsWith(QStringLiteral(
                         "Question|The 1 folder(s) you've selected contains 20,001 files. This "
                         "is over the recommended amount of 20,000.")),
                     qPrintable(h.asked[0]));
            QVERIFY(h.asked[0].contains(QStringLiteral(
                "'Clear List'.\n\nYou can still proceed, but the duplicate finding process may "
                "take a long time. Would you like to proceed anyway?")));
        } else {
            QCOMPARE(h.asked, QStringList());
        }
        QCOMPARE(h.informed, told.isEmpty() ? QStringList() : QStringList{told});
        QCOMPARE(h.Catalogue().FileCount(), static_cast<std::size_t>(files));
        h.VerifyIdle();
    }

    void stopFindDuringTheWalkEndsQuietly() {
        TempDir dir;
        for (const char* folder : {"a", "b", "c", "d"}) {
            MakeFolder(dir / folder);
            WriteFile(dir / folder + "/same.txt", "1");
        }
        Harness h;
        h.SetOptions(true, false, 3);
        h.AddFolder(dir.path());
        h.AddFolder(dir.path());
        // The search's thread is held until Stop Find has been pressed.
        auto* search = h.command.findChild<QThread*>(QStringLiteral("search"));
        QVERIFY(search != nullptr);
        auto* holder = new QObject;
        holder->moveToThread(search);
        QSemaphore pressed;
        QMetaObject::invokeMethod(
            holder,
            [&pressed, holder] {
                pressed.acquire();
                holder->deleteLater();
            },
            Qt::QueuedConnection);
        h.Control<ImageButton>("findButton")->click();
        QVERIFY(!h.Control<ImageButton>("stopButton")->isHidden());
        h.Control<ImageButton>("stopButton")->click();
        pressed.release();
        QCOMPARE(h.WaitForEnd(), SearchOutcome::Stopped);
        QCOMPARE(h.store.Read(keys::Stop), QStringLiteral("True"));
        QVERIFY(h.Catalogue().FileCount() < 8u);  // the second listed folder was never scanned
        QCOMPARE(h.informed, QStringList());
        QVERIFY(!h.results.isVisible());
        QVERIFY(h.form.isVisible());
        h.VerifyIdle();
    }

    void foldersThatCannotBeListedAreNamedInOneSkipBox() {
        TempDir dir;
        WriteFile(dir / "a.txt", "1");
        WriteFile(dir / "file-not-folder", "1");
        Harness h;
        h.SetOptions(true, false, 3);
        h.AddFolder(dir / "missing");
        h.AddFolder(dir / "file-not-folder");
        h.AddFolder(dir.path());
        h.PressFindDupes();
        QCOMPARE(h.informed.size(), 2);
        const QString base = QString::fromStdString(dir.path());
        QCOMPARE(h.informed[0], "Skip|2 folders could not be read and were skipped:\n" + base +
                                    "/missing/\n    No such file or directory\n" + base +
                                    "/file-not-folder/\n    Not a directory");
        QCOMPARE(h.informed[1], QStringLiteral("No dupes|No duplicates found."));
    }

    void closingTheMainWindowDuringASearchStopsIt() {
        TempDir dir;
        MakeFolder(dir / "a");
        MakeFolder(dir / "b");
        WriteFile(dir / "a/same.txt", "1");
        WriteFile(dir / "b/same.txt", "1");
        Harness h;
        h.SetOptions(true, false, 3);
        h.AddFolder(dir.path());
        h.AddFolder(dir.path());
        QObject::connect(&h.form, &MainWindow::closed, &h.form, [&h] { h.command.Abandon(); });
        h.Control<ImageButton>("findButton")->click();
        h.form.close();
        QCOMPARE(h.WaitForEnd(), SearchOutcome::Stopped);
        QCOMPARE(h.informed, QStringList());
        QVERIFY(!h.results.isVisible());
        // The user's stop request is left alone: nothing pressed Stop Find.
        QCOMPARE(h.store.Read(keys::Stop), QStringLiteral("False"));
    }
};

QTEST_MAIN(FindDupesCommandTest)
#include "FindDupesCommandTest.moc"
