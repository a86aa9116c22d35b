// Send to Recycling: the ticked files of the results list go to the trash in one request.
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
    // Yes/No question; true for Yes.
    std::function<bool(const QString& title, const QString& text)> confirm;
    // A message with an OK button.
    std::function<void(const QString& title, const QString& text)> tell;
};

struct SendFailure {
    std::string path;
    QString reason;
};

struct SendOutcome {
    std::size_t ticked = 0;
    bool confirmed = false;
    std::size_t moved = 0;              // rows removed: their files are gone
    std::vector<SendFailure> failures;  // in list order
};

// Asks once, naming the number of ticked files. On Yes every ticked file is
// checked again with lstat (still a regular file with the device, inode, size
// and modification time of its row) and the unchanged ones go to `trash` in
// one request. Rows leave the list exactly for the files that are gone from
// their place afterwards; the others stay ticked. Every file not moved is
// named in one message (the first ten with their reasons, then the count of
// the rest). Afterwards, and also when
// nothing is ticked, every row loses its shade. Answering No changes nothing.
SendOutcome SendToTrash(ResultsModel& model, Trash& trash, const TrashPrompts& prompts);

// The texts of the question and of the failure message.
QString SendQuestion(std::size_t ticked);
QString SendFailureText(const std::vector<SendFailure>& failures);

}  // namespace corvane
