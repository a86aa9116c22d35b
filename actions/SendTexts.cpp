#include "actions/SendTexts.h"

#include <QFile>
#include <QLocale>
#include <utility>

#include "platform/TrashProblem.h"

namespace corvane {
namespace {

constexpr std::size_t kNamedFailures = 10;

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

QString SendQuestion(std::size_t ticked, std::size_t groupsLosingEveryCopy,
                     std::size_t neverCompared) {
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
    if (neverCompared > 0) {
        question +=
            (neverCompared == 1 ? QStringLiteral("\n\n1 of them was never compared by content")
                                : QStringLiteral("\n\n%1 of them were never compared by content")
                                      .arg(Count(neverCompared))) +
            QStringLiteral(
                " (Check contents, Ctrl+K): equal names or sizes do not make equal files.");
    }
    return question;
}

QString SendFailureReason(const SentFile& file) {
    switch (file.result) {
        case SendResult::kTrashed:
            return {};
        case SendResult::kKeptCopyGone:
            return QStringLiteral("the kept copy is gone or changed");
        case SendResult::kStopped:
            return QStringLiteral("the send was stopped before it");
        case SendResult::kFailed:
            break;
    }
    QString reason = TrashProblemText(file.problem, file.error);
    if (file.gone) {
        reason += QStringLiteral("; it is no longer in its folder");
    }
    return reason;
}

QString SendFailureText(const SendPlan& plan, const SendReport& report) {
    std::vector<std::pair<std::string, QString>> named;
    for (std::size_t i = 0; i < report.files.size(); ++i) {
        const SendResult result = report.files[i].result;
        if (result == SendResult::kFailed || result == SendResult::kKeptCopyGone) {
            named.emplace_back(plan.files[i].path, SendFailureReason(report.files[i]));
        }
    }
    if (named.empty()) {
        return {};
    }
    return NamedList(named.size() == 1
                         ? QStringLiteral("1 file could not be moved to the trash:\n")
                         : QStringLiteral("%1 files could not be moved to the trash:\n")
                               .arg(Count(named.size())),
                     named);
}

std::string SendResultField(const SentFile& file) {
    return file.result == SendResult::kTrashed ? std::string("trashed")
                                               : "failed: " + SendFailureReason(file).toStdString();
}

QString UndoFailureText(const UndoOutcome& outcome) {
    if (outcome.problem != UndoProblem::kNone && outcome.problem != UndoProblem::kNotMarked) {
        return UndoProblemText(outcome.problem, outcome.error, outcome.line);
    }
    std::vector<std::pair<std::string, QString>> named;
    for (const auto& file : outcome.files) {
        // A file the undo was stopped before stays in the trash, to be undone later.
        if (!file.restored && file.problem != TrashProblem::kUndoNotAttempted) {
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

std::string UndoResultField(const UndoResult& file) {
    return file.restored ? std::string("restored")
                         : "failed: " + TrashProblemText(file.problem, file.error).toStdString();
}

QString SendingCaption(int percent) {
    return QStringLiteral(" [Moving to the trash: %1%]").arg(percent);
}

QString UndoingCaption(int percent) {
    return QStringLiteral(" [Putting back: %1%]").arg(percent);
}

}  // namespace corvane
