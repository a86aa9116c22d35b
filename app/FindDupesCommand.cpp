#include "app/FindDupesCommand.h"

#include <QMessageBox>

#include "actions/SearchTexts.h"
#include "platform/ErrnoText.h"
#include "results/ResultsWindow.h"
#include "shell/MainWindow.h"

namespace corvane {
namespace {

constexpr std::size_t kSkippedShown = 10;

}  // namespace

FindDupesCommand::Dialogs FindDupesCommand::Dialogs::System() {
    Dialogs dialogs;
    dialogs.inform = [](QWidget* owner, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
        box.exec();
    };
    dialogs.askYesNo = [](QWidget* owner, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No,
                        owner);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    };
    return dialogs;
}

FindDupesCommand::FindDupesCommand(MainWindow& main, ResultsWindow& results, SettingsStore& store,
                                   Dialogs dialogs)
    : main_(main),
      results_(results),
      store_(store),
      dialogs_(std::move(dialogs)),
      worker_(new SearchWorker(store, options_, cancel_)) {
    qRegisterMetaType<SearchPhase>("corvane::SearchPhase");
    qRegisterMetaType<SearchOutcome>("corvane::SearchOutcome");
    thread_.setObjectName(QStringLiteral("search"));
    worker_->moveToThread(&thread_);
    connect(worker_, &SearchWorker::phaseChanged, this, &FindDupesCommand::OnPhaseChanged);
    connect(worker_, &SearchWorker::progressChanged, &main_, &MainWindow::SetProgress);
    connect(worker_, &SearchWorker::folderSkipped, this, &FindDupesCommand::OnFolderSkipped);
    connect(worker_, &SearchWorker::scanned, this, &FindDupesCommand::OnScanned);
    connect(worker_, &SearchWorker::matched, this, &FindDupesCommand::OnMatched);
    connect(worker_, &SearchWorker::opened, this, &FindDupesCommand::OnOpened);
    // Options changed during a run apply from the search's next look at them.
    options_.Set(main_.Options());
    connect(&main_, &MainWindow::optionsChanged, this, [this] { options_.Set(main_.Options()); });
    thread_.start();
}

FindDupesCommand::~FindDupesCommand() {
    cancel_ = true;
    thread_.quit();
    thread_.wait();
    delete worker_;
}

void FindDupesCommand::Abandon() {
    cancel_ = true;
}

void FindDupesCommand::Start() {
    if (running_ || cancel_) {
        return;  // Find Dupes is hidden while a search runs
    }
    std::vector<std::string> folders = main_.FolderPaths();
    if (folders.empty()) {
        dialogs_.inform(&main_, ProductCaption(),
                        QStringLiteral("There are no folders to find duplicates for. Please drag "
                                       "and drop some folders into the list above."));
        Finish(SearchOutcome::NoFolders);
        return;
    }
    const SearchOptions options = main_.Options();
    if (!options.exact && !options.close) {
        // A search for nothing would walk every folder and then find nothing.
        dialogs_.inform(&main_, ProductCaption(), NothingToLookForText());
        Finish(SearchOutcome::NoFolders);
        return;
    }

    running_ = true;
    skipped_.clear();
    folderCount_ = folders.size();
    options_.Set(options);
    store_.Write(keys::Stop, BoolText(false));
    results_.Model().Clear();
    main_.ShowSearchRunning(true);
    QMetaObject::invokeMethod(
        worker_, [worker = worker_, folders = std::move(folders)] { worker->Scan(folders); },
        Qt::QueuedConnection);
}

void FindDupesCommand::OpenList(const QByteArray& fileName) {
    if (running_ || cancel_) {
        return;
    }
    running_ = true;
    openedList_ = fileName;
    main_.ShowSearchRunning(true);
    QMetaObject::invokeMethod(
        worker_, [worker = worker_, file = fileName.toStdString()] { worker->Open(file); },
        Qt::QueuedConnection);
}

