#include "results/SendToTrash.h"

#include "actions/KeepRules.h"

#include <sys/stat.h>

#include <QFile>
#include <QLocale>

#include "platform/TrashProblem.h"

namespace corvane {

namespace {

constexpr std::size_t kNamedFailures = 10;

const QString kTitle = QStringLiteral("Corvane");

// True while the row's file (same device and inode) is still at its path.
bool StillInPlace(const ResultRow& row) {
    const PathStatus now = StatPath(row.path);
    return now.error == 0 && now.stamp.id == row.stamp.id;
}

QString Count(std::size_t n) {
    return QLocale::system().toString(static_cast<qulonglong>(n));
}

// "HEADLINE\n\nPATH\n    REASON..." for at most ten files, then the count of the rest.
QString NamedList(QString text, const std::vector<std::pair<std::string, QString>>& named) {
    for (std::size_t i = 0; i < named.size() && i < kNamedFailures; ++i) {
        text +=
            QStringLiteral("\n%1\n    %2")
                .arg(QFile::decodeName(QByteArray::fromStdString(named[i].first)), named[i].second);
    }
    if (named.size() > kNamedFailures) {
        text += QStringLiteral("\n\nand %1 more.").arg(Count(named.size() - kNamedFailures));
    }
    return text;
}

}  // namespace

QString SendQuestion(std::size_t ticked, std::size_t groupsLosingEveryCopy) {
    QString question =
        ticked == 1 ? QStringLiteral("Move 1 checked file to the trash?")
                    : QStringLiteral("Move %1 checked files to the trash?").arg(Count(ticked));
    if (groupsLosingEveryCopy > 0) {
        question += groupsLosingEveryCopy == 1
                        ? QStringLiteral(
                              "\n\nEvery file of 1 group is checked: no copy of it "
                              "would be left in the list.")
                        : QStringLiteral(
                              "\n\nEvery file of %1 groups is checked: no copy of "
                              "them would be left in the list.")
                              .arg(Count(groupsLosingEveryCopy));
    }
    return question;
}

QString SendFailureReason(const SendFailure& failure) {
    QString reason = TrashProblemText(failure.problem, failure.error);
    if (failure.leftItsFolder) {
        reason += QStringLiteral("; it is no longer in its folder");
    }
    return reason;
}

QString SendFailureText(const std::vector<SendFailure>& failures) {
    std::vector<std::pair<std::string, QString>> named;
    for (const auto& failure : failures) {
        named.emplace_back(failure.path, SendFailureReason(failure));
    }
    return NamedList(failures.size() == 1
                         ? QStringLiteral("1 file could not be moved to the trash:\n")
                         : QStringLiteral("%1 files could not be moved to the trash:\n")
                               .arg(Count(failures.size())),
                     named);
}

SendOutcome SendToTrash(ResultsModel& model, Trash& trash, const TrashPrompts& prompts) {
    SendOutcome outcome;
    const std::vector<int> ticked = model.CheckedRows();
    outcome.ticked = ticked.size();
    if (ticked.empty()) {
        model.ClearShading();
        return outcome;
    }
    // The guard against the worst selection mistake: every copy of a group.
    std::vector<bool> tickedRows(static_cast<std::size_t>(model.rowCount()), false);
    for (const int row : ticked) {
        tickedRows[static_cast<std::size_t>(row)] = true;
    }
    const std::size_t wholeGroups = GroupsWhollyTicked(model.Rows(), tickedRows);
    if (!prompts.confirm(kTitle, SendQuestion(ticked.size(), wholeGroups), wholeGroups == 0)) {
        return outcome;
    }
    outcome.confirmed = true;

    // Failures are kept by row so the message lists them in list order.
    std::vector<SendFailure> failures(ticked.size());
    std::vector<TrashRequest> request;
    std::vector<std::size_t> requestRow;
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        const ResultRow& row = model.RowAt(ticked[i]);
        failures[i].path = row.path;
        if (!row.stamped) {
            // Nothing to compare the file with: it is not known to be the one listed.
            failures[i].problem = TrashProblem::kChanged;
            continue;
        }
        request.push_back(TrashRequest{row.path, row.stamp});
        requestRow.push_back(i);
    }

    TrashBatch batch = request.empty() ? TrashBatch{} : trash.Send(request);
    outcome.batch = batch.id;
    // A row leaves the list when its file is gone from its place afterwards,
    // whatever the trash answered; the answer only gives the reason.
    std::vector<bool> gone(ticked.size(), false);
    for (std::size_t k = 0; k < requestRow.size(); ++k) {
        const std::size_t i = requestRow[k];
        const TrashResult result = k < batch.results.size()
                                       ? batch.results[k]
                                       : TrashResult{false, TrashProblem::kNoAnswer, 0};
        // A file the check refused was never asked to move: its row stays,
        // whatever now lies at its path.
        const bool refusedByCheck = !result.moved && (result.problem == TrashProblem::kVanished ||
                                                      result.problem == TrashProblem::kChanged);
        gone[i] = !refusedByCheck && !StillInPlace(model.RowAt(ticked[i]));
        if (result.moved && !gone[i]) {
            failures[i].problem = TrashProblem::kStillInPlace;
        } else if (!result.moved) {
            failures[i].problem =
                result.problem == TrashProblem::kNone ? TrashProblem::kNoAnswer : result.problem;
            failures[i].error = result.error;
            failures[i].leftItsFolder = gone[i];
        }
    }

    std::vector<int> goneRows;
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        if (gone[i]) {
            goneRows.push_back(ticked[i]);
            outcome.removed.push_back(model.RowAt(ticked[i]));
        }
        if (failures[i].problem != TrashProblem::kNone) {
            outcome.failures.push_back(failures[i]);
        }
    }
    outcome.moved = goneRows.size();
    model.RemoveRowsAt(goneRows);
    model.ClearShading();
    if (!outcome.failures.empty()) {
        prompts.tell(kTitle, SendFailureText(outcome.failures));
    }
    return outcome;
}

bool CanUndoLastSend(Trash& trash) {
    return trash.HasBatchToUndo();
}

QString UndoFailureText(const UndoOutcome& outcome) {
    if (outcome.problem != UndoProblem::kNone && outcome.problem != UndoProblem::kNotMarked) {
        return UndoProblemText(outcome.problem, outcome.error, outcome.line);
    }
    std::vector<std::pair<std::string, QString>> named;
    for (const auto& file : outcome.files) {
        if (!file.restored) {
            named.emplace_back(file.path, TrashProblemText(file.problem, file.error));
        }
    }
    QString text;
    if (!named.empty()) {
        text = NamedList(
            named.size() == 1
                ? QStringLiteral("1 file could not be put back:\n")
                : QStringLiteral("%1 files could not be put back:\n").arg(Count(named.size())),
            named);
    }
    if (outcome.problem == UndoProblem::kNotMarked) {
        text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) +
                UndoProblemText(outcome.problem, outcome.error);
    }
    return text;
}

UndoOutcome UndoLastSend(Trash& trash, const TrashPrompts& prompts) {
    UndoOutcome outcome = trash.UndoLastBatch();
    const QString text = UndoFailureText(outcome);
    if (!text.isEmpty()) {
        prompts.tell(kTitle, text);
    }
    return outcome;
}

}  // namespace corvane
