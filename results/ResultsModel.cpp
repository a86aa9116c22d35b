#include "results/ResultsModel.h"

#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <unordered_map>
#include <utility>

#include "actions/SearchTexts.h"
#include "catalogue/PathParts.h"
#include "platform/ErrnoText.h"

namespace corvane {

namespace {
// Beyond this many separate runs of rows removed or put back, one reset is
// cheaper than one signal per run; and beyond this many rows moved up or
// down behind them, one pass over the list is.
constexpr std::size_t kMaxRuns = 256;
constexpr std::size_t kMaxShifted = std::size_t{1} << 20;

QString VerdictDetail(const RowContent& content) {
    switch (content.verdict) {
        case ContentVerdict::Identical:
            return QStringLiteral("The same bytes as the other files of its letter in its group.");
        case ContentVerdict::Differs:
            return QStringLiteral("No other file of its group holds the same bytes.");
        case ContentVerdict::Unreadable:
            return QStringLiteral("It could not be read: %1").arg(ErrnoText(content.error));
        case ContentVerdict::Changed:
            return QStringLiteral("It changed since the search, so it was not compared.");
        case ContentVerdict::NotChecked:
            break;
    }
    return {};
}
// A "Same" row was found by its bytes: its content is known from the start.
RowContent ContentFoundBySearch(MatchType type) {
    RowContent content;
    if (type == MatchType::Same) {
        content.verdict = ContentVerdict::Identical;
    }
    return content;
}
// A "Same" group is one content set whole until a content check says more.
ContentSet SetFoundBySearch(MatchType type) {
    return type == MatchType::Same ? ContentSet{1, true} : ContentSet{};
}
}  // namespace

ResultsModel::ResultsModel(QObject* parent)
    : QAbstractTableModel(parent), rows_(std::make_shared<ResultRows>()) {}

ResultRows& ResultsModel::OwnRows() {
    // Only the GUI thread takes or drops a share of the rows, so a count of
    // one cannot grow behind our back.
    if (rows_.use_count() > 1) {
        rows_ = std::make_shared<ResultRows>(*rows_);
    }
    return *rows_;
}

void ResultsModel::Recount() {
    // Group numbers run from 1 in order of first appearance, so a bitmap as
    // long as the largest number counts them without sorting.
    std::uint32_t largest = 0;
    for (const ResultRow& row : *rows_) {
        largest = std::max(largest, row.group);
    }
    std::vector<bool> seen(static_cast<std::size_t>(largest) + 1, false);
    groupCount_ = 0;
    tickedCount_ = 0;
    tickedBytes_ = 0;
    for (std::size_t r = 0; r < rows_->size(); ++r) {
        const ResultRow& row = (*rows_)[r];
        if (!seen[row.group]) {
            seen[row.group] = true;
            ++groupCount_;
        }
        if (ticks_[r]) {
            ++tickedCount_;
            tickedBytes_ += row.stamp.size;
        }
    }
    emit summaryChanged();
}

void ResultsModel::Tick(std::size_t row, bool ticked) {
    ticks_[row] = ticked;
    tickedCount_ = ticked ? tickedCount_ + 1 : tickedCount_ - 1;
    const std::int64_t size = (*rows_)[row].stamp.size;
    tickedBytes_ += ticked ? size : -size;
}

void ResultsModel::Clear() {
    SetRows({});
}

void ResultsModel::SetRows(ResultRows rows) {
    beginResetModel();
    const std::size_t count = rows.size();
    rows_ = std::make_shared<ResultRows>(std::move(rows));
    ticks_.assign(count, false);
    shades_.resize(count);
    contents_.resize(count);
    sets_.resize(count);
    places_.resize(count);
    shadesBeforeSend_.assign(count, Shade::None);
    removed_.clear();
    removed_.shrink_to_fit();
    hasContent_ = false;
    sameRows_ = false;
    for (std::size_t r = 0; r < count; ++r) {
        const ResultRow& row = (*rows_)[r];
        shades_[r] = ShadeFor(row.type, row.shade);
        contents_[r] = ContentFoundBySearch(row.type);
        sets_[r] = SetFoundBySearch(row.type);
        places_[r] = static_cast<std::uint32_t>(r);
        sameRows_ = sameRows_ || row.type == MatchType::Same;
    }
    ++generation_;
    endResetModel();
    Recount();
    emit listReplaced();
}

int ResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_->size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const std::size_t r = Index(index.row());
    const ResultRow& row = (*rows_)[r];
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case FilenameColumn:
                    return DisplayPath(row.path);
                case SizeColumn:
                    return SizeText(row.stamp.size, QLocale::system());
                case ModifiedColumn:
                    return row.stamped ? modifiedFormat_.Text(row.stamp.modified.seconds)
                                       : QString();
                case TypeColumn:
                    return QLatin1String(TypeName(row.type));
                case ContentColumn:
                    return ContentText(contents_[r], sets_[r]);
            }
            return {};
        case Qt::ToolTipRole:
            // The list elides long paths in the middle; the tip shows all of it.
            if (index.column() == FilenameColumn) {
                return DisplayPath(row.path);
            }
            if (index.column() == ContentColumn) {
                return VerdictDetail(contents_[r]);
            }
            if (index.column() == ModifiedColumn && row.stamped) {
                return FullModifiedText(row.stamp.modified.seconds, row.stamp.modified.nanoseconds);
            }
            return {};
        case Qt::CheckStateRole:
            if (index.column() == FilenameColumn) {
                return ticks_[r] ? Qt::Checked : Qt::Unchecked;
            }
            return {};
        case ProtectedRole:
            return row.isProtected;
        case Qt::BackgroundRole:
            if (const auto colours = ColoursOf(shades_[r])) {
                return colours->background;
            }
            return {};
        case Qt::ForegroundRole:
            if (row.isProtected) {
                return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
            }
            if (const auto colours = ColoursOf(shades_[r])) {
                return colours->text;
            }
            return {};
        case PathRole:
            return QByteArray::fromStdString(row.path);
    }
    return {};
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case FilenameColumn:
            return QStringLiteral("Filename");
        case SizeColumn:
            return QStringLiteral("Size");
        case ModifiedColumn:
            return QStringLiteral("Last Modified");
        case TypeColumn:
            return QStringLiteral("Type");
        case ContentColumn:
            return QStringLiteral("Content");
    }
    return {};
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex& index) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return Qt::NoItemFlags;
    }
    // Never editable: the Filename cell names the file that Send to Recycling moves.
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == FilenameColumn && !IsProtected(index.row())) {
        result |= Qt::ItemIsUserCheckable;
    }
    return result;
}

