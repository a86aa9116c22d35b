// The results list's rows: a table model over the rows a search or an opened
// list gave, with the user's ticks, the shades and the content verdicts.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <memory>
#include <vector>

#include "actions/KeepRules.h"
#include "actions/RowFormat.h"
#include "results/RowShade.h"
#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane {

// Four columns, "Filename", "Size", "Last Modified", "Type", in the order the
// rows were given; never sorted and never editable. Column 0 carries the
// tick (Qt::CheckStateRole). Each row keeps its own shade, so the shading
// moves with the row when others are removed and one call clears it all.
//
// Rows hold data; the cells put it into words when they are painted, in the
// system locale. Paths stay bytes (PathRole gives them as a QByteArray); the
// Filename cell shows them decoded with QFile::decodeName.
//
// The core reads the list without copying it: Rows(), Ticks(), Shades() and
// Contents() are parallel vectors, one entry per row in list order.
//
// Threading: the GUI thread only; SharedRows() hands another thread the rows
// as they stand, and while that thread holds them the model changes a copy.
//
// summaryChanged() follows every change of the rows or ticks, so a window can
// show the counts without scanning the list itself.
class ResultsModel final : public QAbstractTableModel {
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

    void Clear();
    // Replaces every row at once, unticked, in the shades their types and
    // groups give: one reset instead of a signal per row.
    void SetRows(ResultRows rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The list, one entry per row in each, in list order. Contents() holds
    // NotChecked for a row no check gave a verdict ("Identical" for a
    // "Same" row).
    const ResultRows& Rows() const { return *rows_; }
    const std::vector<bool>& Ticks() const { return ticks_; }
    const std::vector<Shade>& Shades() const { return shades_; }
    const std::vector<RowContent>& Contents() const { return contents_; }
    // Grows whenever rows stand in other places: a new list, rows removed or
    // put back. Row numbers taken at one generation hold while it lasts.
    std::uint64_t Generation() const { return generation_; }
    // The rows for another thread, unchanged while it holds them.
    std::shared_ptr<const ResultRows> SharedRows() const { return rows_; }

    const ResultRow& RowAt(int row) const { return (*rows_)[Index(row)]; }
    Shade ShadeAt(int row) const { return shades_[Index(row)]; }
    bool IsTicked(int row) const { return ticks_[Index(row)]; }
    bool IsProtected(int row) const { return RowAt(row).isProtected; }
    const RowContent& ContentAt(int row) const { return contents_[Index(row)]; }
    // A protected row is never ticked, however asked.
    void SetTicked(int row, bool ticked);
    // Ticks or unticks many rows with one change signal per run of rows.
    void SetTicked(const std::vector<int>& ascendingRows, bool ticked);
    // Rows that are ticked, in ascending order.
    std::vector<int> TickedRows() const;
    void UntickAll();

    // The rows whose files lie in the same folder as row `row`'s file, and
    // the rows of its group; both ascending.
    std::vector<int> RowsInFolderOf(int row) const;
    std::vector<int> RowsInGroupOf(int row) const;

    // The content check's verdicts for the rows `rows` (ascending, of the
    // current generation), one each. A row it left undecided, and every row
    // it did not look at, keeps the verdict it had.
    void SetContents(const std::vector<int>& rows, const std::vector<RowContent>& contents);
    bool HasContent() const { return hasContent_; }
    // The Content column has something to show: a check ran, or the list
    // holds "Same" rows, which are "Identical" from the start.
    bool ShowsContent() const { return hasContent_ || sameRows_; }

    // For the window's summary: how many groups the list holds, and how many
    // files are ticked with how many bytes.
    std::size_t GroupCount() const { return groupCount_; }
    std::size_t TickedCount() const { return tickedCount_; }
    std::int64_t TickedBytes() const { return tickedBytes_; }
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
    // A row that left the list, with what it takes back.
    struct Removed {
        ResultRow row;
        std::uint32_t place = 0;
        Shade shade = Shade::None;
        Shade shadeBeforeSend = Shade::None;
        RowContent content;
    };
    static std::size_t Index(int row) { return static_cast<std::size_t>(row); }
    // The rows, to be changed: copied first while another thread holds them.
    ResultRows& OwnRows();
    void Recount();
    // Numbers the content sets of the rows now in the list afresh.
    void NumberSets();
    void Tick(std::size_t row, bool ticked);
    void Resize(std::size_t rows);
    void MoveRow(std::size_t from, std::size_t to);
    void SetAside(std::size_t row);
    void RemoveRun(int first, int last);
    void Compact(const std::vector<int>& ascendingRows);
    void Place(std::size_t at, Removed&& removed);
    void Insert(std::size_t at, Removed&& removed);
    void Merge(std::vector<Removed>&& back);

    ModifiedTextFormat modifiedFormat_;
    std::shared_ptr<ResultRows> rows_;
    std::vector<bool> ticks_;
    std::vector<Shade> shades_;
    std::vector<RowContent> contents_;
    std::vector<ContentSet> sets_;         // from the contents and the rows now in the list
    std::vector<std::uint32_t> places_;    // position when the list was filled
    std::vector<Shade> shadesBeforeSend_;  // what ClearShading() took away
    std::vector<Removed> removed_;         // for PutBack, in the order they left
    std::uint64_t generation_ = 0;
    bool hasContent_ = false;
    bool sameRows_ = false;
    std::size_t groupCount_ = 0;
    std::size_t tickedCount_ = 0;
    std::int64_t tickedBytes_ = 0;
};

}  // namespace corvane
