// The folder list: Add Folder, drops in order and as exact bytes, the failed
// drop's message, Delete, Ctrl+A and Clear List.
#include <sys/stat.h>
#include <unistd.h>
#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <fstream>

#include "platform/QtSettingsStore.h"
#include "shell/FolderDrop.h"
#include "shell/FolderListModel.h"
#include "shell/FolderListView.h"
#include "shell/MainWindow.h"
#include "support/MemoryStore.h"
#include "support/TempDir.h"
#include "support/TestDesktop.h"
#include "widgets/ImageButton.h"

using namespace corvane;
using corvane::testing::MemoryStore;
using corvane::testing::TempDir;
using corvane::testing::TestDesktop;

namespace {

const QString kDropMessage = QStringLiteral(
    "You can not drag and drop virtual folders like Trash or Network. Instead browse to the "
    "folder on disk, for example /home/your-name/Documents, or drag and drop subfolders within it");

QUrl FileUrl(const std::string& path) {
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

void MakeFile(const std::string& path) {
    std::ofstream(path) << "x";
}

void MakeFolder(const std::string& path) {
    QVERIFY(::mkdir(path.c_str(), 0755) == 0);
}

QList<QByteArray> Rows(MainWindow& form) {
    QList<QByteArray> rows;
    for (const std::string& path : form.FolderPaths()) {
        rows << QByteArray(path.data(), static_cast<qsizetype>(path.size()));
    }
    return rows;
}

QByteArray Bytes(const std::string& path) {
    return QByteArray(path.data(), static_cast<qsizetype>(path.size()));
}

// Drags the data over the list and drops it there.
void Drop(MainWindow& form, const QMimeData& mime) {
    QWidget* viewport = form.FolderView().viewport();
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
}

void Drop(MainWindow& form, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    Drop(form, mime);
}

ImageButton* Button(MainWindow& form, const char* name) {
    return form.findChild<ImageButton*>(QLatin1String(name));
}

// The folder list's menu, opened on `row`, and its command named `text`.
QAction* MenuCommand(MainWindow& form, int row, const QString& text) {
    for (QAction* action : form.FolderMenu(row)->actions()) {
        if (action->text().section(QLatin1Char('\t'), 0, 0) == text) {
            return action;
        }
    }
    qFatal("no command %s", qPrintable(text));
}

QList<bool> Marks(MainWindow& form) {
    QList<bool> marks;
    for (const ListedFolder& folder : form.Folders()) {
        marks << folder.isProtected;
    }
    return marks;
}

void SelectRows(MainWindow& form, std::initializer_list<int> rows) {
    auto* selection = form.FolderView().selectionModel();
    selection->clearSelection();
    for (int row : rows) {
        selection->select(form.FolderList().index(row), QItemSelectionModel::Select);
    }
}

}  // namespace

class FolderListTest : public QObject {
    Q_OBJECT

