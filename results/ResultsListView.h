// The results list's view: rows selected with Shift and Ctrl, Space ticks or
// unticks every selected row at once, Enter and a double click open a file.
#pragma once

#include <QTreeView>
#include <vector>

namespace corvane {

class ResultsModel;

class ResultsListView final : public QTreeView {
    Q_OBJECT

  public:
    explicit ResultsListView(QWidget* parent = nullptr);

    // The selected rows, ascending; the current row when none is selected.
    std::vector<int> SelectedRows() const;

  signals:
    // Enter or a double click on a row.
    void openRequested(int row);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace corvane
