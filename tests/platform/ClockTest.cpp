#include "platform/Clock.h"

#include <gtest/gtest.h>

using namespace velkan::platform;
using namespace std::chrono_literals;

TEST(ManualClock, WaitAdvancesAtOncePumpsAndIsRecorded) {
    ManualClock clock(5s);
    int pumps = 0;
    clock.wait(4320ms, [&] { ++pumps; });
    clock.wait(0ms);
    EXPECT_EQ(clock.now(), 5s + 4320ms);
    EXPECT_EQ(pumps, 1);
    EXPECT_EQ(clock.waits(), (std::vector<Clock::Duration>{4320ms, 0ms}));
    clock.advance(80ms);
    EXPECT_EQ(clock.now(), 9400ms);
    EXPECT_EQ(clock.tickCount(), 9400u);
}

TEST(ManualClock, TickCountWrapsLikeGetTickCount) {
    ManualClock clock(std::chrono::milliseconds(0xFFFFFFFFull));
    EXPECT_EQ(clock.tickCount(), 0xFFFFFFFFu);
    clock.advance(3ms);
    EXPECT_EQ(clock.tickCount(), 2u);
}

TEST(SteadyClock, WaitPumpsRepeatedlyUntilTheTimeHasPassed) {
    SteadyClock& clock = steadyClock();
    int pumps = 0;
    auto before = clock.now();
    clock.wait(60ms, [&] { ++pumps; });
    EXPECT_GE(clock.now() - before, 60ms);
    EXPECT_GE(pumps, 2);
}
