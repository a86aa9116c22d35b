#include "shell/FindDupesCommand.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "results/Form4.h"
#include "search/SearchTexts.h"
#include "shell/Form1.h"

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

FindDupesCommand::FindDupesCommand(Form1& main, Form4& results, FileCatalogue& catalogue,
                                   SettingsStore& store, Dialogs dialogs)
    : main_(main),
      results_(results),
      catalogue_(catalogue),
      store_(store, abandoned_),
      dialogs_(std::move(dialogs)) {}

QString FindDupesCommand::StopOnAbandon::Read(const char* key) {
    if (abandoned_ && QLatin1String(key) == QLatin1String(keys::Stop)) {
        return BoolText(true);
    }
    return store_.Read(key);
}

SearchOutcome FindDupesCommand::Run() {
    if (running_) {
        return SearchOutcome::Stopped;  // Find Dupes is hidden while a search runs
    }
    const std::vector<std::string> folders = main_.FolderPaths();
    if (folders.empty()) {
        dialogs_.inform(&main_, ProductCaption(),
                        QStringLiteral("There are no folders to find duplicates for. Please drag "
                                       "and drop some folders into the list above."));
        main_.SetCaption(ProductCaption());
        main_.SetProgress(0);
        return SearchOutcome::NoFolders;
    }

    running_ = true;
    skipped_.clear();
    main_.ShowSearchRunning(true);
    const SearchOutcome outcome = FindDupes(folders, catalogue_, store_, *this, results_.Sink());
    running_ = false;

    if (!abandoned_ && outcome == SearchOutcome::Finished) {
        if (results_.Model().rowCount() > 0) {
            results_.ShowInPlaceOf(&main_);
        } else {
            dialogs_.inform(&main_, NoDuplicatesTitle(), NoDuplicatesText());
        }
    }
    main_.ShowSearchRunning(false);
    main_.SetCaption(ProductCaption());
    main_.SetProgress(0);
    return outcome;
}

SearchOptions FindDupesCommand::CurrentOptions() {
    return main_.Options();
}

void FindDupesCommand::CaptionChanged(const QString& caption) {
    main_.SetCaption(caption);
}

void FindDupesCommand::ProgressChanged(int percent) {
    main_.SetProgress(percent);
}

void FindDupesCommand::FolderSkipped(const std::string& path, const QString& reason) {
    (void)reason;
    skipped_.push_back(path);
}

void FindDupesCommand::ScanFinished() {
    ShowSkippedFolders();
}

void FindDupesCommand::ShowSkippedFolders() {
    if (skipped_.empty() || abandoned_) {
        return;
    }
    QString text =
        skipped_.size() == 1
            ? QStringLiteral("1 folder could not be read and was skipped:")
            : QStringLiteral("%1 folders could not be read and were skipped:").arg(skipped_.size());
    for (std::size_t i = 0; i < skipped_.size() && i < kSkippedShown; ++i) {
        text += QLatin1Char('\n') + DisplayPath(skipped_[i]);
    }
    if (skipped_.size() > kSkippedShown) {
        text += QStringLiteral("\n...and %1 more.").arg(skipped_.size() - kSkippedShown);
    }
    skipped_.clear();
    dialogs_.inform(&main_, QStringLiteral("Skip"), text);
}

void FindDupesCommand::Yield() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool FindDupesCommand::ConfirmLargeSearch(std::size_t folderCount, std::size_t fileCount) {
    return dialogs_.askYesNo(&main_, LargeSearchTitle(),
                             LargeSearchQuestion(folderCount, fileCount));
}

}  // namespace corvane
