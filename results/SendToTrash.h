// Send to Recycling: the ticked files of the results list go to the trash in
// one request; the last request can be undone.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/Trash.h"
#include "results/ResultsModel.h"

namespace corvane {

// How the command talks to the user; the window passes message boxes, tests their own.
struct TrashPrompts {
    // Yes/No question; true for Yes. `yesByDefault` false makes No the
    // button Enter presses.
    std::function<bool(const QString& title, const QString& text, bool yesByDefault)> confirm;
    // A message with an OK button.
    std::function<void(const QString& title, const QString& text)> tell;
};

struct SendFailure {
    std::string path;
    TrashProblem problem = TrashProblem::kNone;
    int error = 0;
    bool leftItsFolder = false;  // not reported moved, yet gone from its folder
};

struct SendOutcome {
    std::size_t ticked = 0;
    bool confirmed = false;
    std::size_t moved = 0;              // rows removed: their files are gone
    std::vector<SendFailure> failures;  // in list order
    std::vector<ResultRow> removed;     // the rows removed, in list order
    std::string batch;                  // the journal's batch for Undo; empty when none went
};

// Asks once, naming the number of ticked files; when the ticked files hold
// every file of some group, the question says how many groups would lose
// every copy and No is its default. On Yes the ticked files go to
// `trash` in one request, each checked again just before it moves (still a
// regular file with the device, inode, size and modification time of its
// row). Rows leave the list exactly for the files that are gone from their
// place afterwards; the others stay ticked. Every file not moved is named in
// one message (the first ten with their reasons, then the count of the rest).
// Afterwards, and also when nothing is ticked, every row loses its shade.
// Answering No changes nothing.
SendOutcome SendToTrash(ResultsModel& model, Trash& trash, const TrashPrompts& prompts);

// The texts of the question and of the failure message.
QString SendQuestion(std::size_t ticked, std::size_t groupsLosingEveryCopy = 0);
QString SendFailureReason(const SendFailure& failure);
QString SendFailureText(const std::vector<SendFailure>& failures);

// "Undo last send", for the window to offer: whether there is a send to undo,
// and the undo itself. Files that stay where they are are named in one
// message, as failed sends are; so is a record that cannot be used. The
// outcome tells which files are back (path and stamp), so the window can put
// their rows back (SendOutcome::removed holds them).
bool CanUndoLastSend(Trash& trash);
UndoOutcome UndoLastSend(Trash& trash, const TrashPrompts& prompts);
QString UndoFailureText(const UndoOutcome& outcome);

}  // namespace corvane
