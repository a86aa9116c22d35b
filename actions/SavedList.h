// Reading a result list saved as corvane-find writes it (tsv or json), and
// checking each of its files again before the list is shown.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <vector>

#include "search/ResultRow.h"

namespace corvane {

// A path as the tsv and json forms write it: "\\", "\t", "\n", "\r" and
// "\xHH" for each byte that is not valid UTF-8 (hex digits in either case).
// False for a malformed escape or a NUL byte.
bool UnescapePath(std::string_view escaped, std::string& path);

struct SavedRows {
    ResultRows rows;
    // Per row, the json "modified" text (local time, "yyyy-MM-ddTHH:mm:ss"),
    // or "" where the list gives none (tsv, or null).
    std::vector<std::string> modified;
    // Empty when the file was read; else what is wrong, with its line number
    // for tsv. Nothing is returned then: a damaged list is not half shown.
    QString error;
};

// Reads a saved list. The file is untrusted: its size, each line's length,
// every field and every path are checked (absolute, no NUL, no "." or ".."
// parts), and any fault rejects the whole file. The form is told by its
// first character ("[" for json). Groups come from json's "group" (numbered
// again from 1 in order of first appearance); in tsv,
// where rows carry only their shade, a new group starts where the shade
// changes. Rows come back unstamped: CheckAgain() stamps them.
SavedRows ReadSavedList(const std::string& fileName);
// The same for a list's text already in memory.
SavedRows ReadSavedListText(const std::string& text);

// The rows whose files are still there, unchanged: same size and, where the
// list knew it (json), the same modification time to the second. Each kept
// row gets its file's stamp as it is now, so a later send is checked against
// this moment. Rows of one file (device and inode: the same path twice, or
// one reached through a linked folder) are one row, the first, as in a
// search.
struct RecheckedList {
    ResultRows kept;
    std::size_t gone = 0;      // no longer a regular file at that path
    std::size_t changed = 0;   // another size or time than the list says
    std::size_t repeated = 0;  // a file an earlier row already names
};
RecheckedList CheckAgain(SavedRows saved);

}  // namespace corvane
