// The search behind the Find Dupes button and corvane-find: phase 1 over the
// listed folders, the size question, then phase 2 over the catalogue.
#pragma once

#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "platform/StopToken.h"
#include "search/ResultRow.h"
#include "search/SameContents.h"
#include "search/SearchObserver.h"

namespace corvane {

// More than this many catalogued files makes the search ask before phase 2.
inline constexpr std::size_t kLargeSearchFiles = 20000;

enum class SearchOutcome {
    Finished,   // the phase ran to its end
    Stopped,    // the stop token was tripped
    Declined,   // No to the size question: catalogue filled, no rows
    NoFolders,  // empty folder list: nothing was reset or touched
    TooLarge,   // more entries than phase 2 can number: nothing compared
};

// Phase 1. Empties the catalogue and scans the folders in list order, each
// exactly as given (bytes). A stop seen before a folder ends the phase there
// (Stopped); a stop during the last folder lets it finish (Finished), and
// phase 2's first poll then ends the run.
// Errors: folders that cannot be listed go to observer.FolderSkipped and the
// search goes on without them.
SearchOutcome ScanFolders(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                          const StopToken& stop, SearchObserver& observer);

// Phase 2: every match of the catalogue, as rows in `rows` (emptied first).
// Options are read at every outer entry. After a stop `rows` holds the rows
// found so far.
//
// With `same` (the groups of Same Contents), their rows come first and phase
// 2 runs on the catalogue without their files.
SearchOutcome MatchFiles(const FileCatalogue& catalogue, const StopToken& stop,
                         SearchObserver& observer, ResultRows& rows,
                         const std::vector<SameContentGroup>& same = {});

// The whole search: phase 1, then observer.ScanEnded(), then, when more than
// kLargeSearchFiles files were catalogued, observer.ConfirmLarge (No ends it
// Declined), then, when the options say Same Contents, the groups of
// identical files (FindSameContents with `contents`; reported through
// observer.SameContentsEnded), then phase 2. `rows` is emptied first, unless there are no
// folders.
//
// Threading: runs on the caller's thread, which may be a worker: the observer
// is called from it. The token is looked at at every folder, every pending
// folder and at least every 20 ms of work; the token's owner trips it from
// any thread.
SearchOutcome FindDupes(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                        const StopToken& stop, SearchObserver& observer, ResultRows& rows,
                        const SameContentsOptions& contents = {});

}  // namespace corvane
