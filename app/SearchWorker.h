// The search's own thread: both phases run here, and the window hears of
// them through queued signals.
#pragma once

#include <QByteArray>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "platform/StopToken.h"
#include "search/FindDupes.h"
#include "search/SearchObserver.h"

namespace corvane {

// The options as the window shows them right now. The window writes them on
// every change; the search reads them from its own thread at its usual points.
class LiveOptions {
  public:
    void Set(SearchOptions options);
    SearchOptions Get() const;

  private:
    std::atomic<unsigned> packed_{0};
};

// Lives on a worker thread (moveToThread); Find() is invoked queued. Between
// the phases the search waits for the window's Answer() to scanEnded() and
// largeSearch(); a tripped token ends that wait (as No). After found() the
// thread is idle and the GUI thread may read Catalogue() and take the rows.
class SearchWorker final : public QObject, private SearchObserver {
    Q_OBJECT

  public:
    SearchWorker(const StopToken& stop, const LiveOptions& options);

    const FileCatalogue& Catalogue() const { return catalogue_; }
    ResultRows TakeRows() { return std::move(rows_); }
    // The files Same Contents could not group, as paths, with why.
    std::vector<std::string> TakeUngroupedPaths() { return std::move(ungroupedPaths_); }
    std::vector<UngroupedFile> TakeUngrouped() { return std::move(ungrouped_); }

    // The whole search over `folders`, of which `protectedFolders` are
    // protected (ProtectedRows.h); ends with found().
    void Find(const std::vector<std::string>& folders,
              const std::vector<std::string>& protectedFolders = {});
    // The window's answer to scanEnded() or largeSearch(); any thread.
    void Answer(bool yes);

  signals:
    void phaseChanged(corvane::SearchPhase phase, const QByteArray& folder);
    void progressChanged(int percent);
    void folderSkipped(const QByteArray& path, int error);
    // Phase 1 has finished; the search waits for Answer() (its value unused).
    void scanEnded();
    // More than kLargeSearchFiles files: the search waits for Answer().
    void largeSearch(qulonglong folders, qulonglong files);
    void found(corvane::SearchOutcome outcome);

  private:
    SearchOptions CurrentOptions() override { return options_.Get(); }
    void PhaseChanged(SearchPhase phase, const std::string& folder) override;
    void ProgressChanged(int percent) override;
    void FolderSkipped(const std::string& path, int error) override;
    void ScanEnded() override;
    bool ConfirmLarge(std::size_t folders, std::size_t files) override;
    void SameContentsEnded(const FileCatalogue& catalogue,
                           const SameContentsResult& result) override;
    // Blocks until Answer() or a stop; false after a stop.
    bool WaitForAnswer();

    const StopToken& stop_;
    const LiveOptions& options_;
    FileCatalogue catalogue_;
    ResultRows rows_;
    std::vector<std::string> ungroupedPaths_;
    std::vector<UngroupedFile> ungrouped_;
    std::mutex answerMutex_;
    std::condition_variable answered_;
    std::optional<bool> answer_;
};

}  // namespace corvane
