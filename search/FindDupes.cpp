#include "search/FindDupes.h"

#include <malloc.h>

#include <stdexcept>

#include "search/FolderScan.h"
#include "search/MatchRules.h"
#include "search/ResultRows.h"
#include "search/StopCheck.h"

namespace corvane {

SearchOutcome ScanFolders(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                          SettingsStore& store, SearchObserver& observer,
                          const std::atomic<bool>* cancel) {
    if (folders.empty()) {
        return SearchOutcome::NoFolders;
    }
    catalogue.Reset();
    StopCheck stop(store, cancel);
    FolderScan scan(catalogue, observer, stop);
    try {
        for (const std::string& folder : folders) {
            if (stop.Poll()) {
                return SearchOutcome::Stopped;
            }
            scan.ScanFolder(folder);
        }
    } catch (const std::length_error&) {
        return SearchOutcome::TooLarge;  // more folders or longer names than can be kept
    }
    return SearchOutcome::Finished;
}

SearchOutcome MatchFiles(const FileCatalogue& catalogue, SettingsStore& store,
                         SearchObserver& observer, ResultSink& sink,
                         const std::atomic<bool>* cancel) {
    sink.Clear();
    if (catalogue.FileCount() > kMaxPhase2Entries) {
        return SearchOutcome::TooLarge;
    }
    observer.PhaseChanged(SearchPhase::Comparing, {});
    StopCheck stop(store, cancel);
    // Phase 2 finds its rows as catalogue entries; they become result rows
    // once its tables are gone, have their files read in one pass, and leave
    // for the sink one by one.
    std::vector<FoundRow> found;
    SearchOutcome outcome = SearchOutcome::Stopped;
    {
        ResultRows rows(catalogue, found);
        try {
            if (FindMatches(catalogue, observer, stop, rows)) {
                outcome = SearchOutcome::Finished;
            }
        } catch (const std::length_error&) {
            outcome = SearchOutcome::TooLarge;
        }
    }
    // Phase 2's tables are gone. Their space, in pieces too small for the
    // sink's list of rows, would stay with the process while that list grows
    // (33 MB more at 1,000,000 files): give it back first.
    ::malloc_trim(0);
    std::vector<ResultRow> rows = MakeRows(catalogue, found);
    found = {};
    StampRows(rows, stop);
    sink.AddRows(std::move(rows));
    return outcome;
}

SearchOutcome FindDupes(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                        SettingsStore& store, SearchObserver& observer, ResultSink& sink,
                        const std::function<bool(std::size_t, std::size_t)>& confirmLarge) {
    if (folders.empty()) {
        return SearchOutcome::NoFolders;
    }
    sink.Clear();
    store.Write(keys::Stop, BoolText(false));
    const SearchOutcome scanned = ScanFolders(folders, catalogue, store, observer);
    if (scanned != SearchOutcome::Finished) {
        return scanned;
    }
    if (catalogue.FileCount() > kLargeSearchFiles && confirmLarge &&
        !confirmLarge(folders.size(), catalogue.FileCount())) {
        return SearchOutcome::Declined;
    }
    return MatchFiles(catalogue, store, observer, sink);
}

}  // namespace corvane
