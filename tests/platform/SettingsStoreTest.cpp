#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "platform/QtSettingsStore.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::TempDir;

const char* const kAllKeys[] = {keys::SliderValue, keys::WindowState,  keys::FormHeight,
                                keys::FormWidth,   keys::ExactMatches, keys::CloseMatches,
                                keys::Stop};

TEST(SettingsStore, EveryKeyRoundTripsAndUnwrittenKeysReadEmpty) {
    TempDir dir;
    const QString file = QString::fromStdString(dir / "settings.conf");
    {
        QtSettingsStore store(file);
        for (const char* key : kAllKeys) {
            EXPECT_EQ(store.Read(key), QString()) << key;
        }
        store.Write(keys::SliderValue, QStringLiteral("5"));
        store.Write(keys::FormHeight, QStringLiteral("7000"));
        store.Write(keys::Stop, BoolText(true));
        EXPECT_EQ(store.Read(keys::Stop), QStringLiteral("True"));
        EXPECT_TRUE(store.StopRequested());
        store.Write(keys::Stop, BoolText(false));
        EXPECT_EQ(store.Read(keys::Stop), QStringLiteral("False"));
        EXPECT_FALSE(store.StopRequested());
    }
    // A new store on the same file sees what the first one wrote.
    QtSettingsStore again(file);
    EXPECT_EQ(again.Read(keys::SliderValue), QStringLiteral("5"));
    EXPECT_EQ(again.Read(keys::FormHeight), QStringLiteral("7000"));
    EXPECT_EQ(again.Read(keys::WindowState), QString());
}

TEST(SettingsStore, TwoStoresInOneProcessSeeEachOthersWrites) {
    // The Stop button and the running search may hold different stores.
    TempDir dir;
    const QString file = QString::fromStdString(dir / "settings.conf");
    QtSettingsStore button(file);
    QtSettingsStore search(file);
    search.Write(keys::Stop, BoolText(false));
    EXPECT_FALSE(search.StopRequested());
    button.Write(keys::Stop, BoolText(true));
    EXPECT_TRUE(search.StopRequested());
}

TEST(SettingsStore, UserStoreLivesUnderQuillmarkInTheConfigFolder) {
    TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    {
        QtSettingsStore store;
        store.Write(keys::ExactMatches, QStringLiteral("1"));
    }
    QFile written(QString::fromStdString(dir / "Quillmark/Corvane.conf"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray content = written.readAll();
    EXPECT_TRUE(content.contains("[Corvane]")) << content.toStdString();
    EXPECT_TRUE(content.contains("ExactMatches=1")) << content.toStdString();
}

}  // namespace
}  // namespace corvane
