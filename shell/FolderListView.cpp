#include "shell/FolderListView.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <algorithm>

namespace corvane {

FolderListView::FolderListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
    setIconSize(QSize(20, 20));
    setTextElideMode(Qt::ElideMiddle);
    // The column is sized once at start-up and keeps that width afterwards.
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
}

void FolderListView::DeleteSelectedRows() {
    if (!model() || !selectionModel()) {
        return;
    }
    for (int row = model()->rowCount() - 1; row >= 0; --row) {
        if (selectionModel()->isRowSelected(row, {})) {
            model()->removeRow(row);
        }
    }
}

void FolderListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        DeleteSelectedRows();  // whatever modifiers are held
        return;
    }
    if (event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier)) {
        // Ctrl alone selects every row; Ctrl with Shift or Alt does nothing.
        if (event->modifiers() == Qt::ControlModifier) {
            selectAll();
        }
        return;
    }
    QTreeView::keyPressEvent(event);
}

void FolderListView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        SetDropHighlight(true);
    } else {
        event->ignore();
    }
}

void FolderListView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void FolderListView::dragLeaveEvent(QDragLeaveEvent* event) {
    SetDropHighlight(false);
    event->accept();
}

void FolderListView::dropEvent(QDropEvent* event) {
    SetDropHighlight(false);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit urlsDropped(event->mimeData()->urls());
}

void FolderListView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (model() && model()->rowCount() == 0) {
        // An empty list says how to fill it.
        QPainter painter(viewport());
        painter.setPen(QColor(0x94, 0xa3, 0xb8));
        painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         tr("Drop folders here, or click Add Folder"));
    }
}

void FolderListView::SetDropHighlight(bool on) {
    // A pale blue list while something can be dropped on it.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, on ? QColor(0xef, 0xf6, 0xff) : QColor(Qt::white));
    setPalette(palette);
}

}  // namespace corvane
