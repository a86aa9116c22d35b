#include "app/FindDupesCommand.h"

#include "actions/SearchTexts.h"
#include "platform/ErrnoText.h"
#include "results/ResultsWindow.h"
#include "shell/MainWindow.h"

namespace corvane {
namespace {

constexpr std::size_t kSkippedShown = 10;

}  // namespace

FindDupesCommand::FindDupesCommand(MainWindow& main, ResultsWindow& results, SettingsStore& store,
                                   Prompts prompts)
    : main_(main),
      results_(results),
      store_(store),
      prompts_(std::move(prompts)),
      thread_(this),
      worker_(new SearchWorker(stop_, options_)) {
    qRegisterMetaType<SearchPhase>("corvane::SearchPhase");
    qRegisterMetaType<SearchOutcome>("corvane::SearchOutcome");
    thread_.setObjectName(QStringLiteral("search"));
    worker_->moveToThread(&thread_);
    connect(worker_, &SearchWorker::phaseChanged, this, &FindDupesCommand::OnPhaseChanged);
    connect(worker_, &SearchWorker::progressChanged, &main_, &MainWindow::SetProgress);
    connect(worker_, &SearchWorker::folderSkipped, this, &FindDupesCommand::OnFolderSkipped);
    connect(worker_, &SearchWorker::scanEnded, this, &FindDupesCommand::OnScanEnded);
    connect(worker_, &SearchWorker::largeSearch, this, &FindDupesCommand::OnLargeSearch);
    connect(worker_, &SearchWorker::found, this, &FindDupesCommand::OnFound);
    // Stop Find has written "True" under `Stop`; the search hears it through
    // the token.
    connect(&main_, &MainWindow::stopFindPressed, this, [this] { stop_.Stop(); });
    // Options changed during a run apply from the search's next look at them.
    options_.Set(main_.Options());
    // Same Contents stays as the search started: it decides the phases.
    connect(&main_, &MainWindow::optionsChanged, this, [this] {
        SearchOptions options = main_.Options();
        options.contents = running_ ? runContents_ : options.contents;
        options_.Set(options);
    });
    thread_.start();
}

FindDupesCommand::~FindDupesCommand() {
    stop_.Stop();
    thread_.quit();
    thread_.wait();
    delete worker_;
}

void FindDupesCommand::Abandon() {
    abandoned_ = true;
    stop_.Stop();
}

void FindDupesCommand::Start() {
    if (running_ || abandoned_) {
        return;  // Find Dupes is hidden while a search runs
    }
    std::vector<std::string> folders;
    std::vector<std::string> protectedFolders;
    for (ListedFolder& folder : main_.Folders()) {
        if (folder.isProtected) {
            protectedFolders.push_back(folder.path);
        }
        folders.push_back(std::move(folder.path));
    }
    if (folders.empty()) {
        prompts_.tell(&main_, ProductCaption(),
                      QStringLiteral("There are no folders to find duplicates for. Please drag "
                                     "and drop some folders into the list above."));
        Finish(SearchOutcome::NoFolders);
        return;
    }
    const SearchOptions options = main_.Options();
    if (!options.exact && !options.close && !options.contents) {
        // A search for nothing would walk every folder and then find nothing.
        prompts_.tell(&main_, ProductCaption(), NothingToLookForText());
        Finish(SearchOutcome::NoFolders);
        return;
    }

    running_ = true;
    runContents_ = options.contents;
    skipped_.clear();
    options_.Set(options);
    store_.Write(keys::Stop, BoolText(false));
    stop_.Reset();  // no search runs now
    results_.Model().Clear();
    main_.ShowSearchRunning(true);
    QMetaObject::invokeMethod(
        worker_,
        [worker = worker_, folders = std::move(folders),
         protectedFolders = std::move(protectedFolders)] {
            worker->Find(folders, protectedFolders);
        },
        Qt::QueuedConnection);
}

void FindDupesCommand::OnPhaseChanged(SearchPhase phase, const QByteArray& folder) {
    main_.SetCaption(
        CaptionFor(phase, std::string_view(folder.constData(), folder.size()), runContents_));
}

void FindDupesCommand::OnFolderSkipped(const QByteArray& path, int error) {
    skipped_.emplace_back(path, error);
}

void FindDupesCommand::OnScanEnded() {
    // A stop during the last folder lets phase 1 end; the skip box then stays
    // away and phase 2's first poll ends the run.
    if (!stop_.Stopped()) {
        ShowSkippedFolders();
    }
    worker_->Answer(true);
}

void FindDupesCommand::OnLargeSearch(qulonglong folders, qulonglong files) {
    const bool yes =
        !stop_.Stopped() && prompts_.confirm(&main_, LargeSearchTitle(),
                                             LargeSearchQuestion(static_cast<std::size_t>(folders),
                                                                 static_cast<std::size_t>(files)),
                                             true);
    worker_->Answer(yes);
}

void FindDupesCommand::OnFound(SearchOutcome outcome) {
    if (abandoned_) {
        outcome = SearchOutcome::Stopped;  // however far the search got
    } else if (outcome == SearchOutcome::Finished) {
        ResultRows rows = worker_->TakeRows();
        if (!rows.empty()) {
            results_.Model().SetRows(std::move(rows));
            results_.ShowInPlaceOf(&main_);
        } else {
            prompts_.tell(&main_, NoDuplicatesTitle(), NoDuplicatesText());
        }
        // Like the skipped folders: one message for every file left out.
        const std::vector<UngroupedFile> ungrouped = worker_->TakeUngrouped();
        if (!ungrouped.empty()) {
            prompts_.tell(&main_, ProductCaption(),
                          UngroupedFilesText(worker_->TakeUngroupedPaths(), ungrouped));
        }
    }
    Finish(outcome);
}

void FindDupesCommand::Finish(SearchOutcome outcome) {
    if (outcome == SearchOutcome::TooLarge && !abandoned_) {
        prompts_.tell(&main_, ProductCaption(), TooLargeText());
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
    prompts_.tell(&main_, QStringLiteral("Skip"), text);
}

}  // namespace corvane
