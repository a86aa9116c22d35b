#include "widgets/HoverPointer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

#include "platform/FileStatus.h"

namespace corvane {
namespace {

const QString kCursorFile = QStringLiteral("HAND-M.CUR");

quint16 Word(const QByteArray& data, int at) {
    return qFromLittleEndian<quint16>(data.constData() + at);
}

}  // namespace

QStringList HoverPointerCandidates() {
    return {QCoreApplication::applicationDirPath() + QLatin1Char('/') + kCursorFile,
            QStringLiteral(CORVANE_DATA_DIR "/") + kCursorFile};
}

std::optional<QCursor> LoadCursorFile(const QString& path) {
    if (!FileExists(QFile::encodeName(path).toStdString())) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray data = file.readAll();
    // ICONDIR (reserved 0, type 2 = cursor, count) then one 16-byte entry
    // whose "planes" and "bit count" words hold the hot spot of a cursor.
    if (data.size() < 22 || Word(data, 0) != 0 || Word(data, 2) != 2 || Word(data, 4) < 1) {
        return std::nullopt;
    }
    const int hotX = Word(data, 6 + 4);
    const int hotY = Word(data, 6 + 6);
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "cur");
    const QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

std::optional<QCursor> LoadHoverPointer() {
    for (const QString& candidate : HoverPointerCandidates()) {
        if (auto cursor = LoadCursorFile(candidate)) {
            return cursor;
        }
    }
    return std::nullopt;
}

QCursor HoverPointerOrHand(const std::optional<QCursor>& loaded) {
    return loaded ? *loaded : QCursor(Qt::PointingHandCursor);
}

}  // namespace corvane
