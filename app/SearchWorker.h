// The search's own thread: phase 1 and phase 2 run here, and the window hears
// of them through queued signals.
#pragma once

#include <QByteArray>
#include <QObject>
#include <atomic>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "platform/SettingsStore.h"
#include "search/FindDupes.h"
#include "search/ResultList.h"
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

// Lives on a worker thread (moveToThread); its slots are invoked queued.
// Between a scan and a match, and after a match, the thread is idle and the
// GUI thread may read Catalogue() and take the rows.
class SearchWorker final : public QObject, private SearchObserver {
    Q_OBJECT

  public:
    // `store` must allow reads from this thread while the GUI writes `Stop`.
    SearchWorker(SettingsStore& store, const LiveOptions& options, const std::atomic<bool>& cancel);

    const FileCatalogue& Catalogue() const { return catalogue_; }
    std::vector<ResultRow> TakeRows() { return std::move(rows_.rows); }

    // Phase 1 over `folders`; ends with scanned().
    void Scan(const std::vector<std::string>& folders);
    // Phase 2 over what Scan() catalogued; ends with matched().
    void Match();
    // Reads a saved list and checks each of its files again; ends with opened().
    void Open(const std::string& fileName);

  signals:
    void phaseChanged(corvane::SearchPhase phase, const QByteArray& folder);
    void progressChanged(int percent);
    void folderSkipped(const QByteArray& path, int error);
    void scanned(corvane::SearchOutcome outcome, qulonglong files);
    void matched(corvane::SearchOutcome outcome);
    // `error` is empty when the list was read; `left` counts its files that are
    // gone or changed since it was saved.
    void opened(const QString& error, qulonglong left);

  private:
    SearchOptions CurrentOptions() override { return options_.Get(); }
    void PhaseChanged(SearchPhase phase, const std::string& folder) override;
    void ProgressChanged(int percent) override;
    void FolderSkipped(const std::string& path, int error) override;

    SettingsStore& store_;
    const LiveOptions& options_;
    const std::atomic<bool>& cancel_;
    FileCatalogue catalogue_;
    ResultList rows_;
};

}  // namespace corvane