  private slots:
    void addFolder_data() {
        using Rows = QList<QByteArray>;
        QTest::addColumn<QList<Rows>>("answers");  // one pick per click; none is Cancel
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QStringList>("messages");
        const QString inside = QStringLiteral(
            "/srv/music lies inside /srv, which is already in the list: it adds no new files, "
            "but it can be protected on its own.");
        const QString above = QStringLiteral(
            "/srv holds /srv/music, which is already in the list: that row now adds no new "
            "files.");
        QTest::newRow("cancel") << QList<Rows>{{}} << Rows{} << QStringList{};
        QTest::newRow("trailing slash")
            << QList<Rows>{{"/srv/music/"}} << Rows{"/srv/music"} << QStringList{};
        QTest::newRow("root") << QList<Rows>{{"/"}} << Rows{"/"} << QStringList{};
        QTest::newRow("cancel between")
            << QList<Rows>{{"/a"}, {}, {"/b"}} << Rows{"/a", "/b"} << QStringList{};
        QTest::newRow("not UTF-8")
            << QList<Rows>{{"/srv/caf\xe9"}} << Rows{"/srv/caf\xe9"} << QStringList{};
        QTest::newRow("several in one pick")
            << QList<Rows>{{"/a", "/b/", "/c"}} << Rows{"/a", "/b", "/c"} << QStringList{};
        QTest::newRow("twice the same")
            << QList<Rows>{{"/srv/music"}, {"/srv/music/"}} << Rows{"/srv/music"}
            << QStringList{"/srv/music is already in the list."};
        QTest::newRow("inside a listed one") << QList<Rows>{{"/srv"}, {"/srv/music"}}
                                             << Rows{"/srv", "/srv/music"} << QStringList{inside};
        QTest::newRow("above a listed one") << QList<Rows>{{"/srv/music"}, {"/srv"}}
                                            << Rows{"/srv/music", "/srv"} << QStringList{above};
        QTest::newRow("a name that only begins alike")
            << QList<Rows>{{"/srv"}, {"/srv2"}} << Rows{"/srv", "/srv2"} << QStringList{};
        QTest::newRow("one message for one pick")
            << QList<Rows>{{"/srv", "/srv/music", "/srv", "/srv/music"}}
            << Rows{"/srv", "/srv/music"}
            << QStringList{inside +
                           "\n/srv is already in the list.\n/srv/music is already in "
                           "the list."};
    }
    void addFolder() {
        QFETCH(QList<QList<QByteArray>>, answers);
        QFETCH(QList<QByteArray>, rows);
        QFETCH(QStringList, messages);
        MemoryStore store;
        TestDesktop desktop;
        for (const QList<QByteArray>& answer : answers) {
            desktop.browserAnswers.emplace_back(answer.begin(), answer.end());
        }
        MainWindow form(store, desktop.Make());
        for (qsizetype i = 0; i < answers.size(); ++i) {
            Button(form, "addFolderButton")->click();
        }
        QCOMPARE(Rows(form), rows);
        QCOMPARE(desktop.browserTitles.size(), answers.size());
        QCOMPARE(desktop.browserTitles.value(0), QStringLiteral("Please select folder to add:"));
        QVERIFY(!Button(form, "addFolderButton")->isChecked());
        QCOMPARE(desktop.messageTexts, messages);
        QCOMPARE(desktop.messageTitles, QStringList(messages.size(), QStringLiteral("Corvane")));
    }

    void dropOfFilesAndFoldersKeepsTheDropOrder() {
        TempDir dir;
        QVERIFY(dir.ok());
        MakeFolder(dir / "photos");
        MakeFolder(dir / "music");
        MakeFile(dir / "music/a.mp3");
        MakeFile(dir / "music/b.mp3");
        MakeFile(dir / "music/c.mp3");
        MakeFolder(dir / "docs");

        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        // Three files of one folder: that folder once, no trailing "/", and
        // one word that it was listed already.
        Drop(form, {FileUrl(dir / "music/a.mp3"), FileUrl(dir / "music/b.mp3"),
                    FileUrl(dir / "music/c.mp3")});
        const QByteArray music = Bytes(dir / "music");
        QCOMPARE(Rows(form), (QList<QByteArray>{music}));
        QCOMPARE(desktop.messageTexts,
                 QStringList{QFile::decodeName(music) + " is already in the list."});

        form.FolderList().Clear();
        desktop.messageTexts.clear();
        // Folders as named, files as their folder, in the drop's order; a
        // folder named with its trailing "/" keeps it.
        Drop(form, {FileUrl(dir / "photos"), FileUrl(dir / "music/b.mp3"), FileUrl(dir / "docs/"),
                    FileUrl("/"), FileUrl("/corvane-no-such-file")});
        QCOMPARE(Rows(form),
                 (QList<QByteArray>{Bytes(dir / "photos"), music, Bytes(dir / "docs/"), "/"}));
        QCOMPARE(desktop.messageTexts.size(), 1);
        QVERIFY(desktop.messageTexts[0].endsWith("\n/ is already in the list."));
    }

