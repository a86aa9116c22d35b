// The results list's rows: a table model that the search fills as a ResultSink.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "actions/KeepRules.h"
#include "actions/RowFormat.h"
#include "results/RowShade.h"
#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane {

// Four columns, "Filename", "Size", "Last Modified", "Type", in the order the
// rows were added; never sorted and never editable. Column 0 carries the
// tick (Qt::CheckStateRole). Each row keeps its own shade, so the shading
// moves with the row when others are removed and one call clears it all.
//
// Rows hold data; the cells put it into words when they are painted, in the
// system locale. Paths stay bytes (PathRole gives them as a QByteArray); the
// Filename cell shows them decoded with QFile::decodeName.
//
// Threading: the GUI thread only.
//
// summaryChanged() follows every change of the rows or ticks, so a window can
// show the counts without scanning the list itself.
class ResultsModel final : public QAbstractTableModel, public ResultSink {
    Q_OBJECT

  public:
    // The Content column stays empty (and the window hides it) until a
    // content check has given the rows their verdicts; "Same" rows read
    // "Identical" from the start.
    enum Column {
        FilenameColumn,
        SizeColumn,
        ModifiedColumn,
        TypeColumn,
        ContentColumn,
        ColumnCount
    };
    // ProtectedRole: true for a row under a protected folder (greyed, never ticked).
    enum Role { PathRole = Qt::UserRole + 1, ProtectedRole };

    explicit ResultsModel(QObject* parent = nullptr);

    // ResultSink
    void Clear() override;
    void AddRow(ResultRow row) override;
    // Replaces every row at once: one reset instead of a signal per row.
    void SetRows(std::vector<ResultRow> rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    const ResultRow& RowAt(int row) const { return rows_[static_cast<std::size_t>(row)].row; }
    Shade ShadeAt(int row) const { return rows_[static_cast<std::size_t>(row)].shade; }
    bool IsChecked(int row) const { return rows_[static_cast<std::size_t>(row)].checked; }
    bool IsProtected(int row) const { return rows_[static_cast<std::size_t>(row)].row.isProtected; }
    // A protected row is never ticked, however asked.
    void SetChecked(int row, bool checked);
    // Ticks or unticks many rows with one change signal per run of rows.
    void SetChecked(const std::vector<int>& ascendingRows, bool checked);

    // Rows that are ticked, in ascending order.
    std::vector<int> CheckedRows() const;
    void UncheckAll();

    // The rows whose files lie in the same folder as row `row`'s file, and
    // the rows of its group; both ascending.
    std::vector<int> RowsInFolderOf(int row) const;
    std::vector<int> RowsInGroupOf(int row) const;

    // The content check's verdicts, matched to the rows by their files
    // (device and inode) and paths: rows it did not look at keep the verdicts
    // they had (NotChecked before any check).
    void SetContent(const std::vector<ResultRow>& checkedRows,
                    const std::vector<RowContent>& content);
    bool HasContent() const { return hasContent_; }
    // The Content column has something to show: a check ran, or the list
    // holds "Same" rows, which are "Identical" from the start.
    bool ShowsContent() const { return hasContent_ || sameRows_; }
    const RowContent& ContentAt(int row) const {
        return rows_[static_cast<std::size_t>(row)].content;
    }
    // Every row's verdict, in list order.
    std::vector<RowContent> Contents() const;
    // Every row, in list order, for the core's functions over rows.
    std::vector<ResultRow> Rows() const;

    // For the window's summary: how many groups the list holds, and how many
    // files are ticked with how many bytes.
    std::size_t GroupCount() const { return groupCount_; }
    std::size_t CheckedCount() const { return checkedCount_; }
    std::int64_t CheckedBytes() const { return checkedBytes_; }
    // Every row back to the list's own colours (what a send does); PutBack()
    // returns the shades.
    void ClearShading();
    // Removes the given rows (ascending, no repeats); the others keep their
    // order, text, ticks and shade. The removed rows are kept aside until the
    // list is cleared or replaced, so that PutBack() can return them.
    void RemoveRowsAt(const std::vector<int>& ascendingRows);
    // Returns removed rows whose files are `files` (device and inode) to the
    // places they had in the list, unticked, and gives every row the shade it
    // had before the last ClearShading(); gives how many came back.
    std::size_t PutBack(const std::vector<FileId>& files);

  signals:
    void summaryChanged();
    // Clear() or SetRows() put a new list in place of the old one.
    void listReplaced();

  private:
    ModifiedTextFormat modifiedFormat_;
    struct Entry {
        ResultRow row;
        Shade shade = Shade::None;
        bool checked = false;
        std::uint32_t place = 0;  // position when the list was filled
        RowContent content;
        ContentSet set;                       // from `content` and the rows now in the list
        Shade shadeBeforeSend = Shade::None;  // what ClearShading() took away
    };
    void Recount();
    // Numbers the content sets of the rows now in the list afresh.
    void NumberSets();
    void Tick(Entry& entry, bool checked);

    std::vector<Entry> rows_;
    std::vector<Entry> removed_;  // for PutBack, in the order they left
    bool hasContent_ = false;
    bool sameRows_ = false;
    std::size_t groupCount_ = 0;
    std::size_t checkedCount_ = 0;
    std::int64_t checkedBytes_ = 0;
};

}  // namespace corvane
