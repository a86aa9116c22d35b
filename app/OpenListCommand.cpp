#include "app/OpenListCommand.h"

#include "actions/SavedList.h"
#include "actions/SearchTexts.h"
#include "results/ResultsWindow.h"
#include "shell/MainWindow.h"

namespace corvane {

OpenListCommand::OpenListCommand(MainWindow& main, ResultsWindow& results, Prompts prompts)
    : main_(main), results_(results), prompts_(std::move(prompts)) {
    qRegisterMetaType<SearchOutcome>("corvane::SearchOutcome");
}

OpenListCommand::~OpenListCommand() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void OpenListCommand::Open(const QByteArray& fileName) {
    if (running_ || abandoned_) {
        return;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    running_ = true;
    fileName_ = fileName;
    main_.ShowSearchRunning(true);
    thread_ = std::thread([this, file = fileName.toStdString()] {
        SavedRows saved = ReadSavedList(file);
        error_ = saved.error;
        rows_.clear();
        left_ = 0;
        if (error_.isEmpty()) {
            RecheckedList rechecked = CheckAgain(std::move(saved));
            rows_ = std::move(rechecked.kept);
            left_ = rechecked.gone + rechecked.changed;
        }
        QMetaObject::invokeMethod(this, &OpenListCommand::OnRead, Qt::QueuedConnection);
    });
}

void OpenListCommand::OnRead() {
    thread_.join();
    const QString list = DisplayPath(std::string_view(fileName_.constData(), fileName_.size()));
    SearchOutcome outcome = SearchOutcome::Finished;
    bool shown = false;
    if (abandoned_) {
        outcome = SearchOutcome::Stopped;
    } else if (!error_.isEmpty()) {
        prompts_.tell(&main_, ProductCaption(),
                      QStringLiteral("The list %1 cannot be opened:\n%2").arg(list, error_));
        outcome = SearchOutcome::NoFolders;
    } else {
        if (left_ > 0) {
            prompts_.tell(
                &main_, ProductCaption(),
                QStringLiteral("%1 of the files in %2 are gone or have changed since the list "
                               "was saved; they are left out.")
                    .arg(left_)
                    .arg(list));
        }
        if (rows_.empty()) {
            prompts_.tell(&main_, NoDuplicatesTitle(), NoDuplicatesText());
        } else {
            results_.Model().SetRows(std::move(rows_));
            results_.MarkListReadFromFile();
            results_.ShowInPlaceOf(&main_);
            shown = true;
        }
    }
    rows_.clear();
    running_ = false;
    main_.ShowSearchRunning(false);
    main_.SetCaption(ProductCaption());
    main_.SetProgress(0);
    emit listOpened(shown);
    emit finished(outcome);
}

}  // namespace corvane
