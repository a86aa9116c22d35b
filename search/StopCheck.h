// How a running search hears the Stop button: it reads `Stop` from the
// settings store at fixed points and at least every 20 ms in between.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>

#include "platform/SettingsStore.h"

namespace corvane {

class StopCheck {
  public:
    // `cancel`, when given, stops the search as well: the program is ending.
    explicit StopCheck(SettingsStore& store, const std::atomic<bool>* cancel = nullptr);

    // Reads `Stop` now. Once it has read "True" it stays true.
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

  private:
    static constexpr std::size_t kStepsBetweenClockReads = 256;
    static constexpr std::chrono::milliseconds kInterval{20};

    SettingsStore& store_;
    const std::atomic<bool>* cancel_;
    std::chrono::steady_clock::time_point lastPoll_;
    std::size_t counted_ = 0;
    bool stopped_ = false;
};

}  // namespace corvane
