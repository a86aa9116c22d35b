#include "app/SearchWorker.h"

#include <algorithm>
#include <chrono>

#include "search/ProtectedRows.h"

namespace corvane {
namespace {

// How often a search waiting for the window looks at the stop token.
constexpr std::chrono::milliseconds kAnswerPoll{20};

}  // namespace

void LiveOptions::Set(SearchOptions options) {
    const unsigned slider = static_cast<unsigned>(std::clamp(options.slider, 0, 15));
    packed_.store((options.exact ? 1u : 0u) | (options.close ? 2u : 0u) |
                      (options.contents ? 4u : 0u) | (slider << 3),
                  std::memory_order_relaxed);
}

SearchOptions LiveOptions::Get() const {
    const unsigned packed = packed_.load(std::memory_order_relaxed);
    return SearchOptions{(packed & 1u) != 0, (packed & 2u) != 0, static_cast<int>(packed >> 3),
                         (packed & 4u) != 0};
}

SearchWorker::SearchWorker(const StopToken& stop, const LiveOptions& options)
    : stop_(stop), options_(options) {}

void SearchWorker::Find(const std::vector<std::string>& folders,
                        const std::vector<std::string>& protectedFolders) {
    ungroupedPaths_.clear();
    ungrouped_.clear();
    const SearchOutcome outcome = FindDupes(folders, catalogue_, stop_, *this, rows_);
    // Protected rows are flagged, and groups with nothing to act on left out.
    MarkProtectedRows(catalogue_, protectedFolders, rows_);
    DropProtectedGroups(rows_);
    emit found(outcome);
}

void SearchWorker::Answer(bool yes) {
    {
        const std::lock_guard lock(answerMutex_);
        answer_ = yes;
    }
    answered_.notify_one();
}

bool SearchWorker::WaitForAnswer() {
    std::unique_lock lock(answerMutex_);
    while (!answer_ && !stop_.Stopped()) {
        answered_.wait_for(lock, kAnswerPoll);
    }
    return std::exchange(answer_, std::nullopt).value_or(false);
}

void SearchWorker::ScanEnded() {
    {
        const std::lock_guard lock(answerMutex_);
        answer_.reset();
    }
    emit scanEnded();
    WaitForAnswer();
}

bool SearchWorker::ConfirmLarge(std::size_t folders, std::size_t files) {
    {
        const std::lock_guard lock(answerMutex_);
        answer_.reset();
    }
    emit largeSearch(folders, files);
    return WaitForAnswer() && !stop_.Stopped();
}

void SearchWorker::SameContentsEnded(const FileCatalogue& catalogue,
                                     const SameContentsResult& result) {
    ungrouped_ = result.ungrouped;
    for (const UngroupedFile& file : result.ungrouped) {
        ungroupedPaths_.push_back(catalogue.FullPath(file.entry));
    }
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
