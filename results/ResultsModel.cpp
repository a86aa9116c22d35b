#include "results/ResultsModel.h"

#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <iterator>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "actions/SearchTexts.h"
#include "catalogue/PathParts.h"
#include "platform/ErrnoText.h"

namespace corvane {

namespace {
// Beyond this many separate runs of removed rows, one reset is cheaper than
// one removal signal per run.
constexpr std::size_t kMaxRemovalRuns = 256;

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

ResultsModel::ResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultsModel::Recount() {
    // Group numbers run from 1 in order of first appearance, so a bitmap as
    // long as the largest number counts them without sorting.
    std::uint32_t largest = 0;
    for (const Entry& entry : rows_) {
        largest = std::max(largest, entry.row.group);
    }
    std::vector<bool> seen(static_cast<std::size_t>(largest) + 1, false);
    groupCount_ = 0;
    checkedCount_ = 0;
    checkedBytes_ = 0;
    for (const Entry& entry : rows_) {
        if (!seen[entry.row.group]) {
            seen[entry.row.group] = true;
            ++groupCount_;
        }
        if (entry.checked) {
            ++checkedCount_;
            checkedBytes_ += entry.row.stamp.size;
        }
    }
    emit summaryChanged();
}

void ResultsModel::Tick(Entry& entry, bool checked) {
    entry.checked = checked;
    checkedCount_ = checked ? checkedCount_ + 1 : checkedCount_ - 1;
    checkedBytes_ += checked ? entry.row.stamp.size : -entry.row.stamp.size;
}

void ResultsModel::Clear() {
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    removed_.clear();
    hasContent_ = false;
    sameRows_ = false;
    endResetModel();
    Recount();
    emit listReplaced();
}

void ResultsModel::AddRow(ResultRow row) {
    const int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at);
    const Shade shade = ShadeFor(row.type, row.shade);
    const std::uint32_t lastGroup = rows_.empty() ? 0 : rows_.back().row.group;
    const std::uint32_t group = row.group;
    const auto place = static_cast<std::uint32_t>(rows_.size() + removed_.size());
    sameRows_ = sameRows_ || row.type == MatchType::Same;
    const RowContent content = ContentFoundBySearch(row.type);
    const ContentSet set = SetFoundBySearch(row.type);
    rows_.push_back(Entry{std::move(row), shade, false, place, content, set, Shade::None});
    endInsertRows();
    // Rows arrive in search order, where a new group always has the highest
    // number so far; only a row out of that order is counted afresh.
    if (group > lastGroup) {
        ++groupCount_;
        emit summaryChanged();
    } else if (group < lastGroup) {
        Recount();
    }
}

void ResultsModel::SetRows(std::vector<ResultRow> rows) {
    beginResetModel();
    rows_.clear();
    removed_.clear();
    hasContent_ = false;
    sameRows_ = false;
    rows_.reserve(rows.size());
    for (ResultRow& row : rows) {
        const Shade shade = ShadeFor(row.type, row.shade);
        const auto place = static_cast<std::uint32_t>(rows_.size());
        sameRows_ = sameRows_ || row.type == MatchType::Same;
        const RowContent content = ContentFoundBySearch(row.type);
        const ContentSet set = SetFoundBySearch(row.type);
        rows_.push_back(Entry{std::move(row), shade, false, place, content, set, Shade::None});
    }
    endResetModel();
    Recount();
    emit listReplaced();
}

int ResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Entry& entry = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case FilenameColumn:
                    return DisplayPath(entry.row.path);
                case SizeColumn:
                    return SizeText(entry.row.stamp.size, QLocale::system());
                case ModifiedColumn:
                    return entry.row.stamped
                               ? modifiedFormat_.Text(entry.row.stamp.modified.seconds)
                               : QString();
                case TypeColumn:
                    return QLatin1String(TypeName(entry.row.type));
                case ContentColumn:
                    return ContentText(entry.content, entry.set);
            }
            return {};
        case Qt::ToolTipRole:
            // The list elides long paths in the middle; the tip shows all of it.
            if (index.column() == FilenameColumn) {
                return DisplayPath(entry.row.path);
            }
            if (index.column() == ContentColumn) {
                return VerdictDetail(entry.content);
            }
            if (index.column() == ModifiedColumn && entry.row.stamped) {
                return FullModifiedText(entry.row.stamp.modified.seconds,
                                        entry.row.stamp.modified.nanoseconds);
            }
            return {};
        case Qt::CheckStateRole:
            if (index.column() == FilenameColumn) {
                return entry.checked ? Qt::Checked : Qt::Unchecked;
            }
            return {};
        case ProtectedRole:
            return entry.row.isProtected;
        case Qt::BackgroundRole:
            if (const auto colours = ColoursOf(entry.shade)) {
                return colours->background;
            }
            return {};
        case Qt::ForegroundRole:
            if (entry.row.isProtected) {
                return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
            }
            if (const auto colours = ColoursOf(entry.shade)) {
                return colours->text;
            }
            return {};
        case PathRole:
            return QByteArray::fromStdString(entry.row.path);
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
    if (index.column() == FilenameColumn &&
        !rows_[static_cast<std::size_t>(index.row())].row.isProtected) {
        result |= Qt::ItemIsUserCheckable;
    }
    return result;
}

