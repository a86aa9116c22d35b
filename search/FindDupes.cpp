#include "search/FindDupes.h"

#include <malloc.h>

#include <stdexcept>

#include "search/FolderScan.h"
#include "search/MatchRules.h"
#include "search/RowBuilder.h"
#include "search/SameContentRows.h"
#include "search/StopCheck.h"

namespace corvane {

SearchOutcome ScanFolders(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                          const StopToken& stop, SearchObserver& observer) {
    if (folders.empty()) {
        return SearchOutcome::NoFolders;
    }
    catalogue.Reset();
    StopCheck check(stop);
    FolderScan scan(catalogue, observer, check);
    try {
        for (const std::string& folder : folders) {
            if (check.Poll()) {
                return SearchOutcome::Stopped;
            }
            scan.ScanFolder(folder);
        }
    } catch (const std::length_error&) {
        return SearchOutcome::TooLarge;  // more folders or longer names than can be kept
    }
    return SearchOutcome::Finished;
}

SearchOutcome MatchFiles(const FileCatalogue& catalogue, const StopToken& stop,
                         SearchObserver& observer, ResultRows& rows,
                         const std::vector<SameContentGroup>& same) {
    rows.clear();
    if (catalogue.FileCount() > kMaxPhase2Entries) {
        return SearchOutcome::TooLarge;
    }
    observer.PhaseChanged(SearchPhase::Comparing, {});
    StopCheck check(stop);
    // Phase 2 finds its rows as catalogue entries; they become result rows
    // once its tables are gone and have their files read in one pass.
    std::vector<FoundRow> found;
    SearchOutcome outcome = SearchOutcome::Stopped;
    try {
        if (MatchAfterSameContents(catalogue, observer, check, same, found)) {
            outcome = SearchOutcome::Finished;
        }
    } catch (const std::length_error&) {
        outcome = SearchOutcome::TooLarge;
    }
    // Phase 2's tables are gone. Their space, in pieces too small for the
    // list of rows, would stay with the process while that list grows
    // (33 MB more at 1,000,000 files): give it back first.
    ::malloc_trim(0);
    rows = MakeRows(catalogue, found);
    found = {};
    StampRows(rows, check);
    return outcome;
}

namespace {

// Same Contents, with its progress as bytes read of bytes to read; false
// when stopped.
bool GroupSameContents(const FileCatalogue& catalogue, const StopToken& stop,
                       SearchObserver& observer, const SameContentsOptions& options,
                       std::vector<SameContentGroup>& groups) {
    observer.PhaseChanged(SearchPhase::Contents, {});
    int shown = -1;
    const auto progress = [&](const SameContentsProgress& now) {
        const int percent =
            now.bytesToRead == 0 ? 100 : static_cast<int>(now.bytesDone * 100 / now.bytesToRead);
        if (percent != shown) {
            shown = percent;
            observer.ProgressChanged(percent);
        }
    };
    SameContentsResult result = FindSameContents(catalogue, &stop, progress, options);
    if (result.stopped || stop.Stopped()) {
        return false;
    }
    observer.SameContentsEnded(catalogue, result);
    groups = std::move(result.groups);
    return true;
}

}  // namespace

SearchOutcome FindDupes(const std::vector<std::string>& folders, FileCatalogue& catalogue,
                        const StopToken& stop, SearchObserver& observer, ResultRows& rows,
                        const SameContentsOptions& contents) {
    if (folders.empty()) {
        return SearchOutcome::NoFolders;
    }
    rows.clear();
    const SearchOutcome scanned = ScanFolders(folders, catalogue, stop, observer);
    if (scanned != SearchOutcome::Finished) {
        return scanned;
    }
    observer.ScanEnded();
    if (catalogue.FileCount() > kLargeSearchFiles &&
        !observer.ConfirmLarge(folders.size(), catalogue.FileCount())) {
        return stop.Stopped() ? SearchOutcome::Stopped : SearchOutcome::Declined;
    }
    std::vector<SameContentGroup> same;
    if (observer.CurrentOptions().contents) {
        if (catalogue.FileCount() > kMaxPhase2Entries) {
            return SearchOutcome::TooLarge;
        }
        if (!GroupSameContents(catalogue, stop, observer, contents, same)) {
            return SearchOutcome::Stopped;
        }
    }
    return MatchFiles(catalogue, stop, observer, rows, same);
}

}  // namespace corvane
