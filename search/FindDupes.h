// The search behind the Find Dupes button and corvane-find: reset, phase 1
// over the folders, the size question, phase 2.
#pragma once

#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "platform/SettingsStore.h"
#include "search/ResultRow.h"
#include "search/SearchObserver.h"

namespace corvane {

enum class SearchOutcome {
    Finished,   // every pair compared; the sink holds the rows (maybe none)
    Stopped,    // `Stop` read "True": rows added so far stay in the sink
    Declined,   // No to the size question: catalogue filled, no rows
    NoFolders,  // empty folder list: nothing was reset or touched
};

// Input: the folders in list order, each scanned exactly as given (bytes).
// Output: the catalogue (entries and RowColor) and the sink's rows.
// Errors: folders that cannot be listed go to observer.FolderSkipped and the
// search goes on without them.
// Threading: runs on the caller's thread. Calls observer.Yield() and then
// reads `Stop` from `store` at every folder, every pending folder and at
// least every 20 ms of work; options are read per file in phase 1 and per
// outer entry in phase 2. Messages and windows are left to the caller, and so
// is restoring the caption and progress bar when it returns.
SearchOutcome FindDupes(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                        SettingsStore& store, SearchObserver& observer, ResultSink& sink);

}  // namespace corvane
