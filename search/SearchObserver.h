// What the search needs from whoever runs it: current options, progress
// display, a chance to handle events, and the answer to the size question.
#pragma once

#include <QString>
#include <cstddef>
#include <string>

namespace corvane {

struct SearchOptions {
    bool exact = false;
    bool close = false;
    int slider = 3;  // 0..5; close threshold = slider / 10 + 0.4
};

class SearchObserver {
  public:
    virtual ~SearchObserver() = default;
    // Read afresh at every outer entry of phase 2 and for every file of phase 1.
    virtual SearchOptions CurrentOptions() = 0;
    // The main window's caption and progress bar (0..100).
    virtual void CaptionChanged(const QString& caption) { (void)caption; }
    virtual void ProgressChanged(int percent) { (void)percent; }
    // A folder that could not be listed; it adds no files and the scan goes on.
    virtual void FolderSkipped(const std::string& path, const QString& reason) {
        (void)path;
        (void)reason;
    }
    // Phase 1 is over and not stopped: a window reports skipped folders now.
    virtual void ScanFinished() {}
    // Called at least every 50 ms of work; a window handles its events here.
    virtual void Yield() {}
    // More than 20,000 files were catalogued: go on with phase 2?
    virtual bool ConfirmLargeSearch(std::size_t folderCount, std::size_t fileCount) {
        (void)folderCount;
        (void)fileCount;
        return true;
    }
};

}  // namespace corvane