bool ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != FilenameColumn ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    SetTicked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

void ResultsModel::SetTicked(int row, bool ticked) {
    const std::size_t r = Index(row);
    if (ticks_[r] == ticked || (ticked && IsProtected(row))) {
        return;
    }
    Tick(r, ticked);
    const QModelIndex cell = index(row, FilenameColumn);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
    emit summaryChanged();
}

void ResultsModel::SetTicked(const std::vector<int>& ascendingRows, bool ticked) {
    int runStart = -1, runEnd = -1;
    const auto flush = [&] {
        if (runStart >= 0) {
            emit dataChanged(index(runStart, FilenameColumn), index(runEnd, FilenameColumn),
                             {Qt::CheckStateRole});
        }
    };
    for (const int row : ascendingRows) {
        if (ticks_[Index(row)] == ticked || (ticked && IsProtected(row))) {
            continue;
        }
        Tick(Index(row), ticked);
        if (row != runEnd + 1 || runStart < 0) {
            flush();
            runStart = row;
        }
        runEnd = row;
    }
    flush();
    emit summaryChanged();
}

void ResultsModel::SetContents(const std::vector<int>& rows,
                               const std::vector<RowContent>& contents) {
    for (std::size_t k = 0; k < rows.size() && k < contents.size(); ++k) {
        const std::size_t r = Index(rows[k]);
        // A "Same" row the check did not get to keeps what the search found.
        contents_[r] = contents[k].verdict != ContentVerdict::NotChecked
                           ? contents[k]
                           : ContentFoundBySearch((*rows_)[r].type);
    }
    hasContent_ = true;
    NumberSets();
    emit summaryChanged();
}

