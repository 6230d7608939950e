#include "hidden/Random.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace velkan::hidden {
namespace {

TEST(RandomTest, StartsFromSeedZeroAndTakesTheHighHalfOfSeedTimesN) {
    RandomGenerator random;
    EXPECT_EQ(random.seed(), 0u);
    std::vector<std::uint32_t> drawn;
    for (int i = 0; i < 8; ++i)
        drawn.push_back(random.below(1000));
    EXPECT_EQ(drawn, (std::vector<std::uint32_t>{0, 31, 861, 202, 272, 671, 318, 161}));
    EXPECT_EQ(random.seed(), 694906232u);
}

TEST(RandomTest, EveryDrawStepsTheSeedWhateverTheRange) {
    RandomGenerator a, b;
    EXPECT_EQ(a.below(0), 0u);
    EXPECT_EQ(a.seed(), 1u);
    b.below(0xFFFFFFFFu);
    EXPECT_EQ(b.seed(), 1u);
    // 1 * (2^32 - 1) >> 32: the first number of any range is 0.
    RandomGenerator c;
    EXPECT_EQ(c.below(0xFFFFFFFFu), 0u);
    EXPECT_EQ(c.below(0xFFFFFFFFu), 134775813u);
}

TEST(RandomTest, DrawsFromSeveralThreadsLoseNoStep) {
    RandomGenerator random;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&random] {
            for (int i = 0; i < 10000; ++i)
                random.below(1000);
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(random.seed(), 1087532512u); // 20000 steps from 0
}

} // namespace
} // namespace velkan::hidden
