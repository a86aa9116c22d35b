// The words of a send and an undo, for the results window's questions and
// messages and for corvane-find's RESULT fields: both read them from the
// reports of SendRows.h.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <vector>

#include "actions/SendRows.h"

namespace corvane {

// "Move 3 checked files to the trash?", with a warning when the files hold
// every copy of some groups.
QString SendQuestion(std::size_t ticked, std::size_t groupsLosingEveryCopy = 0,
                     std::size_t neverCompared = 0);

// Why one file did not go: the trash's reason, "the kept copy is gone or
// changed", and a note when the file left its folder all the same.
QString SendFailureReason(const SentFile& file);

// The window's message after a send: every file that did not go (a stopped
// file is no failure), the first ten with their reasons, then the count of
// the rest. Empty when every file went or was stopped.
QString SendFailureText(const SendPlan& plan, const SendReport& report);

// corvane-find's RESULT field: "trashed" or "failed: REASON".
std::string SendResultField(const SentFile& file);

// The window's message after an undo: what stopped it, or the files that
// stayed in the trash, listed as failed sends are. Empty when all came back.
QString UndoFailureText(const UndoOutcome& outcome);

// corvane-find's RESULT field for one file: "restored" or "failed: REASON".
std::string UndoResultField(const UndoResult& file);

// The caption's words while a send or an undo runs: " [Moving to the
// trash: 40%]", " [Putting back: 40%]".
QString SendingCaption(int percent);
QString UndoingCaption(int percent);

}  // namespace corvane
