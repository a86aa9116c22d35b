// The folder list's view: Delete, Ctrl+A and drops of files and folders.
#pragma once

#include <QList>
#include <QTreeView>
#include <QUrl>

namespace corvane {

class FolderListModel;

class FolderListView : public QTreeView {
    Q_OBJECT

  public:
    explicit FolderListView(QWidget* parent = nullptr);

    // Removes every selected row, walking from the last row up.
    void DeleteSelectedRows();

  signals:
    // A drop's URLs, in the drop's order.
    void urlsDropped(const QList<QUrl>& urls);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void SetDropHighlight(bool on);
};

}  // namespace corvane
