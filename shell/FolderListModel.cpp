#include "shell/FolderListModel.h"

#include <QFile>

namespace corvane {

FolderListModel::FolderListModel(QObject* parent)
    : QAbstractListModel(parent), icon_(QStringLiteral(":/corvane/folder.svg")) {}

int FolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(paths_.size());
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const QByteArray& path = paths_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return QFile::decodeName(path);
        case Qt::DecorationRole:
            return icon_;
        case PathRole:
            return path;
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
    paths_.erase(paths_.begin() + row, paths_.begin() + row + count);
    endRemoveRows();
    return true;
}

void FolderListModel::SetHeading(const QString& heading) {
    heading_ = heading;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void FolderListModel::Append(const QByteArray& path) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    paths_.push_back(path);
    endInsertRows();
}

void FolderListModel::Clear() {
    if (paths_.empty()) {
        return;
    }
    beginResetModel();
    paths_.clear();
    endResetModel();
}

}  // namespace corvane
