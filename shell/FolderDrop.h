// Turning a drop's URLs into folder-list rows.
#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>
#include <optional>
#include <vector>

namespace corvane {

// The exact path bytes of a local-file URL, taken from its percent-encoded
// form so a name that is not valid UTF-8 survives; none for any other URL
// (trash:/, network:/, a file URL naming another host).
std::optional<QByteArray> LocalPathBytes(const QUrl& url);

// The row a dropped path gives: a folder stands for itself, exactly as named;
// anything else for the folder holding it, without a trailing "/" except for
// "/" itself.
QByteArray FolderRowForDroppedPath(const QByteArray& path);

struct DropRows {
    std::vector<QByteArray> rows;  // in the drop's order
    bool failed = false;           // an item was not a local path (or there were none)
};

// Rows for the drop's URLs in order, stopping at the first URL that is not a
// local path; the rows before it still count.
DropRows RowsFromDrop(const QList<QUrl>& urls);

}  // namespace corvane
