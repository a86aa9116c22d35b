// One file of the results list, as the search adds it: data only; the
// results window and corvane-find turn it into words and colours.
#pragma once

#include <cstdint>
#include <string>

#include "platform/FileStamp.h"
#include "platform/LargeArrays.h"

namespace corvane {

// Same: byte-identical contents, whatever the names (found before phase 2).
enum class MatchType : std::uint8_t { Exact, Close, Same };

// Neighbouring groups alternate between the two shades, so the eye can tell
// where one ends; Exact rows show them in blues, Close rows in reds, Same
// rows in greens.
enum class GroupShade : std::uint8_t { Light, Dark };

struct ResultRow {
    std::string path;  // exact bytes of the file's path; decode only to show it
    // The file as the search last saw it: device and inode from the scan;
    // size and times from the scan where it kept them (a search by
    // contents), else read again after phase 2 (StampRows).
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

// The rows of a search, in the order they are shown. A search by contents
// can make hundreds of thousands of them: a large array (LargeArrays.h).
using ResultRows = LargeVector<ResultRow>;

}  // namespace corvane
