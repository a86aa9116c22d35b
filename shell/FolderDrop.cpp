#include "shell/FolderDrop.h"

#include <string>

#include "catalogue/PathParts.h"
#include "platform/FileStatus.h"

namespace corvane {

std::optional<QByteArray> LocalPathBytes(const QUrl& url) {
    if (!url.isValid() || url.scheme() != QLatin1String("file")) {
        return std::nullopt;
    }
    const QString host = url.host();
    if (!host.isEmpty() && host != QLatin1String("localhost")) {
        return std::nullopt;
    }
    QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (path.isEmpty() || path.contains('\0')) {
        return std::nullopt;
    }
    return path;
}

QByteArray FolderRowForDroppedPath(const QByteArray& path) {
    if (IsFolder(path.toStdString())) {
        return path;
    }
    const std::string_view folder =
        WithoutTrailingSlash(FolderPart(std::string_view(path.constData(), path.size())));
    return QByteArray(folder.data(), static_cast<qsizetype>(folder.size()));
}

DropRows RowsFromDrop(const QList<QUrl>& urls) {
    DropRows result;
    for (const QUrl& url : urls) {
        const auto path = LocalPathBytes(url);
        if (!path) {
            result.failed = true;
            return result;
        }
        result.rows.push_back(FolderRowForDroppedPath(*path));
    }
    result.failed = urls.isEmpty();
    return result;
}

}  // namespace corvane
