// The Find Dupes button: runs a search with the main window's folders and
// options, shows its progress, asks and tells what the user must know, and
// hands the rows to the results window.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"
#include "search/FindDupes.h"
#include "search/SearchObserver.h"

class QWidget;

namespace corvane {

class FileCatalogue;
class Form1;
class Form4;

class FindDupesCommand final : public SearchObserver {
  public:
    // The modal boxes of a search; tests answer them without a screen.
    struct Dialogs {
        // One OK button, no icon.
        std::function<void(QWidget* owner, const QString& title, const QString& text)> inform;
        // Yes and No, Yes the default; true for Yes.
        std::function<bool(QWidget* owner, const QString& title, const QString& text)> askYesNo;
        static Dialogs System();
    };

    FindDupesCommand(Form1& main, Form4& results, FileCatalogue& catalogue, SettingsStore& store,
                     Dialogs dialogs = Dialogs::System());

    // One press of Find Dupes; returns when the search has ended.
    SearchOutcome Run();
    bool Running() const { return running_; }
    // The program is ending: a running search stops at its next yield point
    // and shows nothing more.
    void Abandon() { abandoned_ = true; }

    // What the search asks of its runner.
    SearchOptions CurrentOptions() override;
    void CaptionChanged(const QString& caption) override;
    void ProgressChanged(int percent) override;
    void FolderSkipped(const std::string& path, const QString& reason) override;
    void ScanFinished() override;
    void Yield() override;
    bool ConfirmLargeSearch(std::size_t folderCount, std::size_t fileCount) override;

  private:
    // Reads like the user's store, except that an abandoned search reads a stop.
    class StopOnAbandon final : public SettingsStore {
      public:
        StopOnAbandon(SettingsStore& store, const bool& abandoned)
            : store_(store), abandoned_(abandoned) {}
        QString Read(const char* key) override;
        void Write(const char* key, const QString& text) override { store_.Write(key, text); }

      private:
        SettingsStore& store_;
        const bool& abandoned_;
    };

    void ShowSkippedFolders();

    Form1& main_;
    Form4& results_;
    FileCatalogue& catalogue_;
    bool abandoned_ = false;
    StopOnAbandon store_;
    Dialogs dialogs_;
    bool running_ = false;
    std::vector<std::string> skipped_;
};

}  // namespace corvane
