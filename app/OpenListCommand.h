// "Open list...": shows a saved result list in the results window after
// checking each of its files again, on a thread of its own.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <thread>
#include <vector>

#include "search/FindDupes.h"
#include "search/ResultRow.h"
#include "widgets/Prompts.h"

namespace corvane {

class MainWindow;
class ResultsWindow;

// Threading: lives on the GUI thread; the list is read and its files checked
// on the command's own thread, and the result arrives here queued.
class OpenListCommand final : public QObject {
    Q_OBJECT

  public:
    OpenListCommand(MainWindow& main, ResultsWindow& results,
                    Prompts prompts = Prompts::MessageBoxes(PromptIcons::kNone));
    // Waits for a list being read.
    ~OpenListCommand() override;

    // Reads `fileName` and returns; finished() follows once the windows show
    // the list, or say what was left out or why the list cannot be read.
    void Open(const QByteArray& fileName);
    bool Running() const { return running_; }
    // The program is ending: nothing more is shown.
    void Abandon() { abandoned_ = true; }

  signals:
    // Finished, NoFolders when the list could not be read, Stopped when
    // abandoned.
    void finished(corvane::SearchOutcome outcome);
    // Just before finished(): whether any of the list's rows are shown.
    void listOpened(bool shown);

  private:
    void OnRead();

    MainWindow& main_;
    ResultsWindow& results_;
    Prompts prompts_;
    std::thread thread_;
    bool running_ = false;
    bool abandoned_ = false;
    QByteArray fileName_;
    // Written by the reading thread until OnRead() is posted.
    QString error_;
    ResultRows rows_;
    std::size_t left_ = 0;  // files gone or changed since the list was saved
};

}  // namespace corvane