    void dropKeepsBytesThatAreNotUtf8() {
        TempDir dir;
        QVERIFY(dir.ok());
        const std::string odd = dir / "caf\xe9";
        MakeFolder(odd);
        MakeFile(odd + "/song\xff.mp3");

        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        Drop(form, {FileUrl(odd), FileUrl(odd + "/song\xff.mp3")});
        QCOMPARE(Rows(form), (QList<QByteArray>{Bytes(odd)}));
        // Shown decoded, kept as bytes.
        const QModelIndex first = form.FolderList().index(0);
        QCOMPARE(first.data(Qt::DisplayRole).toString(), QFile::decodeName(Bytes(odd)));
        QCOMPARE(first.data(FolderListModel::PathRole).toByteArray(), Bytes(odd));
        QCOMPARE(form.FolderPaths().front(), odd);
    }

    void dropAsFileManagersSendIt() {
        // Another program's drop arrives as text/uri-list bytes, not as QUrls.
        TempDir dir;
        QVERIFY(dir.ok());
        const std::string odd = dir / "na\xefve \xff";
        MakeFolder(odd);
        const QByteArray list = "file://" + Bytes(odd).toPercentEncoding("/") + "\r\n" + "file://" +
                                Bytes(dir / "a b.txt").toPercentEncoding("/") + "\r\n";
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"), list);

        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        Drop(form, mime);
        QCOMPARE(Rows(form), (QList<QByteArray>{Bytes(odd), Bytes(dir.path())}));
        // The folder of the file holds the folder dropped before it.
        QCOMPARE(desktop.messageTexts.size(), 1);
        QVERIFY(desktop.messageTexts[0].contains(" holds "));
    }

