// The results window's Send to Recycling and Undo last send: the question
// and the messages here, the work on the trash task's thread.
#include "actions/SearchTexts.h"
#include "actions/SendRows.h"
#include "actions/SendTexts.h"
#include "results/ContentCheckTask.h"
#include "results/ResultsWindow.h"
#include "results/TrashTask.h"
#include "widgets/CaptionNote.h"

namespace corvane {

bool ResultsWindow::Busy() const {
    return checkTask_->Running() || trashTask_->Running();
}

bool ResultsWindow::Sending() const {
    return trashTask_->Running();
}

void ResultsWindow::StopSend() {
    trashTask_->Stop();
}

void ResultsWindow::SendTickedToTrash() {
    if (Busy()) {
        return;
    }
    SendPlan plan =
        PlanSend(model_.Rows(), model_.Ticks(), model_.HasContent() ? &model_.Contents() : nullptr,
                 listFromFile_ ? SameGroups::kFromAList : SameGroups::kComparedBySearch);
    if (plan.files.empty()) {
        model_.ClearShading();
        return;
    }
    // No is the default when a group would lose every copy or a file was
    // never compared by content.
    if (!prompts_.confirm(
            this, ProductCaption(),
            SendQuestion(plan.files.size(), plan.groupsLosingEveryCopy, plan.neverCompared),
            plan.groupsLosingEveryCopy == 0 && plan.neverCompared == 0)) {
        return;
    }
    sendGeneration_ = model_.Generation();
    trashPercent_ = 0;
    stopSendAction_->setEnabled(true);
    trashTask_->StartSend(*trash_, std::move(plan));
    CaptionNote::Of(this).Clear();  // the progress shows at once
    ShowSummary();
}

void ResultsWindow::Sent() {
    const SendPlan& plan = trashTask_->Plan();
    const SendReport& report = trashTask_->Report();
    // A list put in place meanwhile holds none of the sent rows.
    if (sendGeneration_ == model_.Generation()) {
        std::vector<int> gone;
        for (std::size_t i = 0; i < report.files.size(); ++i) {
            if (report.files[i].gone) {
                gone.push_back(static_cast<int>(plan.rows[i]));
            }
        }
        model_.RemoveRowsAt(gone);
        model_.ClearShading();
    }
    ShowSummary();
    if (const std::size_t moved = report.Count(SendResult::kTrashed); moved > 0) {
        NoteSent(moved);
    }
    const QString failures = SendFailureText(plan, report);
    if (!failures.isEmpty()) {
        prompts_.tell(this, ProductCaption(), failures);
    }
}

void ResultsWindow::UndoLastSend() {
    if (Busy()) {
        return;
    }
    if (!trash_->HasBatchToUndo()) {
        prompts_.tell(this, ProductCaption(), UndoProblemText(UndoProblem::kNoBatch));
        return;
    }
    trashPercent_ = 0;
    stopSendAction_->setEnabled(true);
    trashTask_->StartUndo(*trash_);
    CaptionNote::Of(this).Clear();  // the progress shows at once
    ShowSummary();
}

void ResultsWindow::Undone() {
    const UndoOutcome& outcome = trashTask_->Undone();
    std::vector<FileId> back;
    for (const UndoResult& file : outcome.files) {
        if (file.restored) {
            back.push_back(file.stamp.id);
        }
    }
    model_.PutBack(back);
    ShowSummary();
    if (!back.empty()) {
        NoteUndone(back.size());
    }
    const QString failures = UndoFailureText(outcome);
    if (!failures.isEmpty()) {
        prompts_.tell(this, ProductCaption(), failures);
    }
}

}  // namespace corvane
