// Every flow is killed at each of its disk steps in turn; after each kill the
// machine must start with the old look or the new one, its backups intact.
#include "tests/crash/Sweep.h"

#include <gtest/gtest.h>

using namespace velkan::crash;

class KilledAtEveryStep : public ::testing::TestWithParam<Scenario> {};

TEST_P(KilledAtEveryStep, LeavesAMachineThatStarts) {
    const FlowCase c = prepareFlow(GetParam().flow, GetParam().templateName);
    ASSERT_GT(c.steps, 0);
    // The undisturbed run tells the user nothing but the questions it asks.
    EXPECT_TRUE(c.cleanBoxes.empty() || std::string(GetParam().flow) == "remove")
        << c.cleanBoxes.front();
    const TableRow row = sweep(c, "kill");
    printTable("killed at every step", {row});
    EXPECT_EQ(row.runs, row.steps);
}

INSTANTIATE_TEST_SUITE_P(Flows, KilledAtEveryStep, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) {
                             std::string name = scenarioName(info.param);
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });
