// The search behind the Find Dupes button and corvane-find: phase 1 over the
// listed folders, then phase 2 over the catalogue. The caller asks the size
// question in between.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "platform/SettingsStore.h"
#include "search/ResultRow.h"
#include "search/SearchObserver.h"

namespace corvane {

// More than this many catalogued files makes the caller ask before phase 2.
inline constexpr std::size_t kLargeSearchFiles = 20000;

enum class SearchOutcome {
    Finished,   // the phase ran to its end
    Stopped,    // `Stop` read "True" (or the caller cancelled)
    Declined,   // No to the size question: catalogue filled, no rows
    NoFolders,  // empty folder list: nothing was reset or touched
    TooLarge,   // more entries than phase 2 can number: nothing compared
};

// Phase 1. Empties the catalogue and scans the folders in list order, each
// exactly as given (bytes). The caller writes "False" under `Stop` before it
// starts the search, on the thread that also writes "True" for Stop Find. A stop seen before a
// folder ends the phase there (Stopped); a stop during the last folder lets
// it finish (Finished), and phase 2's first poll then ends the run.
// Errors: folders that cannot be listed go to observer.FolderSkipped and the
// search goes on without them.
SearchOutcome ScanFolders(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                          SettingsStore& store, SearchObserver& observer,
                          const std::atomic<bool>* cancel = nullptr);

// Phase 2: every match of the catalogue, as rows handed to `sink` (emptied
// first). Options are read at every outer entry.
SearchOutcome MatchFiles(const FileCatalogue& catalogue, SettingsStore& store,
                         SearchObserver& observer, ResultSink& sink,
                         const std::atomic<bool>* cancel = nullptr);

// Both phases with the size question in between, after writing "False"
// under `Stop`: `confirmLarge(folders, files)` is asked when more than kLargeSearchFiles files were
// catalogued (none given: go on).
//
// Threading: runs on the caller's thread, which may be a worker: the observer,
// the store and `confirmLarge` are called from it. `Stop` is read at every
// folder, every pending folder and at least every 20 ms of work.
SearchOutcome FindDupes(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                        SettingsStore& store, SearchObserver& observer, ResultSink& sink,
                        const std::function<bool(std::size_t, std::size_t)>& confirmLarge = {});

}  // namespace corvane
