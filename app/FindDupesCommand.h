// The Find Dupes button: runs a search with the main window's folders and
// options on a worker thread, shows its progress, asks and tells what the
// user must know, and hands the rows to the results window.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "app/SearchWorker.h"
#include "platform/SettingsStore.h"
#include "search/FindDupes.h"

class QWidget;

namespace corvane {

class MainWindow;
class ResultsWindow;

// Threading: lives on the GUI thread. The search runs on the command's own
// thread; everything it reports arrives here through queued signals, so the
// window stays responsive and nothing re-enters the search.
class FindDupesCommand final : public QObject {
    Q_OBJECT

  public:
    // The modal boxes of a search; tests answer them without a screen.
    struct Dialogs {
        // One OK button, no icon.
        std::function<void(QWidget* owner, const QString& title, const QString& text)> inform;
        // Yes and No, Yes the default; true for Yes.
        std::function<bool(QWidget* owner, const QString& title, const QString& text)> askYesNo;
        static Dialogs System();
    };

    // `store` is read by the search thread while the window writes `Stop`.
    FindDupesCommand(MainWindow& main, ResultsWindow& results, SettingsStore& store,
                     Dialogs dialogs = Dialogs::System());
    // Stops a running search and waits for its thread (at most one poll).
    ~FindDupesCommand() override;

    // One press of Find Dupes: starts the search and returns; finished()
    // follows when it has ended and the windows show its result.
    void Start();
    bool Running() const { return running_; }
    // Shows a saved result list in the results window, after checking each of
    // its files again; says what was left out, or why the list cannot be read.
    void OpenList(const QByteArray& fileName);
    // The program is ending: a running search stops at its next poll and
    // nothing more is shown.
    void Abandon();
    // The last search's catalogue; read it only while no search runs.
    const FileCatalogue& Catalogue() const { return worker_->Catalogue(); }

  signals:
    void finished(corvane::SearchOutcome outcome);
    // After OpenList, just before finished(): whether any of the list's rows
    // are shown.
    void listOpened(bool shown);

  private:
    void OnPhaseChanged(SearchPhase phase, const QByteArray& folder);
    void OnFolderSkipped(const QByteArray& path, int error);
    void OnScanned(SearchOutcome outcome, qulonglong files);
    void OnMatched(SearchOutcome outcome);
    void OnOpened(const QString& error, qulonglong left);
    void Finish(SearchOutcome outcome);
    void ShowSkippedFolders();

    MainWindow& main_;
    ResultsWindow& results_;
    SettingsStore& store_;
    Dialogs dialogs_;
    LiveOptions options_;
    std::atomic<bool> cancel_{false};
    QThread thread_;
    SearchWorker* worker_;
    bool running_ = false;
    std::size_t folderCount_ = 0;
    QByteArray openedList_;
    std::vector<std::pair<QByteArray, int>> skipped_;
};

}  // namespace corvane
