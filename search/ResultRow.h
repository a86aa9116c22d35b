// One file of the results list, as the search adds it: data only; the
// results window and corvane-find turn it into words and colours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileStamp.h"

namespace corvane {

// Same: byte-identical contents, whatever the names (found before phase 2).
enum class MatchType : std::uint8_t { Exact, Close, Same };

// Neighbouring groups alternate between the two shades, so the eye can tell
// where one ends; Exact rows show them in blues, Close rows in reds, Same
// rows in greens.
enum class GroupShade : std::uint8_t { Light, Dark };

struct ResultRow {
    std::string path;  // exact bytes of the file's path; decode only to show it
    // The file as the search last saw it: device and inode from the scan,
    // size and modification time read again after phase 2 (StampRows), not
    // taken from the scan.
    FileStamp stamp;
    bool stamped = false;  // false when the file could not be read again (size 0)
    MatchType type = MatchType::Exact;
    GroupShade shade = GroupShade::Light;
    // The file lies under a protected listed folder (ProtectedRows.h): it is
    // shown, but never ticked, marked or sent.
    bool isProtected = false;
    // The row's group, numbered from 1 in order of first appearance. A row
    // joins the group of the file it was matched with, so files that match
    // one another share a number even where close matching is not transitive.
    std::uint32_t group = 0;
};

// Where the search puts its rows: a list for corvane-find and tests, or the
// results window's model (through the GUI thread).
class ResultSink {
  public:
    virtual ~ResultSink() = default;
    virtual void Clear() = 0;
    virtual void AddRow(ResultRow row) = 0;
    // Many rows at once, in order: a sink that keeps a list takes them whole.
    virtual void AddRows(std::vector<ResultRow>&& rows) {
        for (ResultRow& row : rows) {
            AddRow(std::move(row));
        }
        rows.clear();
    }
};

}  // namespace corvane
