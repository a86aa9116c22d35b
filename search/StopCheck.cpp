#include "search/StopCheck.h"

namespace corvane {

StopCheck::StopCheck(const StopToken& token, std::function<void()> onPoll)
    : token_(token), onPoll_(std::move(onPoll)), lastPoll_(std::chrono::steady_clock::now()) {}

bool StopCheck::Poll() {
    if (!stopped_) {
        if (onPoll_) {
            onPoll_();
        }
        stopped_ = token_.Stopped();
        lastPoll_ = std::chrono::steady_clock::now();
    }
    return stopped_;
}

}  // namespace corvane
