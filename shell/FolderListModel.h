// The folder list's rows: exact byte paths, shown decoded, each with its
// protection mark.
#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QIcon>
#include <string>
#include <vector>

#include "shell/ListedFolders.h"

namespace corvane {

// One folder path per row, in the order added. A path is kept as the bytes
// the file system uses; only its display text is decoded, so a name that is
// not valid UTF-8 still reaches the scan unchanged. The model takes what it
// is given (the window keeps the same folder from being listed twice). A
// row whose folder did not exist when it was added or restored is shown
// greyed, with a tooltip, and kept: the folder may be on a drive that is
// not plugged in.
class FolderListModel : public QAbstractListModel {
    Q_OBJECT

  public:
    enum Role {
        PathRole = Qt::UserRole + 1,  // the row's path as QByteArray
        ProtectedRole,                // bool
        MissingRole,                  // bool: the folder was not there
    };

    explicit FolderListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    // The single column's heading; none until start-up gives it one.
    void SetHeading(const QString& heading);
    void Append(const QByteArray& path, bool isProtected = false);
    void Clear();
    // Replaces every row, as a restored list does.
    void SetFolders(const std::vector<ListedFolder>& folders);
    void SetProtected(int row, bool isProtected);
    // Looks again whether each row's folder exists (a drive may have been
    // mounted meanwhile).
    void RecheckMissing();

    std::vector<QByteArray> Paths() const;
    // The rows with their marks, in order: what a search is given.
    std::vector<ListedFolder> Folders() const;

  private:
    struct Row {
        QByteArray path;
        bool isProtected = false;
        bool missing = false;
    };
    static Row MakeRow(const QByteArray& path, bool isProtected);

    std::vector<Row> rows_;
    QString heading_;
    QIcon icon_;
    QIcon lockedIcon_;  // the folder with a lock emblem
};

}  // namespace corvane
