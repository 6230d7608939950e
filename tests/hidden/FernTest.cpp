#include "hidden/Fern.h"

#include <gtest/gtest.h>
#include <set>
#include <utility>
#include <vector>

namespace velkan::hidden {
namespace {

using platform::GetBValue;
using platform::GetGValue;
using platform::GetRValue;

std::vector<Pixel> wholeFern(RandomGenerator& random) {
    std::vector<Pixel> all;
    EXPECT_TRUE(drawFern(random, [&all](std::vector<Pixel> batch) {
        all.insert(all.end(), batch.begin(), batch.end());
    }));
    return all;
}

TEST(FernTest, MapChoiceSplitsTheThousandAt10_860_And930) {
    const std::pair<std::uint32_t, int> cases[] = {{0, 0},   {10, 0},  {11, 1},  {860, 1},
                                                   {861, 2}, {930, 2}, {931, 3}, {999, 3}};
    for (auto [r, map] : cases)
        EXPECT_EQ(fernMapFor(r), map) << r;
}

TEST(FernTest, RedRisesEverySecondPointFrom250AndWrapsAtTheTwelfth) {
    RandomGenerator random;
    Fern fern(random);
    const int expected[] = {250, 251, 251, 252, 252, 253, 253, 254, 254, 255, 255, 0, 0, 1};
    for (int i = 0; i < 14; ++i) {
        const Pixel p = fern.next();
        EXPECT_EQ(GetRValue(p.colour), expected[i]) << "point " << i + 1;
        EXPECT_EQ(GetGValue(p.colour), 0);
        EXPECT_EQ(GetBValue(p.colour), 0);
        EXPECT_EQ(p.colour >> 24, 0u);
    }
}

TEST(FernTest, FirstPointsFollowTheMapsTheGeneratorPicks) {
    // The first numbers below 1000 are 0, 31, 861 and 202: the stem, the
    // frond, a left leaf and the frond again.
    RandomGenerator random;
    Fern fern(random);
    EXPECT_EQ(fern.next(), (Pixel{128, 0, platform::RGB(250, 0, 0)}));  // (0, 0)
    EXPECT_EQ(fern.next(), (Pixel{128, 35, platform::RGB(251, 0, 0)})); // (0, 1.6)
    const Pixel third = fern.next();                                    // (-0.416, 1.952)
    EXPECT_EQ(std::pair(third.x, third.y), std::pair(115, 43));
    EXPECT_NEAR(fern.x().value(), -0.416, 1e-11);
    EXPECT_NEAR(fern.y().value(), 1.952, 1e-11);
    const Pixel fourth = fern.next(); // (-0.27552, 3.27584)
    EXPECT_EQ(std::pair(fourth.x, fourth.y), std::pair(119, 72));
    EXPECT_NEAR(fern.x().value(), -0.27552, 1e-11);
    EXPECT_NEAR(fern.y().value(), 3.27584, 1e-11);
}

TEST(FernTest, FirstFernOfARunIsAlwaysTheSameAndTheNextDiffersInPointsNotInShape) {
    RandomGenerator run1, run2;
    const auto first = wholeFern(run1);
    ASSERT_EQ(first.size(), std::size_t(kFernPoints));
    EXPECT_EQ(wholeFern(run2), first);

    const auto second = wholeFern(run1);
    ASSERT_EQ(second.size(), std::size_t(kFernPoints));
    EXPECT_NE(second, first);

    // Both stand on their tip inside the paint box and, seen in 8 x 8 cells,
    // cover nearly the same places.
    std::set<std::pair<int, int>> a, b;
    for (const Pixel& p : first)
        a.insert({p.x / 8, p.y / 8});
    for (const Pixel& p : second)
        b.insert({p.x / 8, p.y / 8});
    int shared = 0;
    for (const auto& cell : b)
        shared += a.count(cell) != 0;
    EXPECT_GT(shared, int(b.size()) * 9 / 10);
    for (const auto* fern : {&first, &second}) {
        for (const Pixel& p : *fern) {
            ASSERT_GE(p.x, 0);
            ASSERT_LT(p.x, 321);
            ASSERT_GE(p.y, 0);
            ASSERT_LT(p.y, 257);
        }
    }
}

TEST(FernTest, StopsBetweenBatchesWhenAskedAndSaysItDidNotFinish) {
    RandomGenerator random;
    std::stop_source stop;
    stop.request_stop();
    std::size_t delivered = 0;
    EXPECT_FALSE(drawFern(
        random, [&delivered](std::vector<Pixel> batch) { delivered += batch.size(); },
        stop.get_token()));
    EXPECT_GT(delivered, 0u);
    EXPECT_LT(delivered, std::size_t(kFernPoints));
}

} // namespace
} // namespace velkan::hidden