bool ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != FilenameColumn ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    SetChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

void ResultsModel::SetChecked(int row, bool checked) {
    Entry& entry = rows_[static_cast<std::size_t>(row)];
    if (entry.checked == checked || (checked && entry.row.isProtected)) {
        return;
    }
    Tick(entry, checked);
    const QModelIndex cell = index(row, FilenameColumn);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
    emit summaryChanged();
}

void ResultsModel::SetChecked(const std::vector<int>& ascendingRows, bool checked) {
    int runStart = -1, runEnd = -1;
    const auto flush = [&] {
        if (runStart >= 0) {
            emit dataChanged(index(runStart, FilenameColumn), index(runEnd, FilenameColumn),
                             {Qt::CheckStateRole});
        }
    };
    for (const int row : ascendingRows) {
        Entry& entry = rows_[static_cast<std::size_t>(row)];
        if (entry.checked == checked || (checked && entry.row.isProtected)) {
            continue;
        }
        Tick(entry, checked);
        if (row != runEnd + 1 || runStart < 0) {
            flush();
            runStart = row;
        }
        runEnd = row;
    }
    flush();
    emit summaryChanged();
}

void ResultsModel::SetContent(const std::vector<ResultRow>& checkedRows,
                              const std::vector<RowContent>& content) {
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> byInode;
    for (std::size_t k = 0; k < checkedRows.size(); ++k) {
        byInode[checkedRows[k].stamp.id.inode].push_back(k);
    }
    for (Entry& entry : rows_) {
        // A "Same" row the check did not get to keeps what the search found.
        entry.content = ContentFoundBySearch(entry.row.type);
        const auto found = byInode.find(entry.row.stamp.id.inode);
        if (found == byInode.end()) {
            continue;
        }
        for (const std::size_t k : found->second) {
            if (checkedRows[k].stamp.id == entry.row.stamp.id &&
                checkedRows[k].path == entry.row.path &&
                content[k].verdict != ContentVerdict::NotChecked) {
                entry.content = content[k];
            }
        }
    }
    hasContent_ = true;
    NumberSets();
    emit summaryChanged();
}

void ResultsModel::NumberSets() {
    if (!hasContent_) {
        return;
    }
    const std::vector<ContentSet> sets = ContentSets(Rows(), Contents());
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        Entry& entry = rows_[r];
        // A "Same" row the check did not read keeps the set the search found.
        const bool read = entry.content.source == KeySource::Content;
        entry.set =
            read || entry.row.type != MatchType::Same ? sets[r] : SetFoundBySearch(entry.row.type);
    }
    if (!rows_.empty()) {
        emit dataChanged(index(0, ContentColumn), index(rowCount() - 1, ContentColumn));
    }
}

std::vector<RowContent> ResultsModel::Contents() const {
    std::vector<RowContent> content;
    content.reserve(rows_.size());
    for (const Entry& entry : rows_) {
        content.push_back(entry.content);
    }
    return content;
}

std::vector<ResultRow> ResultsModel::Rows() const {
    std::vector<ResultRow> rows;
    rows.reserve(rows_.size());
    for (const Entry& entry : rows_) {
        rows.push_back(entry.row);
    }
    return rows;
}

std::vector<int> ResultsModel::RowsInFolderOf(int row) const {
    const std::string_view folder = FolderPart(RowAt(row).path);
    std::vector<int> rows;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        if (FolderPart(rows_[r].row.path) == folder) {
            rows.push_back(static_cast<int>(r));
        }
    }
    return rows;
}

