// The main window: start-up from stored values, resize rules on a real
// window, geometry keys, options, picture buttons and the pointer.
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <memory>

#include "platform/QtSettingsStore.h"
#include "shell/FolderListModel.h"
#include "shell/FolderListView.h"
#include "shell/MainWindow.h"
#include "support/MemoryStore.h"
#include "support/TempDir.h"
#include "support/TestDesktop.h"
#include "widgets/CaptionNote.h"
#include "widgets/ImageButton.h"

using namespace corvane;
using corvane::testing::MemoryStore;
using corvane::testing::TestDesktop;

namespace {

template <typename T>
T* Control(MainWindow& form, const char* name) {
    T* control = form.findChild<T*>(QLatin1String(name));
    if (!control) {
        qFatal("no control %s", name);
    }
    return control;
}

// The keys of the writes after `from`, in order.
QStringList KeysWritten(const MemoryStore& store, std::size_t from = 0) {
    QStringList keys;
    for (std::size_t i = from; i < store.writes.size(); ++i) {
        keys << QString::fromStdString(store.writes[i].first);
    }
    return keys;
}

// Resizes so that the outer size (frame included) is `outer` pixels.
void ResizeOuter(MainWindow& form, QSize outer) {
    const QSize frame = form.frameGeometry().size() - form.size();
    form.resize(outer - frame);
}

bool SliderShown(MainWindow& form) {
    const bool slider = !Control<QSlider>(form, "strictnessSlider")->isHidden();
    const bool many = !Control<QLabel>(form, "manyLabel")->isHidden();
    const bool few = !Control<QLabel>(form, "fewLabel")->isHidden();
    if (slider != many || slider != few) {
        qFatal("slider and labels disagree");
    }
    return slider;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void freshInstallShowsTheDesignedWindow() {
        MemoryStore store;
        TestDesktop desktop;
        desktop.screen = QSize(1024, 768);
        MainWindow form(store, desktop.Make());
        QCOMPARE(form.windowTitle(), QStringLiteral("Corvane"));
        QCOMPARE(form.size(), QSize(750, 416));
        QCOMPARE(form.windowState(), Qt::WindowNoState);
        // CenterForm: centred across, 1000 twips above the middle.
        QCOMPARE(form.pos(), QPoint(137, 109));
        QVERIFY(!Control<QCheckBox>(form, "exactBox")->isChecked());
        QVERIFY(!Control<QCheckBox>(form, "closeBox")->isChecked());
        QCOMPARE(Control<QSlider>(form, "strictnessSlider")->value(), 3);
        QVERIFY(!SliderShown(form));
        QVERIFY(Control<ImageButton>(form, "stopButton")->isHidden());
        QCOMPARE(Control<ImageButton>(form, "stopButton")->pos(),
                 Control<ImageButton>(form, "findButton")->pos());
        QCOMPARE(form.FolderList().headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Folder"));
        // The designed tip first; a second line says how to add what the dialog cannot show.
        QVERIFY(form.FolderView().toolTip().startsWith(
            QStringLiteral("Drag and drop folders or click 'Add Folder' button.\n")));
        for (const char* button : {"addFolderButton", "findButton", "clearListButton"}) {
            QVERIFY2(!Control<ImageButton>(form, button)->toolTip().isEmpty(), button);
        }
        // Unchanged options write nothing; the layout saved the geometry.
        QVERIFY(!store.Has(keys::ExactMatches));
        QVERIFY(!store.Has(keys::CloseMatches));
        QVERIFY(!store.Has(keys::SliderValue));
        QCOMPARE(store.Read(keys::WindowState), QStringLiteral("0"));
        QCOMPARE(store.Read(keys::FormWidth), QStringLiteral("11250"));
        QCOMPARE(store.Read(keys::FormHeight), QStringLiteral("6240"));
    }

    void storedValuesAreApplied() {
        MemoryStore store{{keys::SliderValue, "5"},   {keys::WindowState, "0"},
                          {keys::FormWidth, "13500"}, {keys::FormHeight, "6990"},
                          {keys::ExactMatches, "1"},  {keys::CloseMatches, "1"}};
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        QCOMPARE(form.size(), QSize(900, 466));
        QCOMPARE(Control<QSlider>(form, "strictnessSlider")->value(), 5);
        QVERIFY(Control<QCheckBox>(form, "exactBox")->isChecked());
        QVERIFY(Control<QCheckBox>(form, "closeBox")->isChecked());
        QVERIFY(SliderShown(form));
        // Laid out for 13500 by 6990 twips.
        QCOMPARE(form.FolderView().size(), QSize(860, 286));
        QCOMPARE(Control<QGroupBox>(form, "folderFrame")->size(), QSize(877, 311));
        QCOMPARE(Control<QProgressBar>(form, "progressBar")->geometry(), QRect(8, 405, 877, 25));
        // (12900 * 7 / 8 - 100) twips.
        QCOMPARE(form.FolderView().columnWidth(0), 746);
        // The option handlers wrote the values back.
        QCOMPARE(store.Read(keys::ExactMatches), QStringLiteral("1"));
        QCOMPARE(store.Read(keys::CloseMatches), QStringLiteral("1"));
        // The top left corner stays where CenterForm put the designed window.
        QCOMPARE(form.pos(), QPoint((1920 - 750) / 2, (1080 - 416) / 2 - 67));
    }

    void storedSizeIsTheOuterSizeOnceShown() {
        // The size is applied before the window has a frame; once the frame
        // is known the window still measures the stored size outside, so a
        // restart does not grow it by a frame each time.
        MemoryStore store{{keys::FormWidth, "13500"}, {keys::FormHeight, "6990"}};
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.frameGeometry().size(), QSize(900, 466));
        QCOMPARE(store.Read(keys::FormWidth), QStringLiteral("13500"));
        QCOMPARE(store.Read(keys::FormHeight), QStringLiteral("6990"));
    }

    void closeMatchesDecidesTheSlider_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("shown");
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("absent") << QByteArray() << false;
        QTest::newRow("garbage") << QByteArray("yes") << false;
    }
    void closeMatchesDecidesTheSlider() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, shown);
        MemoryStore store;
        if (!stored.isNull()) {
            store.Write(keys::CloseMatches, QString::fromLatin1(stored));
        }
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(SliderShown(form), shown);
        QCOMPARE(Control<QSlider>(form, "strictnessSlider")->isVisible(), shown);
    }

    void storedWindowState_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("state");
        QTest::newRow("0") << QByteArray("0") << int(Qt::WindowNoState);
        QTest::newRow("1") << QByteArray("1") << int(Qt::WindowMinimized);
        QTest::newRow("2") << QByteArray("2") << int(Qt::WindowMaximized);
        QTest::newRow("3") << QByteArray("3") << int(Qt::WindowNoState);
        QTest::newRow("garbage") << QByteArray("max") << int(Qt::WindowNoState);
    }
    void storedWindowState() {
        QFETCH(QByteArray, stored);
        QFETCH(int, state);
        MemoryStore store{{keys::FormWidth, "13500"}, {keys::FormHeight, "6990"}};
        store.Write(keys::WindowState, QString::fromLatin1(stored));
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        QCOMPARE(int(form.windowState()), state);
        // A maximised window keeps the designed normal size; the others take the stored one.
        QCOMPARE(form.size(), state == Qt::WindowMaximized ? QSize(750, 416) : QSize(900, 466));
        QCOMPARE(store.Read(keys::WindowState),
                 QString::number(state == Qt::WindowMinimized   ? 1
                                 : state == Qt::WindowMaximized ? 2
                                                                : 0));
    }

    void garbageSizeFallsBack_data() {
        QTest::addColumn<QByteArray>("width");
        QTest::addColumn<QByteArray>("height");
        QTest::addColumn<QSize>("size");
        QTest::newRow("absent") << QByteArray() << QByteArray() << QSize(750, 416);
        QTest::newRow("words") << QByteArray("wide") << QByteArray("tall") << QSize(750, 416);
        QTest::newRow("negative") << QByteArray("-9000") << QByteArray("0") << QSize(750, 416);
        QTest::newRow("only height") << QByteArray("x") << QByteArray("6990") << QSize(750, 466);
        QTest::newRow("fraction") << QByteArray("13500.2") << QByteArray("6990") << QSize(900, 466);
    }
    void garbageSizeFallsBack() {
        QFETCH(QByteArray, width);
        QFETCH(QByteArray, height);
        QFETCH(QSize, size);
        MemoryStore store{{keys::SliderValue, "17"}};
        if (!width.isNull()) {
            store.Write(keys::FormWidth, QString::fromLatin1(width));
        }
        if (!height.isNull()) {
            store.Write(keys::FormHeight, QString::fromLatin1(height));
        }
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        QCOMPARE(form.size(), size);
        QCOMPARE(Control<QSlider>(form, "strictnessSlider")->value(), 3);
        QCOMPARE(store.Read(keys::FormWidth), QString::number(size.width() * 15));
        QCOMPARE(store.Read(keys::FormHeight), QString::number(size.height() * 15));
    }

    void smallWorkAreaMaximises_data() {
        QTest::addColumn<int>("workArea");
        QTest::addColumn<QByteArray>("storedState");
        QTest::addColumn<bool>("maximised");
        QTest::newRow("800") << 800 << QByteArray("0") << true;
        QTest::newRow("801") << 801 << QByteArray("0") << false;
        QTest::newRow("640, fresh") << 640 << QByteArray() << true;
        QTest::newRow("801, stored 2") << 801 << QByteArray("2") << true;
    }
    void smallWorkAreaMaximises() {
        QFETCH(int, workArea);
        QFETCH(QByteArray, storedState);
        QFETCH(bool, maximised);
        MemoryStore store;
        if (!storedState.isNull()) {
            store.Write(keys::WindowState, QString::fromLatin1(storedState));
        }
        TestDesktop desktop;
        desktop.workAreaWidth = workArea;
        MainWindow form(store, desktop.Make());
        QCOMPARE(form.isMaximized(), maximised);
        QCOMPARE(store.Read(keys::WindowState),
                 maximised ? QStringLiteral("2") : QStringLiteral("0"));
    }

    void resizeLaysOutAndSavesGeometry() {
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const int column = form.FolderView().columnWidth(0);

        const std::size_t before = store.writes.size();
        ResizeOuter(form, QSize(900, 466));  // 13500 by 6990 twips
        QTRY_COMPARE(form.FolderView().size(), QSize(860, 286));
        QCOMPARE(Control<QGroupBox>(form, "folderFrame")->geometry(), QRect(8, 88, 877, 311));
        QCOMPARE(Control<QProgressBar>(form, "progressBar")->geometry(), QRect(8, 405, 877, 25));
        QCOMPARE(store.Read(keys::WindowState), QStringLiteral("0"));
        QCOMPARE(store.Read(keys::FormHeight), QStringLiteral("6990"));
        QCOMPARE(store.Read(keys::FormWidth), QStringLiteral("13500"));
        // State, height, width: in that order on every resize.
        const QStringList keys = KeysWritten(store, before);
        QVERIFY(!keys.isEmpty());
        QCOMPARE(keys.size() % 3, 0);
        for (qsizetype i = 0; i < keys.size(); i += 3) {
            QCOMPARE(keys.mid(i, 3), QStringList({"WindowState", "FormHeight", "FormWidth"}));
        }
        // Nothing else moves, and the column keeps its start-up width.
        QCOMPARE(Control<ImageButton>(form, "clearListButton")->geometry(), QRect(520, 8, 97, 73));
        QCOMPARE(Control<QCheckBox>(form, "exactBox")->pos(), QPoint(624, 8));
        QCOMPARE(form.FolderView().columnWidth(0), column);

        ResizeOuter(form, QSize(1000, 600));
        QTRY_COMPARE(form.FolderView().width(), 960);
        QCOMPARE(form.FolderView().columnWidth(0), column);
    }

    void minimumSizeKeepsEveryControlInView() {
        MemoryStore store{{keys::CloseMatches, "1"}};
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ResizeOuter(form, QSize(30, 20));
        QTRY_COMPARE(form.size(), QSize(750, 280));  // 11250 by 4200 twips inside
        const QSize outer = form.frameGeometry().size() * 15;
        QCOMPARE(store.Read(keys::FormWidth), QString::number(outer.width()));
        QCOMPARE(store.Read(keys::FormHeight), QString::number(outer.height()));
        for (const char* name :
             {"addFolderButton", "findButton", "clearListButton", "exactBox", "closeBox",
              "strictnessSlider", "manyLabel", "fewLabel", "folderFrame", "progressBar"}) {
            QWidget* control = Control<QWidget>(form, name);
            QVERIFY2(form.rect().contains(control->geometry()), name);
        }
        QVERIFY(form.FolderView().height() > 60);  // a few rows
    }

    void restoredWindowLiesWholeOnAScreen_data() {
        QTest::addColumn<QSize>("screen");  // what CenterForm measures
        QTest::addColumn<QList<QRect>>("available");
        QTest::addColumn<QSize>("stored");  // twips
        QTest::addColumn<QRect>("placed");
        // 1200 by 860 pixels stored on a 1366 by 768 screen with a panel.
        QTest::newRow("taller than the screen")
            << QSize(1366, 768) << QList<QRect>{{0, 0, 1366, 740}} << QSize(18000, 12900)
            << QRect(166, 0, 1200, 740);
        QTest::newRow("fits: stays where CenterForm put it")
            << QSize(1366, 768) << QList<QRect>{{0, 0, 1366, 740}} << QSize(13500, 6990)
            << QRect(308, 109, 900, 466);
        // The centre of a 3840 by 2160 desktop lies beyond both screens: the
        // window goes to the nearer one, whole.
        QTest::newRow("off every screen")
            << QSize(3840, 2160) << QList<QRect>{{0, 0, 1024, 768}, {1024, 0, 1024, 768}}
            << QSize(11250, 6240) << QRect(1298, 352, 750, 416);
    }
    void restoredWindowLiesWholeOnAScreen() {
        QFETCH(QSize, screen);
        QFETCH(QList<QRect>, available);
        QFETCH(QSize, stored);
        QFETCH(QRect, placed);
        MemoryStore store;
        store.Write(keys::FormWidth, QString::number(stored.width()));
        store.Write(keys::FormHeight, QString::number(stored.height()));
        TestDesktop desktop;
        desktop.screen = screen;
        desktop.available = available;
        MainWindow form(store, desktop.Make());
        QCOMPARE(form.geometry(), placed);
    }

    void optionsAreSavedOnEveryChange() {
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        auto* exact = Control<QCheckBox>(form, "exactBox");
        auto* close = Control<QCheckBox>(form, "closeBox");
        auto* slider = Control<QSlider>(form, "strictnessSlider");

        exact->click();
        QCOMPARE(store.Read(keys::ExactMatches), QStringLiteral("1"));
        close->click();
        QCOMPARE(store.Read(keys::CloseMatches), QStringLiteral("1"));
        QVERIFY(SliderShown(form));
        close->click();
        QCOMPARE(store.Read(keys::CloseMatches), QStringLiteral("0"));
        QVERIFY(!SliderShown(form));
        exact->click();
        QCOMPARE(store.Read(keys::ExactMatches), QStringLiteral("0"));

        slider->setValue(0);
        QCOMPARE(store.Read(keys::SliderValue), QStringLiteral("0"));
        slider->setValue(5);
        QCOMPARE(store.Read(keys::SliderValue), QStringLiteral("5"));
        slider->setValue(9);  // beyond the end stays at the end
        QCOMPARE(store.Read(keys::SliderValue), QStringLiteral("5"));
        QCOMPARE(form.Options().slider, 5);
        QVERIFY(!form.Options().exact);
        QVERIFY(!form.Options().close);
    }

    void optionsSurviveARestart() {
        corvane::testing::TempDir dir;
        QVERIFY(dir.ok());
        const QString file = QString::fromStdString(dir / "Corvane.conf");
        TestDesktop desktop;
        {
            QtSettingsStore store(file);
            MainWindow form(store, desktop.Make());
            Control<QCheckBox>(form, "closeBox")->click();
            Control<QSlider>(form, "strictnessSlider")->setValue(1);
        }
        QtSettingsStore store(file);
        MainWindow form(store, desktop.Make());
        QVERIFY(Control<QCheckBox>(form, "closeBox")->isChecked());
        QVERIFY(!Control<QCheckBox>(form, "exactBox")->isChecked());
        QCOMPARE(Control<QSlider>(form, "strictnessSlider")->value(), 1);
        QVERIFY(SliderShown(form));
    }

    // Same Contents starts ticked when its key is missing, follows a stored
    // value otherwise, and writes every change.
    void sameContentsBoxIsStored_data() {
        QTest::addColumn<QString>("stored");  // "-": no key
        QTest::addColumn<bool>("ticked");
        QTest::newRow("fresh install") << "-" << true;
        QTest::newRow("ticked") << "1" << true;
        QTest::newRow("unticked") << "0" << false;
        QTest::newRow("garbage") << "yes" << false;
    }
    void sameContentsBoxIsStored() {
        QFETCH(QString, stored);
        QFETCH(bool, ticked);
        MemoryStore store;
        if (stored != QStringLiteral("-")) {
            store.Write(keys::SameContents, stored);
        }
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        auto* same = Control<QCheckBox>(form, "sameBox");
        QCOMPARE(same->isChecked(), ticked);
        QCOMPARE(form.Options().contents, ticked);
        QCOMPARE(same->text(), QStringLiteral("Same Contents"));
        QVERIFY(!same->toolTip().isEmpty());
        // The option boxes' look, and none of the designed controls covered.
        auto* exact = Control<QCheckBox>(form, "exactBox");
        QCOMPARE(same->font(), exact->font());
        QCOMPARE(same->palette().color(QPalette::WindowText),
                 exact->palette().color(QPalette::WindowText));
        for (const char* name : {"exactBox", "closeBox", "strictnessSlider", "manyLabel",
                                 "fewLabel", "findButton", "clearListButton"}) {
            QVERIFY2(!same->geometry().intersects(Control<QWidget>(form, name)->geometry()), name);
        }
        QSignalSpy changed(&form, &MainWindow::optionsChanged);
        same->click();
        QCOMPARE(store.Read(keys::SameContents),
                 ticked ? QStringLiteral("0") : QStringLiteral("1"));
        QCOMPARE(changed.count(), 1);
    }

    void sliderSitsOnWhite() {
        MemoryStore store{{keys::CloseMatches, "1"}};
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* slider = Control<QSlider>(form, "strictnessSlider");
        // Away from groove, handle and ticks: the slider's own background.
        const QImage image = slider->grab().toImage();
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(image.pixelColor(image.width() - 1, 0), QColor(Qt::white));
    }

    void stopFindWritesTrueAndStaysReleased() {
        MemoryStore store{{keys::Stop, "False"}};
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.ShowSearchRunning(true);
        auto* stop = Control<ImageButton>(form, "stopButton");
        QVERIFY(!stop->isHidden());
        QVERIFY(Control<ImageButton>(form, "findButton")->isHidden());
        stop->click();
        QCOMPARE(store.Read(keys::Stop), QStringLiteral("True"));
        QVERIFY(!stop->isChecked());
        store.Write(keys::Stop, QStringLiteral("False"));
        stop->click();
        stop->click();
        QCOMPARE(store.Read(keys::Stop), QStringLiteral("True"));
        form.ShowSearchRunning(false);
        QVERIFY(stop->isHidden());
        QVERIFY(!Control<ImageButton>(form, "findButton")->isHidden());
    }

    void findDupesAsksOnce() {
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        QSignalSpy requested(&form, &MainWindow::findDupesRequested);
        auto* find = Control<ImageButton>(form, "findButton");
        find->click();
        QCOMPARE(requested.count(), 1);
        QVERIFY(!find->isChecked());
    }

    void captionAndProgress() {
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.SetCaption(QStringLiteral("Scanning /home"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Scanning /home"));
        auto* bar = Control<QProgressBar>(form, "progressBar");
        form.SetProgress(40);
        QCOMPARE(bar->value(), 40);
        form.SetProgress(250);
        QCOMPARE(bar->value(), 100);
    }

    void noteInTheCaptionGivesWayToTheCaption() {
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.ShowNote(QStringLiteral("2 files put back from the trash"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Corvane [2 files put back from the trash]"));
        // A caption written meanwhile waits for the note to end.
        form.SetCaption(QStringLiteral("Corvane [Finding duplicates - phase 2 of 2]"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Corvane [2 files put back from the trash]"));
        CaptionNote::Of(&form).Show(QStringLiteral("brief"), 10);
        QTRY_COMPARE(form.windowTitle(),
                     QStringLiteral("Corvane [Finding duplicates - phase 2 of 2]"));
        // A search starting ends a note at once.
        form.SetCaption(QStringLiteral("Corvane"));
        form.ShowNote(QStringLiteral("1 file put back from the trash"));
        form.ShowSearchRunning(true);
        QCOMPARE(form.windowTitle(), QStringLiteral("Corvane"));
    }

    void keysUndoAndQuit_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("undos");
        QTest::addColumn<int>("closes");
        QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << 1 << 0;
        QTest::newRow("Ctrl+Q") << int(Qt::Key_Q) << 0 << 1;
    }
    void keysUndoAndQuit() {
        QFETCH(int, key);
        QFETCH(int, undos);
        QFETCH(int, closes);
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.FolderList().Append("/srv");
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QSignalSpy undo(&form, &MainWindow::undoLastSendRequested);
        QSignalSpy closed(&form, &MainWindow::closed);
        // The menu's entry follows the trash; the key works either way.
        form.SetUndoCheck([] { return false; });
        QVERIFY(!form.FolderMenu(0)->actions().constLast()->isEnabled());
        form.SetUndoCheck([] { return true; });
        QVERIFY(form.FolderMenu(0)->actions().constLast()->isEnabled());
        QTest::keyClick(&form.FolderView(), Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(undo.count(), undos);
        QCOMPARE(closed.count(), closes);
        QCOMPARE(form.isVisible(), closes == 0);
        // The list is kept on the way out.
        QCOMPARE(store.Has(keys::FolderList), closes == 1);
    }

    void focusOrder() {
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.ShowSearchRunning(true);  // so Stop Find takes part
        const QStringList expected = {"addFolderButton",  "findButton", "clearListButton",
                                      "folderList",       "exactBox",   "closeBox",
                                      "strictnessSlider", "sameBox",    "stopButton"};
        QStringList seen;
        QWidget* widget = Control<QWidget>(form, "addFolderButton");
        for (int steps = 0; steps < 200 && seen.size() < expected.size(); ++steps) {
            if (expected.contains(widget->objectName()) && !seen.contains(widget->objectName())) {
                seen << widget->objectName();
            }
            widget = widget->nextInFocusChain();
        }
        QCOMPARE(seen, expected);
    }

    void pointerFollowsTheElementUnderTheMouse() {
        MemoryStore store;
        TestDesktop desktop;
        MainWindow form(store, desktop.Make());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const Qt::CursorShape hover = form.HoverCursor().shape();
        QVERIFY(hover != Qt::ArrowCursor);

        auto centre = [&](const char* name) {
            QWidget* w = Control<QWidget>(form, name);
            return w->mapTo(&form, w->rect().center());
        };
        QTest::mouseMove(&form, centre("addFolderButton"));
        QTRY_COMPARE(form.cursor().shape(), hover);
        // The progress bar sets nothing: the hover pointer stays.
        QTest::mouseMove(&form, centre("progressBar"));
        QTest::qWait(20);
        QCOMPARE(form.cursor().shape(), hover);
        // The frame's caption gives the arrow, which the progress bar keeps too.
        auto* frame = Control<QGroupBox>(form, "folderFrame");
        QTest::mouseMove(&form, frame->mapTo(&form, QPoint(30, 4)));
        QTRY_COMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QTest::mouseMove(&form, centre("progressBar"));
        QTest::qWait(20);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QTest::mouseMove(&form, centre("folderList"));
        QTRY_COMPARE(form.cursor().shape(), hover);
        QTest::mouseMove(&form, centre("banner"));
        QTRY_COMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QTest::mouseMove(&form, centre("exactBox"));
        QTRY_COMPARE(form.cursor().shape(), hover);
        QTest::mouseMove(&form, QPoint(form.width() - 3, form.height() - 3));  // background
        QTRY_COMPARE(form.cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