    void failedDropShowsTheMessageAndKeepsEarlierRows_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QList<QByteArray>>("added");
        QTest::newRow("trash") << QList<QUrl>{QUrl("trash:/report.txt")} << QList<QByteArray>{};
        QTest::newRow("network") << QList<QUrl>{QUrl("smb://server/share")} << QList<QByteArray>{};
        QTest::newRow("other host")
            << QList<QUrl>{QUrl("file://server/srv/x")} << QList<QByteArray>{};
        QTest::newRow("no URLs") << QList<QUrl>{} << QList<QByteArray>{};
        QTest::newRow("stops at the first virtual item")
            << QList<QUrl>{QUrl("file:///tmp"), QUrl("trash:/x"), QUrl("file:///")}
            << QList<QByteArray>{"/tmp"};
    }
    void failedDropShowsTheMessageAndKeepsEarlierRows() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QList<QByteArray>, added);
        MemoryStore store;
        TestDesktop desktop;
        desktop.browserAnswers = {{"/srv/earlier"}};
        MainWindow form(store, desktop.Make());
        Button(form, "addFolderButton")->click();

        Drop(form, urls);
        QCOMPARE(Rows(form), QList<QByteArray>{"/srv/earlier"} + added);
        QCOMPARE(desktop.messageTitles, QStringList{QStringLiteral("Error")});
        QCOMPARE(desktop.messageTexts, QStringList{kDropMessage});
    }

    void rememberedWithMarksAndVanishedFolders() {
        TempDir dir;
        QVERIFY(dir.ok());
        const std::string folders[] = {dir / "kept", dir / "photos", dir / "gone",
                                       dir / "caf\xe9, 50%"};
        for (const std::string& folder : folders) {
            MakeFolder(folder);
        }
        const QString file = QString::fromStdString(dir / "Corvane.conf");
        {
            QtSettingsStore store(file);
            TestDesktop desktop;
            desktop.browserAnswers = {{Bytes(folders[0]), Bytes(folders[1])},
                                      {Bytes(folders[2]), Bytes(folders[3])}};
            MainWindow form(store, desktop.Make());
            Button(form, "addFolderButton")->click();
            Button(form, "addFolderButton")->click();
            MenuCommand(form, 1, QStringLiteral("Protect files in this folder"))->trigger();
            form.close();
        }
        QVERIFY(::rmdir(folders[2].c_str()) == 0);
        QtSettingsStore store(file);
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        QCOMPARE(form.Folders(), (std::vector<ListedFolder>{{folders[0], false},
                                                            {folders[1], true},
                                                            {folders[2], false},
                                                            {folders[3], false}}));
        // The vanished folder stays, greyed and explained; the others are plain.
        for (int row = 0; row < 4; ++row) {
            const QModelIndex index = form.FolderList().index(row);
            QCOMPARE(index.data(FolderListModel::MissingRole).toBool(), row == 2);
            QCOMPARE(index.data(Qt::ForegroundRole).isValid(), row == 2);
            QCOMPARE(index.data(Qt::ToolTipRole).isValid(), row == 1 || row == 2);
        }
        // It comes back to life when the folder does, next time the window is active.
        MakeFolder(folders[2]);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTRY_VERIFY(!form.FolderList().index(2).data(FolderListModel::MissingRole).toBool());
    }

    void protectFromTheMenu_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("menuRow");
        QTest::addColumn<QList<bool>>("marked");
        QTest::newRow("the row under the pointer")
            << QList<int>{} << 1 << QList<bool>{false, true, false};
        QTest::newRow("with the other selected rows")
            << QList<int>{0, 2} << 2 << QList<bool>{true, false, true};
        QTest::newRow("a row outside the selection")
            << QList<int>{0, 2} << 1 << QList<bool>{false, true, false};
    }
    void protectFromTheMenu() {
        QFETCH(QList<int>, selected);
        QFETCH(int, menuRow);
        QFETCH(QList<bool>, marked);
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        for (const char* path : {"/1", "/2", "/3"}) {
            form.FolderList().Append(path);
        }
        const qint64 plainIcon =
            form.FolderList().index(0).data(Qt::DecorationRole).value<QIcon>().cacheKey();
        auto* selection = form.FolderView().selectionModel();
        for (int row : selected) {
            selection->select(form.FolderList().index(row), QItemSelectionModel::Select);
        }
        const QString protect = QStringLiteral("Protect files in this folder");
        QVERIFY(!MenuCommand(form, menuRow, protect)->isChecked());
        MenuCommand(form, menuRow, protect)->trigger();
        QCOMPARE(Marks(form), marked);
        for (int row = 0; row < 3; ++row) {
            const QIcon icon = form.FolderList().index(row).data(Qt::DecorationRole).value<QIcon>();
            QCOMPARE(icon.cacheKey() != plainIcon, marked[row]);  // the lock emblem
        }
        // Again on the same row takes the marks off.
        QVERIFY(MenuCommand(form, menuRow, protect)->isChecked());
        MenuCommand(form, menuRow, protect)->trigger();
        QCOMPARE(Marks(form), (QList<bool>{false, false, false}));
        QVERIFY(!MenuCommand(form, -1, protect)->isEnabled());  // no row under the pointer
    }

    void deleteRemovesSelectedRows_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QList<QByteArray>>("left");
        QTest::newRow("2 and 4 of 5")
            << QList<int>{1, 3} << int(Qt::NoModifier) << QList<QByteArray>{"/1", "/3", "/5"};
        QTest::newRow("none") << QList<int>{} << int(Qt::NoModifier)
                              << QList<QByteArray>{"/1", "/2", "/3", "/4", "/5"};
        QTest::newRow("all, with Shift")
            << QList<int>{0, 1, 2, 3, 4} << int(Qt::ShiftModifier) << QList<QByteArray>{};
        QTest::newRow("first and last")
            << QList<int>{0, 4} << int(Qt::ControlModifier) << QList<QByteArray>{"/2", "/3", "/4"};
    }
    void deleteRemovesSelectedRows() {
        QFETCH(QList<int>, selected);
        QFETCH(int, modifiers);
        QFETCH(QList<QByteArray>, left);
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        for (const char* path : {"/1", "/2", "/3", "/4", "/5"}) {
            form.FolderList().Append(path);
        }
        auto* selection = form.FolderView().selectionModel();
        for (int row : selected) {
            selection->select(form.FolderList().index(row), QItemSelectionModel::Select);
        }
        QTest::keyClick(&form.FolderView(), Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(Rows(form), left);
    }

    void ctrlAOnlySelectsAll_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("selected");
        QTest::newRow("Ctrl+A") << 4 << int(Qt::ControlModifier) << 4;
        QTest::newRow("Ctrl+A, empty list") << 0 << int(Qt::ControlModifier) << 0;
        QTest::newRow("Ctrl+Shift+A") << 4 << int(Qt::ControlModifier | Qt::ShiftModifier) << 1;
        QTest::newRow("Ctrl+Alt+A") << 4 << int(Qt::ControlModifier | Qt::AltModifier) << 1;
    }
    void ctrlAOnlySelectsAll() {
        QFETCH(int, rows);
        QFETCH(int, modifiers);
        QFETCH(int, selected);
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        for (int i = 0; i < rows; ++i) {
            form.FolderList().Append("/f" + QByteArray::number(i));
        }
        if (rows > 0) {
            SelectRows(form, {2});  // one row selected beforehand
        }
        QTest::keyClick(&form.FolderView(), Qt::Key_A, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(form.FolderView().selectionModel()->selectedRows().size(), selected);
        QCOMPARE(form.FolderList().rowCount(), rows);
    }

    void clearList() {
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        QSignalSpy reset(&form.FolderList(), &QAbstractItemModel::modelReset);
        QSignalSpy removed(&form.FolderList(), &QAbstractItemModel::rowsRemoved);
        Button(form, "clearListButton")->click();  // empty: nothing happens
        QCOMPARE(form.FolderList().rowCount(), 0);
        QCOMPARE(reset.count() + removed.count(), 0);

        form.FolderList().Append("/a");
        form.FolderList().Append("/b");
        Button(form, "clearListButton")->click();
        QCOMPARE(form.FolderList().rowCount(), 0);
        QVERIFY(form.FolderPaths().empty());
        QVERIFY(!Button(form, "clearListButton")->isChecked());
    }

    void localPathBytes_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QByteArray>("path");  // null: not local
        QTest::newRow("plain") << QUrl("file:///home/ann/Music") << QByteArray("/home/ann/Music");
        QTest::newRow("localhost") << QUrl("file://localhost/srv") << QByteArray("/srv");
        QTest::newRow("space and percent")
            << QUrl::fromEncoded("file:///srv/a%20b%25c") << QByteArray("/srv/a b%c");
        QTest::newRow("Latin-1 byte")
            << QUrl::fromEncoded("file:///srv/caf%E9") << QByteArray("/srv/caf\xe9");
        QTest::newRow("UTF-8") << QUrl::fromEncoded("file:///srv/caf%C3%A9")
                               << QByteArray("/srv/caf\xc3\xa9");
        QTest::newRow("NUL byte") << QUrl::fromEncoded("file:///srv/a%00b") << QByteArray();
        QTest::newRow("trash") << QUrl("trash:/a") << QByteArray();
        QTest::newRow("relative") << QUrl("music") << QByteArray();
    }
    void localPathBytes() {
        QFETCH(QUrl, url);
        QFETCH(QByteArray, path);
        const auto got = LocalPathBytes(url);
        QCOMPARE(got.has_value(), !path.isNull());
        if (got) {
            QCOMPARE(*got, path);
        }
    }
};

QTEST_MAIN(FolderListTest)
#include "FolderListTest.moc"
