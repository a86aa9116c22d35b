// Helpers for the search tests: real files in a temporary tree, and an
// observer that records what the search reports and can act at its yields.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "search/SearchObserver.h"

namespace corvane::testing {

inline void MakeFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0755);
}

inline void MakeFile(const std::string& path, const std::string& content = "") {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        if (!content.empty()) {
            (void)!::write(fd, content.data(), content.size());
        }
        ::close(fd);
    }
}

class RecordingObserver : public SearchObserver {
  public:
    SearchOptions options{true, true, 3};
    std::vector<QString> captions;
    std::vector<int> progress;
    std::vector<std::pair<std::string, QString>> skipped;
    int yields = 0;
    int scansFinished = 0;
    std::function<void(int)> onYield;  // gets the yield's 1-based number
    std::function<void(const QString&)> onCaption;
    std::function<SearchOptions(int)> script;  // options by call number, when set
    int optionCalls = 0;
    bool answer = true;
    std::vector<std::pair<std::size_t, std::size_t>> questions;

    SearchOptions CurrentOptions() override {
        ++optionCalls;
        return script ? script(optionCalls) : options;
    }
    void CaptionChanged(const QString& caption) override {
        captions.push_back(caption);
        if (onCaption) {
            onCaption(caption);
        }
    }
    void ProgressChanged(int percent) override { progress.push_back(percent); }
    void FolderSkipped(const std::string& path, const QString& reason) override {
        skipped.emplace_back(path, reason);
    }
    void ScanFinished() override { ++scansFinished; }
    void Yield() override {
        ++yields;
        if (onYield) {
            onYield(yields);
        }
    }
    bool ConfirmLargeSearch(std::size_t folders, std::size_t files) override {
        questions.emplace_back(folders, files);
        return answer;
    }
};

}  // namespace corvane::testing
