#include "shell/ListedFolders.h"

#include <QStringList>

#include "actions/SearchTexts.h"
#include "catalogue/PathParts.h"

namespace corvane {
namespace {

const QByteArray kPathBytesKept = QByteArrayLiteral("/ !$&'()*+,;=:@[]");

bool Holds(const std::string& outerWithSlash, const std::string& innerWithSlash) {
    return innerWithSlash.size() > outerWithSlash.size() &&
           innerWithSlash.compare(0, outerWithSlash.size(), outerWithSlash) == 0;
}

}  // namespace

QString FolderListText(const std::vector<ListedFolder>& folders) {
    QStringList lines;
    for (const ListedFolder& folder : folders) {
        const QByteArray path = QByteArray::fromStdString(folder.path);
        lines << (folder.isProtected ? QStringLiteral("1 ") : QStringLiteral("0 ")) +
                     QString::fromLatin1(path.toPercentEncoding(kPathBytesKept));
    }
    return lines.join(QLatin1Char('\n'));
}

std::vector<ListedFolder> FolderListFromText(const QString& text) {
    std::vector<ListedFolder> folders;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const bool mark = line.startsWith(QLatin1String("1 "));
        if ((!mark && !line.startsWith(QLatin1String("0 "))) || line.size() < 3) {
            continue;
        }
        const QByteArray path = QByteArray::fromPercentEncoding(line.mid(2).toLatin1());
        folders.push_back({path.toStdString(), mark});
    }
    return folders;
}

FolderOverlap FindOverlap(const std::vector<ListedFolder>& listed, const std::string& folder) {
    const std::string added = FolderWithSlash(folder);
    FolderOverlap inside, above;
    for (const ListedFolder& row : listed) {
        const std::string other = FolderWithSlash(row.path);
        if (other == added) {
            return {Overlap::Same, row.path};
        }
        if (inside.kind == Overlap::None && Holds(other, added)) {
            inside = {Overlap::Inside, row.path};
        } else if (above.kind == Overlap::None && Holds(added, other)) {
            above = {Overlap::Above, row.path};
        }
    }
    return inside.kind != Overlap::None ? inside : above;
}

QString OverlapText(const std::string& folder, const FolderOverlap& overlap) {
    const QString added = DisplayPath(folder);
    const QString listed = DisplayPath(overlap.listed);
    switch (overlap.kind) {
        case Overlap::None:
            break;
        case Overlap::Same:
            return QStringLiteral("%1 is already in the list.").arg(added);
        case Overlap::Inside:
            return QStringLiteral(
                       "%1 lies inside %2, which is already in the list: it adds no new files, "
                       "but it can be protected on its own.")
                .arg(added, listed);
        case Overlap::Above:
            return QStringLiteral(
                       "%1 holds %2, which is already in the list: that row now adds no new "
                       "files.")
                .arg(added, listed);
    }
    return {};
}

}  // namespace corvane