std::vector<int> ResultsModel::RowsInGroupOf(int row) const {
    const std::uint32_t group = RowAt(row).group;
    std::vector<int> rows;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        if (rows_[r].row.group == group) {
            rows.push_back(static_cast<int>(r));
        }
    }
    return rows;
}

std::vector<int> ResultsModel::CheckedRows() const {
    std::vector<int> result;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].checked) {
            result.push_back(static_cast<int>(i));
        }
    }
    return result;
}

void ResultsModel::UncheckAll() {
    if (rows_.empty()) {
        return;
    }
    for (auto& entry : rows_) {
        entry.checked = false;
    }
    checkedCount_ = 0;
    checkedBytes_ = 0;
    emit dataChanged(index(0, FilenameColumn), index(rowCount() - 1, FilenameColumn),
                     {Qt::CheckStateRole});
    emit summaryChanged();
}

void ResultsModel::ClearShading() {
    if (rows_.empty()) {
        return;
    }
    for (auto& entry : rows_) {
        entry.shadeBeforeSend = std::exchange(entry.shade, Shade::None);
    }
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1),
                     {Qt::BackgroundRole, Qt::ForegroundRole});
}

std::size_t ResultsModel::PutBack(const std::vector<FileId>& files) {
    // The removed entries of those files, out of the aside list in one pass.
    std::unordered_set<FileId, FileIdHash> wanted(files.begin(), files.end());
    std::vector<Entry> back;
    std::vector<Entry> still;
    for (Entry& entry : removed_) {
        (wanted.erase(entry.row.stamp.id) > 0 ? back : still).push_back(std::move(entry));
    }
    if (back.empty()) {
        removed_ = std::move(still);
        return 0;
    }
    removed_ = std::move(still);
    std::sort(back.begin(), back.end(),
              [](const Entry& x, const Entry& y) { return x.place < y.place; });
    for (Entry& entry : back) {
        entry.checked = false;  // its shade is the one it left with
    }
    // One merge by place, and one reset: thousands of single inserts would
    // hold the window for seconds.
    beginResetModel();
    std::vector<Entry> merged;
    merged.reserve(rows_.size() + back.size());
    std::merge(std::make_move_iterator(rows_.begin()), std::make_move_iterator(rows_.end()),
               std::make_move_iterator(back.begin()), std::make_move_iterator(back.end()),
               std::back_inserter(merged),
               [](const Entry& x, const Entry& y) { return x.place < y.place; });
    rows_ = std::move(merged);
    for (Entry& entry : rows_) {
        if (entry.shadeBeforeSend != Shade::None) {
            entry.shade = std::exchange(entry.shadeBeforeSend, Shade::None);
        }
    }
    endResetModel();
    NumberSets();
    Recount();
    return back.size();
}

void ResultsModel::RemoveRowsAt(const std::vector<int>& ascendingRows) {
    if (ascendingRows.empty()) {
        return;
    }
    // Runs of consecutive rows, last run first so earlier positions stay put.
    std::vector<std::pair<int, int>> runs;
    for (const int row : ascendingRows) {
        if (!runs.empty() && runs.back().second + 1 == row) {
            runs.back().second = row;
        } else {
            runs.emplace_back(row, row);
        }
    }
    // The removed entries move aside for PutBack(), in list order.
    if (runs.size() > kMaxRemovalRuns) {
        beginResetModel();
        std::vector<Entry> kept;
        kept.reserve(rows_.size() - ascendingRows.size());
        std::size_t next = 0;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const bool removed =
                next < ascendingRows.size() && static_cast<std::size_t>(ascendingRows[next]) == i;
            next += removed ? 1 : 0;
            (removed ? removed_ : kept).push_back(std::move(rows_[i]));
        }
        rows_ = std::move(kept);
        endResetModel();
    } else {
        const std::size_t firstAside = removed_.size();
        for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
            beginRemoveRows({}, run->first, run->second);
            const auto from = rows_.begin() + run->first, to = rows_.begin() + run->second + 1;
            removed_.insert(removed_.end(), std::make_move_iterator(from),
                            std::make_move_iterator(to));
            rows_.erase(from, to);
            endRemoveRows();
        }
        // Runs were taken last first; put this removal's entries in list order.
        std::sort(removed_.begin() + static_cast<std::ptrdiff_t>(firstAside), removed_.end(),
                  [](const Entry& a, const Entry& b) { return a.place < b.place; });
    }
    NumberSets();
    Recount();
}

}  // namespace corvane
