#include "search/StopCheck.h"

namespace corvane {

StopCheck::StopCheck(SettingsStore& store, SearchObserver& observer)
    : store_(store), observer_(observer), lastPoll_(std::chrono::steady_clock::now()) {}

bool StopCheck::Poll() {
    if (!stopped_) {
        observer_.Yield();
        stopped_ = store_.StopRequested();
        lastPoll_ = std::chrono::steady_clock::now();
    }
    return stopped_;
}

}  // namespace corvane
