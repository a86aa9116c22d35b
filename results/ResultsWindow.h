// The results window: the list of matches and the buttons that act on it.
#pragma once

#include <QCursor>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "actions/KeepRules.h"
#include "platform/Trash.h"
#include "results/Desktop.h"
#include "results/ResultsModel.h"
#include "widgets/Prompts.h"

class QAction;
class QMenu;

namespace corvane {

class ContentCheckTask;
class TrashTask;
class ImageButton;
class ResultsListView;

// A top-level window that takes the main window's place while it is shown.
// The search's rows go into Model() while the window is hidden; ShowInPlaceOf() then
// swaps the windows. Back to Main swaps them back and keeps the rows.
// Closing the window ends the program.
//
// Beyond the designed buttons, the list's commands live in a context menu
// and in shortcuts, so the designed layout never moves: Open (Enter, double
// click), Open containing folder, Copy path, Tick every file in this folder,
// Untick this group, Tick all but one in each group (four keep rules), Check
// contents (a Content column appears; Escape stops it), Save list..., Undo
// last send. Space ticks or unticks every selected row. The caption sums the
// list up: files, groups, and what the ticked files take; while the contents
// are checked, files are sent or put back, it shows how far that got.
//
// Threading: the GUI thread only. The content check, the send and the undo
// run on threads of their own, one at a time; Escape stops the one running.
class ResultsWindow final : public QWidget {
    Q_OBJECT

  public:
    // `hoverPointer` is the cursor for the buttons and the list; with none the
    // platform's pointing hand is used.
    explicit ResultsWindow(std::optional<QCursor> hoverPointer = std::nullopt,
                           QWidget* parent = nullptr);
    ~ResultsWindow() override;

    ResultsModel& Model() { return model_; }
    ResultsListView* List() const { return list_; }

    // Takes the main window's width, height, top, left and window state,
    // shows this window and hides the main window, which Back to Main shows
    // again later.
    void ShowInPlaceOf(QWidget* mainWindow);
    // The window Back to Main returns to, without showing anything.
    void SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }

    // A short note in the caption for a few seconds: this window's while it
    // is shown, else the main window's (an undo started there).
    void ShowNote(const QString& note);
    // The notes after a send, an undo and a save; `files` counts every file
    // moved or put back, also those whose rows the list no longer shows.
    void NoteSent(std::size_t files);
    void NoteUndone(std::size_t files);
    // Whether the trash holds a send to undo (asked, e.g., by the main
    // window's menu, also right after a start).
    bool CanUndo();

    // For tests and other front ends: the trash, the questions and messages,
    // and what closing the window does (by default: quit the application).
    void SetTrash(std::unique_ptr<Trash> trash) { trash_ = std::move(trash); }
    void SetPrompts(Prompts prompts) { prompts_ = std::move(prompts); }
    void SetCloseAction(std::function<void()> action) { closeAction_ = std::move(action); }
    void SetDesktop(Desktop desktop) { desktop_ = std::move(desktop); }
    // The list just put in the model was read back from a saved file: its
    // "Same" groups carry no comparison of this run, so a send counts them as
    // never compared. A new list clears it.
    void MarkListReadFromFile() { listFromFile_ = true; }

    // The three buttons' actions, as their clicks run them. Send to
    // Recycling asks once, naming the number of ticked files (and how many
    // groups would lose every copy, with No the default then); on Yes the
    // files go on the send's thread, by the rules of SendRows. Afterwards
    // rows leave the list exactly for the files gone from their places, the
    // others stay ticked, every row loses its shade, and the files that did
    // not go are named in one message. With nothing ticked only the shading goes.
    void SendTickedToTrash();
    void UntickAll();
    void BackToMain();

    // The list's own commands, on the current row or the selected rows.
    void OpenRow(int row);
    void ShowRowInFolder(int row);
    void CopySelectedPaths();
    void TickFolderOfCurrentRow();
    void UntickGroupOfCurrentRow();
    // Puts the files of the last send back where they were, on the send's
    // thread; their rows come back unticked while the list still shows them.
    void UndoLastSend();
    // Whether a send or an undo runs, and the stop of the one that runs
    // (after the file in hand: each file is sent or put back whole, or not at all).
    bool Sending() const;
    void StopSend();
    // Ticks, in each group, the copies of each content set but the file
    // `rule` keeps (KeepRules.h). Groups whose contents were never
    // compared are compared first, with the check's progress; a group a stop
    // leaves undecided gets no ticks.
    void TickAllButOne(KeepRule rule);
    // Compares the files of each group by content on a thread of its own.
    void CheckContents();
    void StopCheck();
    bool Checking() const;
    // Writes the rows as corvane-find does: json for a name ending in
    // ".json", else tsv; with the content keys once the contents were checked.
    void SaveList();
    // The context menu for `row` (-1: no row under the pointer).
    QMenu* ContextMenu(int row);

    ImageButton* SendButton() const { return sendButton_; }
    ImageButton* BackButton() const { return backButton_; }
    ImageButton* UncheckButton() const { return uncheckButton_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void LayOutList();
    void BuildCommands();
    void ConnectList();  // the list's menu, opening rows, the model's signals
    void BuildTasks();   // the content check and the trash on threads of their own
    QAction* AddCommand(const QString& text, const QKeySequence& shortcut,
                        void (ResultsWindow::*slot)());
    int CurrentRow() const;
    void ShowSummary();
    void WriteSummary();
    void ContentChecked();
    bool Busy() const;
    void Sent();
    void Undone();
    void StartCheck(std::vector<int> rows);
    void ApplyKeepRule(KeepRule rule);

    ResultsModel model_;
    QWidget* banner_ = nullptr;
    ImageButton* backButton_ = nullptr;
    ImageButton* sendButton_ = nullptr;
    ImageButton* uncheckButton_ = nullptr;
    ResultsListView* list_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* openFolderAction_ = nullptr;
    QAction* copyPathAction_ = nullptr;
    QAction* tickFolderAction_ = nullptr;
    QAction* untickGroupAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* stopCheckAction_ = nullptr;
    QAction* stopSendAction_ = nullptr;  // Escape while a send or an undo runs
    std::vector<QAction*> rowActions_;   // act on the row under the pointer
    ContentCheckTask* checkTask_ = nullptr;
    int checkPercent_ = 0;
    TrashTask* trashTask_ = nullptr;
    int trashPercent_ = 0;
    std::uint64_t sendGeneration_ = 0;     // the list the running send looks at
    std::optional<KeepRule> pendingRule_;  // applied when the running check ends
    bool summaryPending_ = false;
    int menuRow_ = -1;           // the row a context menu was opened on
    bool listFromFile_ = false;  // see MarkListReadFromFile
    QWidget* mainWindow_ = nullptr;
    std::unique_ptr<Trash> trash_;
    Prompts prompts_;
    std::function<void()> closeAction_;
    Desktop desktop_;
};

}  // namespace corvane
