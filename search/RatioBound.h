// How many shared words a close match needs: the word-count side of the
// threshold, from the same division the ratio uses.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

// For one threshold T. A pair (i, j) is close when matched / max(count i,
// count j) > T, matched being i's words (with repetition) found among j's.
// Need(L) is the fewest matched words that pass with a larger count of L; as
// matched <= count i, j has at most Longest(count i) words. Both are worked
// out with the ratio's own double division, so no rounding lets a bound drop
// a pair the ratio would keep.
class RatioBound {
  public:
    explicit RatioBound(double threshold) : threshold_(threshold) {
        for (std::uint32_t count = 0; count < kTable; ++count) {
            need_.push_back(ComputeNeed(count));
        }
        for (std::uint32_t count = 0; count < kTable; ++count) {
            longest_.push_back(ComputeLongest(count));
        }
    }

    bool Passes(std::size_t matched, std::size_t larger) const {
        return static_cast<double>(matched) / static_cast<double>(larger) > threshold_;
    }
    std::uint32_t Need(std::uint32_t count) const {
        return count < kTable ? need_[count] : ComputeNeed(count);
    }
    std::uint32_t Longest(std::uint32_t count) const {
        return count < kTable ? longest_[count] : ComputeLongest(count);
    }

  private:
    static constexpr std::uint32_t kTable = 256;

    // Starts at T * count and steps to the exact edge; count + 1 when no
    // number of words passes.
    std::uint32_t ComputeNeed(std::uint32_t count) const {
        const double guess = std::clamp(threshold_ * count, 1.0, count + 1.0);
        auto matched = static_cast<std::uint32_t>(guess);
        while (matched > 1 && Passes(matched - 1, count)) {
            --matched;
        }
        while (matched <= count && !Passes(matched, count)) {
            ++matched;
        }
        return matched;
    }
    // Need grows with the count: the last count it allows, by bisection
    // between count itself and count / T + 2 (the threshold is at least 0.4).
    std::uint32_t ComputeLongest(std::uint32_t count) const {
        std::uint64_t low = std::max(count, 1u);
        const std::uint64_t bound = static_cast<std::uint64_t>(count / threshold_) + 2;
        std::uint64_t high = std::min<std::uint64_t>(bound, UINT32_MAX - 1);
        while (low < high) {
            const std::uint64_t middle = (low + high + 1) / 2;
            if (ComputeNeed(static_cast<std::uint32_t>(middle)) <= count) {
                low = middle;
            } else {
                high = middle - 1;
            }
        }
        return static_cast<std::uint32_t>(low);
    }

    double threshold_;
    std::vector<std::uint32_t> need_;
    std::vector<std::uint32_t> longest_;
};

}  // namespace corvane
