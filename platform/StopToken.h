// One way to ask running work to stop: the Stop button, Escape, or the
// program ending trips the token; the search, the walk, the content reads and
// a send poll it. Tripping is sticky until Reset, which the owner calls only
// while no work runs.
#pragma once

#include <atomic>

namespace corvane {

class StopToken {
  public:
    void Stop() { stopped_.store(true, std::memory_order_relaxed); }
    bool Stopped() const { return stopped_.load(std::memory_order_relaxed); }
    void Reset() { stopped_.store(false, std::memory_order_relaxed); }

  private:
    std::atomic<bool> stopped_{false};
};

}  // namespace corvane
