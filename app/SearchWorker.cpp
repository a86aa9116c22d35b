#include "app/SearchWorker.h"

#include <algorithm>

#include "actions/SavedList.h"

namespace corvane {

void LiveOptions::Set(SearchOptions options) {
    const unsigned slider = static_cast<unsigned>(std::clamp(options.slider, 0, 15));
    packed_.store((options.exact ? 1u : 0u) | (options.close ? 2u : 0u) | (slider << 2),
                  std::memory_order_relaxed);
}

SearchOptions LiveOptions::Get() const {
    const unsigned packed = packed_.load(std::memory_order_relaxed);
    return SearchOptions{(packed & 1u) != 0, (packed & 2u) != 0, static_cast<int>(packed >> 2)};
}

SearchWorker::SearchWorker(SettingsStore& store, const LiveOptions& options,
                           const std::atomic<bool>& cancel)
    : store_(store), options_(options), cancel_(cancel) {}

void SearchWorker::Scan(const std::vector<std::string>& folders) {
    rows_.Clear();
    const SearchOutcome outcome = ScanFolders(folders, catalogue_, store_, *this, &cancel_);
    emit scanned(outcome, catalogue_.FileCount());
}

void SearchWorker::Match() {
    const SearchOutcome outcome = MatchFiles(catalogue_, store_, *this, rows_, &cancel_);
    emit matched(outcome);
}

void SearchWorker::Open(const std::string& fileName) {
    rows_.Clear();
    SavedRows saved = ReadSavedList(fileName);
    if (!saved.error.isEmpty()) {
        emit opened(saved.error, 0);
        return;
    }
    CheckedRows checked = CheckAgain(std::move(saved));
    rows_.rows = std::move(checked.kept);
    emit opened(QString(), checked.gone + checked.changed);
}

void SearchWorker::PhaseChanged(SearchPhase phase, const std::string& folder) {
    emit phaseChanged(phase, QByteArray::fromStdString(folder));
}

void SearchWorker::ProgressChanged(int percent) {
    emit progressChanged(percent);
}

void SearchWorker::FolderSkipped(const std::string& path, int error) {
    emit folderSkipped(QByteArray::fromStdString(path), error);
}

}  // namespace corvane
