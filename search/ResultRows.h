// Building result rows: one row per file, the group shade and colour keywords.
#pragma once

#include <QLocale>
#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "search/ResultRow.h"

namespace corvane {

// The colour keyword of a row: "light blue"/"blue" for Exact, "light red"/"red"
// for Close, by the group shade (0 light, 1 dark).
const char* ColourKeyword(MatchType type, int shade);

// The row state of one search: which files are listed, the row counter, the
// group shade and the new-group flag.
class ResultRows {
  public:
    ResultRows(FileCatalogue& catalogue, ResultSink& sink,
               const QLocale& locale = QLocale::system());

    // Adds entry k's row unless its file is already listed: the same path, or
    // the same device and inode (a hard link, or a second spelling of a path).
    // `first` is true for the pair's lower entry and opens a new group.
    void AddResultRow(std::size_t k, MatchType type, bool first);

    // End of an outer pass: flips the shade when that pass opened a group.
    void EndOuterPass();

    // True when entry k's file already has a row.
    bool IsListed(std::size_t k);

    std::size_t RowCount() const { return rowCount_; }

  private:
    struct IdHash {
        std::size_t operator()(const FileId& id) const {
            return std::hash<std::uint64_t>()(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
        }
    };

    FileCatalogue& catalogue_;
    ResultSink& sink_;
    QLocale locale_;
    std::unordered_set<std::string> paths_;
    std::unordered_set<FileId, IdHash> ids_;
    std::vector<bool> knownListed_;  // per entry: seen listed once, so listed for good
    std::size_t rowCount_ = 0;
    int shade_ = 0;
    bool newGroup_ = false;
};

}  // namespace corvane
