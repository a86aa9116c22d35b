// Helpers for the search tests: real files in a temporary tree and an
// observer that records what the search reports.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "actions/SearchTexts.h"
#include "search/SearchObserver.h"
#include "support/Files.h"

namespace corvane::testing {

class RecordingObserver : public SearchObserver {
  public:
    SearchOptions options{true, true, 3};
    std::vector<QString> captions;  // each phase as the window's caption shows it
    std::vector<int> progress;
    std::vector<std::pair<std::string, int>> skipped;  // path, errno
    std::function<void(const QString&)> onCaption;
    std::function<SearchOptions(int)> script;  // options by call number, when set
    int optionCalls = 0;

    SearchOptions CurrentOptions() override {
        ++optionCalls;
        return script ? script(optionCalls) : options;
    }
    void PhaseChanged(SearchPhase phase, const std::string& folder) override {
        captions.push_back(CaptionFor(phase, folder, options.contents));
        if (onCaption) {
            onCaption(captions.back());
        }
    }
    void ProgressChanged(int percent) override { progress.push_back(percent); }
    void FolderSkipped(const std::string& path, int error) override {
        skipped.emplace_back(path, error);
    }
    std::vector<std::pair<std::size_t, std::size_t>> questions;  // folders, files
    bool answer = true;
    bool ConfirmLarge(std::size_t folders, std::size_t files) override {
        questions.emplace_back(folders, files);
        return answer;
    }
};

}  // namespace corvane::testing
