// Building result rows: one row per file, its group and the group shade.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "search/ResultRow.h"
#include "search/StopCheck.h"

namespace corvane {

// The row state of one search: which files are listed, the group shade and
// the new-group flag. Phase 2 only reads the catalogue while this object lives.
//
// Rows follow the pairwise walk: for each outer entry i in catalogue order
// and each later entry j that matches it, AddMatch(i, j); after the last j of
// an i, EndOuterPass(). A file gets a row the first time it takes part in a
// match and keeps that match's type. The shade flips after every outer pass
// that gave the outer entry its row, so groups alternate light and dark.
//
// A row leaves here with the device and inode the scan found, and its size
// and times only where the scan kept them (stamped then): StampRows reads
// the others' for all rows at once.
//
// A row as phase 2 finds it: its catalogue entry and its place in the list,
// 12 bytes. The path is made from the catalogue later (MakeRows), once phase
// 2's own tables are gone, so a search with many rows never holds both.
struct FoundRow {
    std::uint32_t entry = 0;
    std::uint32_t group = 0;
    MatchType type = MatchType::Exact;
    GroupShade shade = GroupShade::Light;
};

class RowBuilder {
  public:
    // Rows go to `found`, compact, after what it holds, their groups numbered
    // after `groupsBefore` (the Same Contents groups); MakeRows turns them
    // into result rows.
    RowBuilder(const FileCatalogue& catalogue, std::vector<FoundRow>& found,
               std::uint32_t groupsBefore = 0);

    // Lists i, then j, unless the file is listed already: the same path, or
    // the same device and inode (a hard link, or a second spelling of a path).
    void AddMatch(std::size_t i, std::size_t j, MatchType type);

    // End of an outer pass: flips the shade when that pass opened a group.
    void EndOuterPass();

    // True when entry k's file already has a row.
    bool IsListed(std::size_t k);

    std::size_t RowCount() const { return rowCount_; }

  private:
    // Zeroed 32-bit slots from calloc: a large block comes as fresh pages,
    // zero until first touched, so a table of millions of slots is not
    // filled in one go in the middle of phase 2 (a stall between two polls
    // of the stop token); the pages arrive as rows need them.
    class ZeroSlots {
      public:
        void Allocate(std::size_t count);
        bool Empty() const { return count_ == 0; }
        std::size_t Size() const { return count_; }
        std::uint32_t& operator[](std::size_t i) { return slots_.get()[i]; }

      private:
        struct Free {
            void operator()(std::uint32_t* p) const { std::free(p); }
        };
        std::unique_ptr<std::uint32_t, Free> slots_;
        std::size_t count_ = 0;
    };

    static constexpr std::uint32_t kNotYet = UINT32_MAX;
    static constexpr std::uint32_t kNoId = UINT32_MAX - 1;  // entry made without an id

    // An entry's file as two entry numbers, worked out on first use: the first
    // entry with the same path, and the first with the same device and inode.
    // A listed file records its group under both, so later checks are two
    // array reads.
    struct Identity {
        std::uint32_t path = kNotYet;
        std::uint32_t id = kNotYet;
    };
    const Identity& IdentityOf(std::size_t k);
    // The group of entry k's file, or 0 while it has no row.
    std::uint32_t GroupOf(std::size_t k);
    void AddRow(std::size_t k, MatchType type, std::uint32_t group);
    // The first entry that `same` says equals entry k, by open addressing on
    // `hash` in `table` (entry number + 1 per slot, 0 when free).
    template <typename Same>
    std::uint32_t FirstEqual(ZeroSlots& table, std::size_t hash, std::size_t k, Same same);

    const FileCatalogue& catalogue_;
    std::vector<FoundRow>& found_;
    std::vector<Identity> identity_;
    ZeroSlots pathTable_;
    std::vector<std::size_t> folderHash_;  // by folder index; 0 = not yet hashed
    ZeroSlots idTable_;
    std::vector<std::uint32_t> pathGroup_;  // by first entry of the path; 0 = no row
    std::vector<std::uint32_t> idGroup_;    // by first entry of the device and inode
    std::size_t rowCount_ = 0;
    std::uint32_t groupCount_ = 0;
    GroupShade shade_ = GroupShade::Light;
    bool newGroup_ = false;
};

// The result rows of `found`, in order: the path from the catalogue, the
// device and inode the scan found, the scan's size and times where it kept
// them.
ResultRows MakeRows(const FileCatalogue& catalogue, const std::vector<FoundRow>& found);

// Reads the size and times of every row not yet stamped, after phase 2 and before
// the rows are handed out: each file once, folder by folder on two threads,
// by full path or relative to its folder (ReadStamps), for paths of any
// length. The device and inode stay the scan's. A file that cannot be read
// keeps stamped false. The stop token is polled at least every 20 ms; after a stop the
// rows not yet read stay unstamped.
void StampRows(ResultRows& rows, StopCheck& stop);

}  // namespace corvane
