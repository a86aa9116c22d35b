// Picture buttons act once per click; the hover pointer file is read with its hot spot.
#include <QSignalSpy>
#include <QTest>

#include "widgets/HoverPointer.h"
#include "widgets/ImageButton.h"

using corvane::ImageButton;

class ImageButtonTest : public QObject {
    Q_OBJECT

  private slots:
    void clickActsOnceAndLeavesReleased_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("mouse") << 0;
        QTest::newRow("space") << 1;
        QTest::newRow("click()") << 2;
    }
    void clickActsOnceAndLeavesReleased() {
        QFETCH(int, how);
        ImageButton button(QStringLiteral(":/corvane/buttons/add-folder.svg"),
                           QStringLiteral(":/corvane/buttons/add-folder-pressed.svg"));
        button.resize(button.sizeHint());
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy activated(&button, &ImageButton::activated);
        QSignalSpy toggled(&button, &QAbstractButton::toggled);
        if (how == 0) {
            QTest::mouseClick(&button, Qt::LeftButton);
        } else if (how == 1) {
            button.setFocus();
            QTest::keyClick(&button, Qt::Key_Space);
        } else {
            button.click();
        }
        QCOMPARE(activated.count(), 1);
        QVERIFY(!button.isChecked());
        QVERIFY(!button.isDown());
        // Checked, then unchecked by the handler: the box toggled twice.
        QCOMPARE(toggled.count(), 2);
    }

    void twoClicksActTwice() {
        ImageButton button(QStringLiteral(":/corvane/buttons/stop-find.svg"),
                           QStringLiteral(":/corvane/buttons/stop-find-pressed.svg"));
        QSignalSpy activated(&button, &ImageButton::activated);
        button.click();
        button.click();
        QCOMPARE(activated.count(), 2);
        QVERIFY(!button.isChecked());
    }

    void facesComeFromResources_data() {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<QSize>("size");
        for (const auto& [stem, width] : {std::pair{"add-folder", 97},
                                          {"find-dupes", 97},
                                          {"clear-list", 97},
                                          {"stop-find", 113},
                                          {"back-to-main", 137},
                                          {"send-to-recycling", 145},
                                          {"uncheck-all", 145}}) {
            QTest::newRow(stem) << QString::fromLatin1(stem) << QSize(width, 73);
        }
    }
    void facesComeFromResources() {
        QFETCH(QString, stem);
        QFETCH(QSize, size);
        ImageButton button(QStringLiteral(":/corvane/buttons/%1.svg").arg(stem),
                           QStringLiteral(":/corvane/buttons/%1-pressed.svg").arg(stem));
        // The released face gives the designed size; a missing face would give none.
        QCOMPARE(button.sizeHint(), size);
    }

    void cursorFileGivesHotSpotOnFingerTip() {
        const auto cursor = corvane::LoadCursorFile(QStringLiteral(CORVANE_CURSOR_FILE));
        QVERIFY(cursor.has_value());
        const QImage image = cursor->pixmap().toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        const QPoint hot = cursor->hotSpot();
        QVERIFY(image.pixelColor(hot).alpha() > 0);
        // The tip: nothing opaque above the hot spot.
        for (int y = 0; y < hot.y(); ++y) {
            QCOMPARE(image.pixelColor(hot.x(), y).alpha(), 0);
        }
    }

    void notACursorFileGivesNone() {
        QVERIFY(!corvane::LoadCursorFile(QStringLiteral(CORVANE_TEST_SOURCE_DIR "/nothing.cur")));
        QVERIFY(
            !corvane::LoadCursorFile(QStringLiteral(CORVANE_TEST_SOURCE_DIR "/CMakeLists.txt")));
        QCOMPARE(corvane::HoverPointerOrHand(std::nullopt).shape(), Qt::PointingHandCursor);
    }
};

QTEST_MAIN(ImageButtonTest)
#include "ImageButtonTest.moc"
