#include "search/StopCheck.h"

namespace corvane {

StopCheck::StopCheck(SettingsStore& store, const std::atomic<bool>* cancel)
    : store_(store), cancel_(cancel), lastPoll_(std::chrono::steady_clock::now()) {}

bool StopCheck::Poll() {
    if (!stopped_) {
        stopped_ = (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) ||
                   store_.StopRequested();
        lastPoll_ = std::chrono::steady_clock::now();
    }
    return stopped_;
}

}  // namespace corvane
