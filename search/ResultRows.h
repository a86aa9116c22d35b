// Building result rows: one row per file, the group shade and colour keywords.
#pragma once

#include <QLocale>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "platform/FileLookup.h"
#include "search/ResultRow.h"

namespace corvane {

// The colour keyword of a row: "light blue"/"blue" for Exact, "light red"/"red"
// for Close, by the group shade (0 light, 1 dark).
const char* ColourKeyword(MatchType type, int shade);

// The row state of one search: which files are listed, the row counter, the
// group shade and the new-group flag. The catalogue must not be appended to
// while this object lives (phase 2 only reads it).
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
    static constexpr std::uint32_t kNotYet = UINT32_MAX;
    static constexpr std::uint32_t kNoId = UINT32_MAX - 1;  // entry made without an id

    // An entry's file as two entry numbers, worked out on first use: the first
    // entry with the same path, and the first with the same device and inode.
    // A listed file marks both, so later checks are two array reads.
    struct Identity {
        std::uint32_t path = kNotYet;
        std::uint32_t id = kNotYet;
    };
    const Identity& IdentityOf(std::size_t k);
    // The first entry that `same` says equals entry k, by open addressing on
    // `hash` in `table` (entry number + 1 per slot, 0 when free).
    template <typename Same>
    std::uint32_t FirstEqual(std::vector<std::uint32_t>& table, std::size_t hash, std::size_t k,
                             Same same);

    FileCatalogue& catalogue_;
    ResultSink& sink_;
    QLocale locale_;
    bool showsTexts_;
    ModifiedTextFormat modifiedFormat_;
    std::vector<Identity> identity_;
    std::vector<std::uint32_t> pathTable_;
    std::vector<std::size_t> folderHash_;  // by folder index; 0 = not yet hashed
    std::vector<std::uint32_t> idTable_;
    std::vector<bool> pathListed_;  // by first entry of the path
    std::vector<bool> idListed_;    // by first entry of the device and inode
    std::size_t rowCount_ = 0;
    int shade_ = 0;
    bool newGroup_ = false;
};

}  // namespace corvane
