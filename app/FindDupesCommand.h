// The Find Dupes button: runs a search with the main window's folders and
// options on a worker thread, shows its progress, asks and tells what the
// user must know, and hands the rows to the results window.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>
#include <string>
#include <vector>

#include "app/SearchWorker.h"
#include "platform/SettingsStore.h"
#include "search/FindDupes.h"
#include "widgets/Prompts.h"

namespace corvane {

class MainWindow;
class ResultsWindow;

// Threading: lives on the GUI thread. The search runs on the command's own
// thread; everything it reports arrives here through queued signals, so the
// window stays responsive and nothing re-enters the search.
class FindDupesCommand final : public QObject {
    Q_OBJECT

  public:
    // `store` gets "False" under `Stop` as each search starts; Stop Find
    // writes "True" there and trips the search's token. `prompts` are the
    // search's boxes (no icons); tests answer them without a screen.
    FindDupesCommand(MainWindow& main, ResultsWindow& results, SettingsStore& store,
                     Prompts prompts = Prompts::MessageBoxes(PromptIcons::kNone));
    // Stops a running search and waits for its thread (at most one poll).
    ~FindDupesCommand() override;

    // One press of Find Dupes: starts the search and returns; finished()
    // follows when it has ended and the windows show its result.
    void Start();
    bool Running() const { return running_; }
    // The program is ending: a running search stops at its next poll and
    // nothing more is shown.
    void Abandon();
    // The last search's catalogue; read it only while no search runs.
    const FileCatalogue& Catalogue() const { return worker_->Catalogue(); }

  signals:
    void finished(corvane::SearchOutcome outcome);

  private:
    void OnPhaseChanged(SearchPhase phase, const QByteArray& folder);
    void OnFolderSkipped(const QByteArray& path, int error);
    void OnScanEnded();
    void OnLargeSearch(qulonglong folders, qulonglong files);
    void OnFound(SearchOutcome outcome);
    void Finish(SearchOutcome outcome);
    void ShowSkippedFolders();

    MainWindow& main_;
    ResultsWindow& results_;
    SettingsStore& store_;
    Prompts prompts_;
    LiveOptions options_;
    StopToken stop_;
    bool abandoned_ = false;
    QThread thread_;  // "search": the worker's thread
    SearchWorker* worker_;
    bool running_ = false;
    bool runContents_ = false;  // Same Contents as the search started: its phases
    std::vector<std::pair<QByteArray, int>> skipped_;
};

}  // namespace corvane
