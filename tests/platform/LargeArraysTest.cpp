#include "platform/LargeArrays.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace corvane {
namespace {

// Arrays on both sides of the 2 MiB line keep every element through growth
// across it, copies and a shrink, and give their storage back whole (a
// wrong length unmapped would fault on the next array).
TEST(LargeArrays, ElementsSurviveGrowthAcrossTheMappedSize) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    for (const std::size_t bytes :
         {std::size_t{64}, 2 * kMiB - 8, 2 * kMiB, 2 * kMiB + 8, 5 * kMiB + 24}) {
        SCOPED_TRACE(bytes);
        const std::size_t count = bytes / sizeof(std::uint64_t);
        LargeVector<std::uint64_t> values;
        for (std::size_t i = 0; i < count; ++i) {
            values.push_back(i * 0x9e3779b97f4a7c15ULL);
        }
        LargeVector<std::uint64_t> copy = values;
        values.resize(count / 3);
        values.shrink_to_fit();
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(copy[i], i * 0x9e3779b97f4a7c15ULL) << i;
        }
        for (std::size_t i = 0; i < values.size(); ++i) {
            ASSERT_EQ(values[i], copy[i]) << i;
        }
    }
}

}  // namespace
}  // namespace corvane