void FindDupesCommand::OnOpened(const QString& error, qulonglong left) {
    const QString list = DisplayPath(std::string_view(openedList_.constData(), openedList_.size()));
    SearchOutcome outcome = SearchOutcome::Finished;
    bool shown = false;
    if (cancel_) {
        outcome = SearchOutcome::Stopped;
    } else if (!error.isEmpty()) {
        dialogs_.inform(&main_, ProductCaption(),
                        QStringLiteral("The list %1 cannot be opened:\n%2").arg(list, error));
        outcome = SearchOutcome::NoFolders;
    } else {
        std::vector<ResultRow> rows = worker_->TakeRows();
        if (left > 0) {
            dialogs_.inform(
                &main_, ProductCaption(),
                QStringLiteral("%1 of the files in %2 are gone or have changed since the list "
                               "was saved; they are left out.")
                    .arg(left)
                    .arg(list));
        }
        if (rows.empty()) {
            dialogs_.inform(&main_, NoDuplicatesTitle(), NoDuplicatesText());
        } else {
            results_.Model().SetRows(std::move(rows));
            results_.ShowInPlaceOf(&main_);
            shown = true;
        }
    }
    emit listOpened(shown);
    Finish(outcome);
}

void FindDupesCommand::OnPhaseChanged(SearchPhase phase, const QByteArray& folder) {
    main_.SetCaption(CaptionFor(phase, std::string_view(folder.constData(), folder.size())));
}

void FindDupesCommand::OnFolderSkipped(const QByteArray& path, int error) {
    skipped_.emplace_back(path, error);
}

void FindDupesCommand::OnScanned(SearchOutcome outcome, qulonglong files) {
    if (cancel_) {
        Finish(SearchOutcome::Stopped);  // abandoned, however far the scan got
        return;
    }
    if (outcome != SearchOutcome::Finished) {
        Finish(outcome);
        return;
    }
    // A stop during the last folder lets phase 1 end; the skip box then stays
    // away and phase 2's first poll ends the run.
    if (!store_.StopRequested()) {
        ShowSkippedFolders();
    }
    if (files > kLargeSearchFiles &&
        !dialogs_.askYesNo(&main_, LargeSearchTitle(),
                           LargeSearchQuestion(folderCount_, static_cast<std::size_t>(files)))) {
        Finish(SearchOutcome::Declined);
        return;
    }
    QMetaObject::invokeMethod(
        worker_, [worker = worker_] { worker->Match(); }, Qt::QueuedConnection);
}

void FindDupesCommand::OnMatched(SearchOutcome outcome) {
    if (cancel_) {
        outcome = SearchOutcome::Stopped;
    } else if (outcome == SearchOutcome::Finished) {
        std::vector<ResultRow> rows = worker_->TakeRows();
        if (!rows.empty()) {
            results_.Model().SetRows(std::move(rows));
            results_.ShowInPlaceOf(&main_);
        } else {
            dialogs_.inform(&main_, NoDuplicatesTitle(), NoDuplicatesText());
        }
    }
    Finish(outcome);
}

void FindDupesCommand::Finish(SearchOutcome outcome) {
    if (outcome == SearchOutcome::TooLarge && !cancel_) {
        dialogs_.inform(&main_, ProductCaption(), TooLargeText());
    }
    running_ = false;
    main_.ShowSearchRunning(false);
    main_.SetCaption(ProductCaption());
    main_.SetProgress(0);
    emit finished(outcome);
}

void FindDupesCommand::ShowSkippedFolders() {
    if (skipped_.empty()) {
        return;
    }
    QString text =
        skipped_.size() == 1
            ? QStringLiteral("1 folder could not be read and was skipped:")
            : QStringLiteral("%1 folders could not be read and were skipped:").arg(skipped_.size());
    for (std::size_t i = 0; i < skipped_.size() && i < kSkippedShown; ++i) {
        const auto& [path, error] = skipped_[i];
        text += QLatin1Char('\n') + DisplayPath(std::string_view(path.constData(), path.size())) +
                QStringLiteral("\n    ") + FolderSkipReason(error);
    }
    if (skipped_.size() > kSkippedShown) {
        text += QStringLiteral("\n...and %1 more.").arg(skipped_.size() - kSkippedShown);
    }
    skipped_.clear();
    dialogs_.inform(&main_, QStringLiteral("Skip"), text);
}

}  // namespace corvane
