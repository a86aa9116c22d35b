#include "search/FindDupes.h"

#include "catalogue/FolderScan.h"
#include "search/MatchRules.h"
#include "search/ResultRows.h"
#include "search/SearchTexts.h"
#include "search/StopCheck.h"

namespace corvane {

SearchOutcome FindDupes(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                        SettingsStore& store, SearchObserver& observer, ResultSink& sink) {
    if (folders.empty()) {
        return SearchOutcome::NoFolders;
    }
    catalogue.Reset();
    store.Write(keys::Stop, BoolText(false));
    sink.Clear();

    StopCheck stop(store, observer);
    FolderScan scan(catalogue, observer, stop);
    for (const std::string& folder : folders) {
        if (store.StopRequested()) {
            return SearchOutcome::Stopped;
        }
        scan.ScanFolder(folder);
    }
    // A stop seen while the last folder was scanned ends the run at phase 2's
    // first poll, as it would at the next folder.
    if (!store.StopRequested()) {
        observer.ScanFinished();
    }

    if (catalogue.FileCount() > kLargeSearchFiles &&
        !observer.ConfirmLargeSearch(folders.size(), catalogue.FileCount())) {
        return SearchOutcome::Declined;
    }

    observer.CaptionChanged(ComparingCaption());
    ResultRows rows(catalogue, sink);
    return FindMatchesIndexed(catalogue, observer, stop, rows) ? SearchOutcome::Finished
                                                               : SearchOutcome::Stopped;
}

}  // namespace corvane
