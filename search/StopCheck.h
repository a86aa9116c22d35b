// The search's only way to hear the Stop button: yield to the caller, then read
// `Stop` from the settings store, at fixed points and at least every 20 ms.
#pragma once

#include <chrono>
#include <cstddef>

#include "platform/SettingsStore.h"
#include "search/SearchObserver.h"

namespace corvane {

class StopCheck {
  public:
    StopCheck(SettingsStore& store, SearchObserver& observer);

    // Yields and reads `Stop` now. Once it has read "True" it stays true.
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
    SearchObserver& observer_;
    std::chrono::steady_clock::time_point lastPoll_;
    std::size_t counted_ = 0;
    bool stopped_ = false;
};

}  // namespace corvane
