// What a search reports while it runs, the options it reads as it goes, and
// the question it asks between its phases.
#pragma once

#include <cstddef>
#include <string>

#include "catalogue/FileCatalogue.h"
#include "search/SameContents.h"

namespace corvane {

struct SearchOptions {
    bool exact = false;
    bool close = false;
    int slider = 3;  // 0..5; close threshold = slider / 10 + 0.4
    // Same Contents: groups of byte-identical files first, then phase 2 on
    // the files not in them. Phase 1 then records every file's size.
    bool contents = false;
};

// Where a search stands; the front ends put it into words (SearchTexts.h).
enum class SearchPhase {
    Idle,       // between listed folders, and at the end of phase 1
    Scanning,   // phase 1, walking one listed folder
    Contents,   // Same Contents, between the two phases when it is on
    Comparing,  // phase 2
};

// Threading: called on the thread that runs the search. An observer that
// drives a window forwards through queued signals; it never blocks the search.
class SearchObserver {
  public:
    virtual ~SearchObserver() = default;
    // Read afresh for every file of phase 1 and every outer entry of phase 2,
    // so a change made while the search runs applies from there on.
    virtual SearchOptions CurrentOptions() = 0;
    // `folder` is the listed folder exactly as given, for Scanning; else "".
    virtual void PhaseChanged(SearchPhase phase, const std::string& folder) {
        (void)phase;
        (void)folder;
    }
    virtual void ProgressChanged(int percent) { (void)percent; }  // 0..100
    // A folder that could not be listed (`error` is the errno); it adds no
    // files and the scan goes on.
    virtual void FolderSkipped(const std::string& path, int error) {
        (void)path;
        (void)error;
    }
    // Phase 1 has finished and phase 2 comes next (FindDupes only).
    virtual void ScanEnded() {}
    // More than kLargeSearchFiles files were catalogued from `folders` listed
    // folders: true goes on with phase 2, false declines it (FindDupes only).
    virtual bool ConfirmLarge(std::size_t folders, std::size_t files) {
        (void)folders;
        (void)files;
        return true;
    }
    // Same Contents has ended without a stop: its groups (the "Same" rows'
    // groups 1, 2, ... in order, with their keys) and the files it could not
    // group, as entries of `catalogue` (FindDupes only).
    virtual void SameContentsEnded(const FileCatalogue& catalogue,
                                   const SameContentsResult& result) {
        (void)catalogue;
        (void)result;
    }
};

}  // namespace corvane
