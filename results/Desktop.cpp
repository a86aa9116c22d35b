#include "results/Desktop.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>

namespace corvane {
namespace {

bool ShowInFileManager(const QByteArray& path) {
    // The freedesktop.org file manager interface selects the file; without a
    // file manager on the session bus, the folder opens instead.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(FileUrl(path).toEncoded())} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return true;
    }
    const int slash = path.lastIndexOf('/');
    const QByteArray folder = slash <= 0 ? QByteArray("/") : path.left(slash);
    return QDesktopServices::openUrl(FileUrl(folder));
}

}  // namespace

QUrl FileUrl(const QByteArray& path) {
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
}

Desktop Desktop::System() {
    Desktop desktop;
    desktop.open = [](const QByteArray& path) { return QDesktopServices::openUrl(FileUrl(path)); };
    desktop.showInFolder = ShowInFileManager;
    desktop.copy = [](const QString& text) { QGuiApplication::clipboard()->setText(text); };
    desktop.chooseSaveFile = [](QWidget* owner) {
        return QFile::encodeName(QFileDialog::getSaveFileName(
            owner, QStringLiteral("Save the result list"),
            QDir::homePath() + QStringLiteral("/corvane-results.tsv"),
            QStringLiteral("Tab-separated rows (*.tsv);;JSON (*.json)")));
    };
    return desktop;
}

}  // namespace corvane
