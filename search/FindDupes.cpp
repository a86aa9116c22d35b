#include "search/FindDupes.h"

#include <malloc.h>

#include <deque>
#include <stdexcept>

#include "search/FolderScan.h"
#include "search/MatchRules.h"
#include "search/ResultRows.h"
#include "search/StopCheck.h"

namespace corvane {
namespace {

// The rows of a search until their files have been read.
class RowQueue final : public ResultSink {
  public:
    void Clear() override { rows.clear(); }
    void AddRow(ResultRow row) override { rows.push_back(std::move(row)); }

    std::deque<ResultRow> rows;
};

}  // namespace

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
    // The rows wait here until their files have been read, all in one pass;
    // handed out one by one, they leave as they go.
    RowQueue found;
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
    StampRows(found.rows, stop);
    while (!found.rows.empty()) {
        sink.AddRow(std::move(found.rows.front()));
        found.rows.pop_front();
    }
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
