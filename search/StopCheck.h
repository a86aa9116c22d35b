// How a running search hears a stop: it looks at the stop token at fixed
// points and at least every 20 ms in between.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "platform/StopToken.h"

namespace corvane {

class StopCheck {
  public:
    // `onPoll`, when given, runs at every look at the token (a seam for the
    // benchmark that times the gaps between polls).
    explicit StopCheck(const StopToken& token, std::function<void()> onPoll = {});

    // Looks at the token now. Once it has seen a stop it stays true.
    bool Poll();

    // Counts `work` small steps; every few hundred steps looks at the clock and
    // polls when 20 ms have passed since the last poll. Cheap enough to call
    // per compared pair.
    bool Tick(std::size_t work = 1) {
        counted_ += work;
        if (counted_ >= kStepsBetweenClockReads) {
            counted_ = 0;
            if (std::chrono::steady_clock::now() - lastPoll_ >= kInterval) {
                return Poll();
            }
        }
        return stopped_;
    }

    bool Stopped() const { return stopped_; }
    const StopToken& Token() const { return token_; }

  private:
    static constexpr std::size_t kStepsBetweenClockReads = 256;
    static constexpr std::chrono::milliseconds kInterval{20};

    const StopToken& token_;
    std::function<void()> onPoll_;
    std::chrono::steady_clock::time_point lastPoll_;
    std::size_t counted_ = 0;
    bool stopped_ = false;
};

}  // namespace corvane
