// Helpers for the search tests: real files in a temporary tree, an observer
// that records what the search reports, and a store that lets a test act
// at the search's polls of `Stop`.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "actions/SearchTexts.h"
#include "platform/MemorySettingsStore.h"
#include "search/SearchObserver.h"
#include "support/Files.h"

namespace corvane::testing {

// A settings store that counts the search's reads of `Stop` and runs
// `onPoll` (with the read's 1-based number) just before answering one.
class PollingStore final : public SettingsStore {
  public:
    QString Read(const char* key) override {
        if (QLatin1String(key) == QLatin1String(keys::Stop)) {
            ++polls;
            if (onPoll) {
                onPoll(polls);
            }
        }
        return values_.Read(key);
    }
    void Write(const char* key, const QString& text) override { values_.Write(key, text); }

    int polls = 0;
    std::function<void(int)> onPoll;

  private:
    MemorySettingsStore values_;
};

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
        captions.push_back(CaptionFor(phase, folder));
        if (onCaption) {
            onCaption(captions.back());
        }
    }
    void ProgressChanged(int percent) override { progress.push_back(percent); }
    void FolderSkipped(const std::string& path, int error) override {
        skipped.emplace_back(path, error);
    }
};

}  // namespace corvane::testing
