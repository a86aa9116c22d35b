#include "results/ResultsListView.h"

#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <algorithm>

#include "results/ResultsModel.h"

namespace corvane {
namespace {

// Paints a protected row's check box disabled: it can never be ticked.
class ProtectedRowDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(ResultsModel::ProtectedRole).toBool()) {
            option->state &= ~QStyle::State_Enabled;
        }
    }
};

}  // namespace

ResultsListView::ResultsListView(QWidget* parent) : QTreeView(parent) {
    setItemDelegate(new ProtectedRowDelegate(this));
    // Enter and double clicks come through `activated`; a double click on the
    // check box itself only ticks.
    connect(this, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { emit openRequested(index.row()); });
}

std::vector<int> ResultsListView::SelectedRows() const {
    std::vector<int> rows;
    if (selectionModel() != nullptr) {
        for (const QModelIndex& index : selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
    }
    if (rows.empty() && currentIndex().isValid()) {
        rows.push_back(currentIndex().row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ResultsListView::keyPressEvent(QKeyEvent* event) {
    auto* results = qobject_cast<ResultsModel*>(model());
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && results) {
        // One press gives every selected row the opposite of the current
        // row's tick, so a mixed selection ends up all ticked or all not.
        const std::vector<int> rows = SelectedRows();
        if (!rows.empty()) {
            const int lead = currentIndex().isValid() ? currentIndex().row() : rows.front();
            results->SetTicked(rows, !results->IsTicked(lead));
        }
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

}  // namespace corvane
