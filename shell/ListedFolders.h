// The folder list as data: its rows with their protection marks, their stored
// text form, and how a new folder overlaps the rows already listed.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

namespace corvane {

// One row of the folder list. A protected row's files are searched and shown
// like any other, but none of them may ever be ticked or sent.
struct ListedFolder {
    std::string path;  // exact bytes, in the list's form (no trailing "/" but for "/")
    bool isProtected = false;

    friend bool operator==(const ListedFolder&, const ListedFolder&) = default;
};

// The text stored under the `FolderList` key: one row a line, "1 " before a
// protected row's path and "0 " before any other; the path is
// percent-encoded, so any byte survives and a line never breaks inside one.
QString FolderListText(const std::vector<ListedFolder>& folders);
// Rows back from that text, in order. Lines that are not of that form are
// left out; an empty or absent value gives no rows.
std::vector<ListedFolder> FolderListFromText(const QString& text);

enum class Overlap {
    None,
    Same,    // the folder is listed already
    Inside,  // it lies inside a listed folder: that row finds its files already
    Above,   // it holds a listed folder: that row finds nothing of its own any more
};

struct FolderOverlap {
    Overlap kind = Overlap::None;
    std::string listed;  // the listed row it meets
};

// How `folder` meets the rows of `listed`: the same folder first, then one
// that holds it, then one it holds. Paths are compared as bytes, folder by
// folder, so "/a" holds "/a/b" but not "/ab".
FolderOverlap FindOverlap(const std::vector<ListedFolder>& listed, const std::string& folder);

// The short message for an overlap ("" for none).
QString OverlapText(const std::string& folder, const FolderOverlap& overlap);

}  // namespace corvane
