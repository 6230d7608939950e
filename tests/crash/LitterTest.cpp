// A run killed in the middle of a write leaves its temporary file beside the
// target; the next run that writes the same file clears it away.
#include "tests/crash/Harness.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace velkan::crash;

TEST(Litter, TheNextRunClearsWhatAKilledRunLeft) {
    const FlowCase c = prepareFlow("ok", "installed");
    ASSERT_GT(c.steps, 0);
    long littered = 0;
    for (long k = 1; k <= c.steps; ++k) {
        velkan::test::TempDir dir;
        const fs::path m = dir / "m";
        copyMachine(templateMachine("installed"), m);
        ASSERT_TRUE(runFlow("ok", m, {{"VELKAN_FAULT", "kill@" + std::to_string(k)}}).killed());
        const auto left = snapshot(m).litter;
        if (left.empty())
            continue;
        ++littered;
        const DriverRun again = runFlow("ok", m);
        EXPECT_EQ(again.process.exitCode, 0) << again.process.err;
        const auto still = snapshot(m).litter;
        EXPECT_TRUE(still.empty()) << "kill@" << k << " left " << left.front() << ", still "
                                   << (still.empty() ? "" : still.front());
    }
    EXPECT_GT(littered, 0) << "no kill left a temporary file, so nothing was proved";
}