void ResultsModel::NumberSets() {
    if (!hasContent_) {
        return;
    }
    sets_ = ContentSets(*rows_, contents_);
    for (std::size_t r = 0; r < rows_->size(); ++r) {
        // A "Same" row the check did not read keeps the set the search found.
        const MatchType type = (*rows_)[r].type;
        if (contents_[r].source != KeySource::Content && type == MatchType::Same) {
            sets_[r] = SetFoundBySearch(type);
        }
    }
    if (!rows_->empty()) {
        emit dataChanged(index(0, ContentColumn), index(rowCount() - 1, ContentColumn));
    }
}

std::vector<int> ResultsModel::RowsInFolderOf(int row) const {
    const std::string_view folder = FolderPart(RowAt(row).path);
    std::vector<int> rows;
    for (std::size_t r = 0; r < rows_->size(); ++r) {
        if (FolderPart((*rows_)[r].path) == folder) {
            rows.push_back(static_cast<int>(r));
        }
    }
    return rows;
}

std::vector<int> ResultsModel::RowsInGroupOf(int row) const {
    const std::uint32_t group = RowAt(row).group;
    std::vector<int> rows;
    for (std::size_t r = 0; r < rows_->size(); ++r) {
        if ((*rows_)[r].group == group) {
            rows.push_back(static_cast<int>(r));
        }
    }
    return rows;
}

std::vector<int> ResultsModel::TickedRows() const {
    std::vector<int> result;
    for (std::size_t r = 0; r < ticks_.size(); ++r) {
        if (ticks_[r]) {
            result.push_back(static_cast<int>(r));
        }
    }
    return result;
}

void ResultsModel::UntickAll() {
    if (ticks_.empty()) {
        return;
    }
    ticks_.assign(ticks_.size(), false);
    tickedCount_ = 0;
    tickedBytes_ = 0;
    emit dataChanged(index(0, FilenameColumn), index(rowCount() - 1, FilenameColumn),
                     {Qt::CheckStateRole});
    emit summaryChanged();
}

void ResultsModel::ClearShading() {
    if (shades_.empty()) {
        return;
    }
    for (std::size_t r = 0; r < shades_.size(); ++r) {
        shadesBeforeSend_[r] = std::exchange(shades_[r], Shade::None);
    }
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1),
                     {Qt::BackgroundRole, Qt::ForegroundRole});
}

void ResultsModel::Resize(std::size_t rows) {
    OwnRows().resize(rows);
    ticks_.resize(rows);
    shades_.resize(rows);
    contents_.resize(rows);
    sets_.resize(rows);
    places_.resize(rows);
    shadesBeforeSend_.resize(rows);
}

void ResultsModel::MoveRow(std::size_t from, std::size_t to) {
    (*rows_)[to] = std::move((*rows_)[from]);
    ticks_[to] = ticks_[from];
    shades_[to] = shades_[from];
    contents_[to] = contents_[from];
    sets_[to] = sets_[from];
    places_[to] = places_[from];
    shadesBeforeSend_[to] = shadesBeforeSend_[from];
}

void ResultsModel::SetAside(std::size_t row) {
    removed_.push_back(Removed{std::move(OwnRows()[row]), places_[row], shades_[row],
                               shadesBeforeSend_[row], contents_[row]});
}

// Row `at` becomes `removed`, unticked, in the shade it left with; its
// content set is the search's until NumberSets() numbers them afresh.
void ResultsModel::Place(std::size_t at, Removed&& removed) {
    sets_[at] = SetFoundBySearch(removed.row.type);
    (*rows_)[at] = std::move(removed.row);
    ticks_[at] = false;
    shades_[at] = removed.shade;
    contents_[at] = removed.content;
    places_[at] = removed.place;
    shadesBeforeSend_[at] = removed.shadeBeforeSend;
}

void ResultsModel::Insert(std::size_t at, Removed&& removed) {
    const std::size_t count = rows_->size();
    Resize(count + 1);
    for (std::size_t r = count; r > at; --r) {
        MoveRow(r - 1, r);
    }
    Place(at, std::move(removed));
}

// Merges `back` (ascending places) into the list in one pass from its end.
void ResultsModel::Merge(std::vector<Removed>&& back) {
    std::size_t kept = rows_->size(), coming = back.size();
    Resize(kept + coming);
    for (std::size_t to = kept + coming; coming > 0; --to) {
        if (kept > 0 && places_[kept - 1] > back[coming - 1].place) {
            MoveRow(--kept, to - 1);
        } else {
            Place(to - 1, std::move(back[--coming]));
        }
    }
}

