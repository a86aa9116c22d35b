#include "results/SendToTrash.h"

#include <sys/stat.h>

#include <QFile>
#include <QLocale>
#include <cerrno>

#include "platform/ErrnoText.h"

namespace corvane {

namespace {

constexpr std::size_t kNamedFailures = 10;

const QString kTitle = QStringLiteral("Corvane");

// Empty when the file on disk is still the one the search listed.
QString ChangedSinceSearch(const ResultRow& row) {
    struct stat st {};
    if (lstat(row.path.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return QStringLiteral("it no longer exists");
        }
        return ErrnoText(errno);
    }
    // Nanoseconds count: a file rewritten at the same size within the
    // second is no longer the file the user saw.
    const bool same = S_ISREG(st.st_mode) && row.stamped && StampOf(st) == row.stamp;
    return same ? QString() : QStringLiteral("changed since the search");
}

// True while the row's file (same device and inode) is still at its path.
bool StillInPlace(const ResultRow& row) {
    struct stat st {};
    return lstat(row.path.c_str(), &st) == 0 && StampOf(st).id == row.stamp.id;
}

}  // namespace

QString SendQuestion(std::size_t ticked) {
    const QString count = QLocale::system().toString(static_cast<qulonglong>(ticked));
    return ticked == 1 ? QStringLiteral("Move 1 checked file to the trash?")
                       : QStringLiteral("Move %1 checked files to the trash?").arg(count);
}

QString SendFailureText(const std::vector<SendFailure>& failures) {
    const QLocale locale = QLocale::system();
    QString text = failures.size() == 1
                       ? QStringLiteral("1 file could not be moved to the trash:\n")
                       : QStringLiteral("%1 files could not be moved to the trash:\n")
                             .arg(locale.toString(static_cast<qulonglong>(failures.size())));
    for (std::size_t i = 0; i < failures.size() && i < kNamedFailures; ++i) {
        text += QStringLiteral("\n%1\n    %2")
                    .arg(QFile::decodeName(QByteArray::fromStdString(failures[i].path)),
                         failures[i].reason);
    }
    if (failures.size() > kNamedFailures) {
        text +=
            QStringLiteral("\n\nand %1 more.")
                .arg(locale.toString(static_cast<qulonglong>(failures.size() - kNamedFailures)));
    }
    return text;
}

SendOutcome SendToTrash(ResultsModel& model, Trash& trash, const TrashPrompts& prompts) {
    SendOutcome outcome;
    const std::vector<int> ticked = model.CheckedRows();
    outcome.ticked = ticked.size();
    if (ticked.empty()) {
        model.ClearShading();
        return outcome;
    }
    if (!prompts.confirm(kTitle, SendQuestion(ticked.size()))) {
        return outcome;
    }
    outcome.confirmed = true;

    // Failures are kept by row so the message lists them in list order.
    std::vector<QString> reasons(ticked.size());
    std::vector<std::string> request;
    std::vector<std::size_t> requestSlot;
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        const ResultRow& row = model.RowAt(ticked[i]);
        reasons[i] = ChangedSinceSearch(row);
        if (reasons[i].isEmpty()) {
            request.push_back(row.path);
            requestSlot.push_back(i);
        }
    }

    std::vector<TrashResult> results =
        request.empty() ? std::vector<TrashResult>{} : trash.MoveToTrash(request);
    // A row leaves the list when its file is gone from its place afterwards,
    // whatever the trash answered; the answer only gives the reason.
    std::vector<bool> gone(ticked.size(), false);
    for (std::size_t k = 0; k < requestSlot.size(); ++k) {
        const std::size_t slot = requestSlot[k];
        const bool reported = k < results.size() && results[k].moved;
        gone[slot] = !StillInPlace(model.RowAt(ticked[slot]));
        if (reported && !gone[slot]) {
            reasons[slot] = QStringLiteral("the trash reported it moved, but it is still in place");
        } else if (!reported) {
            reasons[slot] = k < results.size() && !results[k].reason.isEmpty()
                                ? results[k].reason
                                : QStringLiteral("the trash gave no answer");
            if (gone[slot]) {
                reasons[slot] += QStringLiteral("; it is no longer in its folder");
            }
        }
    }

    std::vector<int> goneRows;
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        if (gone[i]) {
            goneRows.push_back(ticked[i]);
        }
        if (!reasons[i].isEmpty()) {
            outcome.failures.push_back({model.RowAt(ticked[i]).path, reasons[i]});
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

}  // namespace corvane
