#include "shell/FolderListModel.h"

#include <QBrush>
#include <QFile>
#include <QPainter>
#include <QPixmap>

#include "platform/FileStatus.h"

namespace corvane {
namespace {

const QColor kMissingText(0x9c, 0xa3, 0xaf);

// The folder picture with a lock in its lower right corner.
QIcon LockedIcon(const QIcon& folder) {
    const QIcon lock(QStringLiteral(":/corvane/lock.svg"));
    QIcon locked;
    for (const int side : {20, 32, 40, 64}) {
        QPixmap pixmap = folder.pixmap(side, side);
        QPainter painter(&pixmap);
        const int emblem = side * 5 / 8;
        lock.paint(&painter, side - emblem, side - emblem, emblem, emblem);
        painter.end();
        locked.addPixmap(pixmap);
    }
    return locked;
}

}  // namespace

FolderListModel::FolderListModel(QObject* parent)
    : QAbstractListModel(parent),
      icon_(QStringLiteral(":/corvane/folder.svg")),
      lockedIcon_(LockedIcon(icon_)) {}

FolderListModel::Row FolderListModel::MakeRow(const QByteArray& path, bool isProtected) {
    return Row{path, isProtected, !IsFolder(path.toStdString())};
}

int FolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return QFile::decodeName(row.path);
        case Qt::DecorationRole:
            return row.isProtected ? lockedIcon_ : icon_;
        case Qt::ForegroundRole:
            return row.missing ? QVariant(QBrush(kMissingText)) : QVariant();
        case Qt::ToolTipRole:
            if (row.missing) {
                return QStringLiteral(
                    "This folder no longer exists, or its drive is not "
                    "mounted: a search skips it.");
            }
            return row.isProtected ? QStringLiteral(
                                         "Protected: files in this folder are shown, "
                                         "but never ticked or sent to the trash.")
                                   : QVariant();
        case PathRole:
            return row.path;
        case ProtectedRole:
            return row.isProtected;
        case MissingRole:
            return row.missing;
        default:
            return {};
    }
}

QVariant FolderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return heading_;
    }
    return {};
}

bool FolderListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount()) {
        return false;
    }
    beginRemoveRows({}, row, row + count - 1);
    rows_.erase(rows_.begin() + row, rows_.begin() + row + count);
    endRemoveRows();
    return true;
}

void FolderListModel::SetHeading(const QString& heading) {
    heading_ = heading;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void FolderListModel::Append(const QByteArray& path, bool isProtected) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    rows_.push_back(MakeRow(path, isProtected));
    endInsertRows();
}

void FolderListModel::Clear() {
    if (rows_.empty()) {
        return;
    }
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void FolderListModel::SetFolders(const std::vector<ListedFolder>& folders) {
    beginResetModel();
    rows_.clear();
    for (const ListedFolder& folder : folders) {
        rows_.push_back(MakeRow(QByteArray::fromStdString(folder.path), folder.isProtected));
    }
    endResetModel();
}

void FolderListModel::SetProtected(int row, bool isProtected) {
    if (row < 0 || row >= rowCount() ||
        rows_[static_cast<std::size_t>(row)].isProtected == isProtected) {
        return;
    }
    rows_[static_cast<std::size_t>(row)].isProtected = isProtected;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DecorationRole, Qt::ToolTipRole, ProtectedRole});
}

void FolderListModel::RecheckMissing() {
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const bool missing = !IsFolder(rows_[r].path.toStdString());
        if (missing != rows_[r].missing) {
            rows_[r].missing = missing;
            const QModelIndex changed = index(static_cast<int>(r));
            emit dataChanged(changed, changed, {Qt::ForegroundRole, Qt::ToolTipRole, MissingRole});
        }
    }
}

std::vector<QByteArray> FolderListModel::Paths() const {
    std::vector<QByteArray> paths;
    paths.reserve(rows_.size());
    for (const Row& row : rows_) {
        paths.push_back(row.path);
    }
    return paths;
}

std::vector<ListedFolder> FolderListModel::Folders() const {
    std::vector<ListedFolder> folders;
    folders.reserve(rows_.size());
    for (const Row& row : rows_) {
        folders.push_back({row.path.toStdString(), row.isProtected});
    }
    return folders;
}

}  // namespace corvane
