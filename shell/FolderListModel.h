// The folder list's rows: exact byte paths, shown decoded.
#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QIcon>
#include <string>
#include <vector>

namespace corvane {

// One folder path per row, in the order added. A path is kept as the bytes
// the file system uses; only its display text is decoded, so a name that is
// not valid UTF-8 still reaches the scan unchanged. No checks: the same
// folder may be listed twice and a row is not tested for existence.
class FolderListModel : public QAbstractListModel {
    Q_OBJECT

  public:
    enum Role { PathRole = Qt::UserRole + 1 };  // the row's path as QByteArray

    explicit FolderListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    // The single column's heading; none until start-up gives it one.
    void SetHeading(const QString& heading);
    void Append(const QByteArray& path);
    void Clear();

    const std::vector<QByteArray>& Paths() const { return paths_; }

  private:
    std::vector<QByteArray> paths_;
    QString heading_;
    QIcon icon_;
};

}  // namespace corvane