std::size_t ResultsModel::PutBack(const std::vector<FileId>& files) {
    // Each file listed brings back one removed row of that file.
    std::unordered_map<FileId, std::size_t, FileIdHash> wanted;
    for (const FileId& file : files) {
        ++wanted[file];
    }
    std::vector<Removed> back, stay;
    for (Removed& removed : removed_) {
        const auto found = wanted.find(removed.row.stamp.id);
        const bool comes = found != wanted.end() && found->second > 0;
        if (comes) {
            --found->second;
        }
        (comes ? back : stay).push_back(std::move(removed));
    }
    removed_ = std::move(stay);
    if (back.empty()) {
        return 0;
    }
    std::sort(back.begin(), back.end(),
              [](const Removed& a, const Removed& b) { return a.place < b.place; });
    const std::size_t count = back.size();
    if (count > kMaxRuns) {
        beginResetModel();
        Merge(std::move(back));
        ++generation_;
        endResetModel();
    } else {
        for (Removed& removed : back) {
            const auto at = static_cast<std::size_t>(
                std::lower_bound(places_.begin(), places_.end(), removed.place) - places_.begin());
            beginInsertRows({}, static_cast<int>(at), static_cast<int>(at));
            Insert(at, std::move(removed));
            endInsertRows();
        }
        ++generation_;
    }
    for (std::size_t r = 0; r < shades_.size(); ++r) {
        if (shadesBeforeSend_[r] != Shade::None) {
            shades_[r] = std::exchange(shadesBeforeSend_[r], Shade::None);
        }
    }
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1),
                     {Qt::BackgroundRole, Qt::ForegroundRole});
    NumberSets();
    Recount();
    return count;
}

void ResultsModel::RemoveRun(int first, int last) {
    beginRemoveRows({}, first, last);
    const std::size_t from = Index(first), to = Index(last) + 1, count = rows_->size();
    for (std::size_t r = from; r < to; ++r) {
        SetAside(r);
    }
    for (std::size_t r = to; r < count; ++r) {
        MoveRow(r, r - (to - from));
    }
    Resize(count - (to - from));
    endRemoveRows();
}

// Keeps the rows not in `ascendingRows`, in order, in one pass; the others
// move aside for PutBack(), in list order.
void ResultsModel::Compact(const std::vector<int>& ascendingRows) {
    std::size_t next = 0, kept = 0;
    for (std::size_t r = 0; r < rows_->size(); ++r) {
        if (next < ascendingRows.size() && Index(ascendingRows[next]) == r) {
            ++next;
            SetAside(r);
        } else {
            if (kept != r) {
                MoveRow(r, kept);
            }
            ++kept;
        }
    }
    Resize(kept);
}

void ResultsModel::RemoveRowsAt(const std::vector<int>& ascendingRows) {
    if (ascendingRows.empty()) {
        return;
    }
    OwnRows();
    removed_.reserve(removed_.size() + ascendingRows.size());
    // Runs of consecutive rows, and how many rows behind them each would move.
    std::vector<std::pair<int, int>> runs;
    std::size_t shifted = 0;
    for (const int row : ascendingRows) {
        if (!runs.empty() && runs.back().second + 1 == row) {
            runs.back().second = row;
        } else {
            runs.emplace_back(row, row);
            shifted += rows_->size() - Index(row);
        }
    }
    if (runs.size() > kMaxRuns || shifted > kMaxShifted) {
        beginResetModel();
        Compact(ascendingRows);
        ++generation_;
        endResetModel();
    } else {
        // Last run first, so earlier positions stay put; then this removal's
        // rows aside in list order.
        const std::size_t firstAside = removed_.size();
        for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
            RemoveRun(run->first, run->second);
        }
        ++generation_;
        std::sort(removed_.begin() + static_cast<std::ptrdiff_t>(firstAside), removed_.end(),
                  [](const Removed& a, const Removed& b) { return a.place < b.place; });
    }
    NumberSets();
    Recount();
}

}  // namespace corvane
