// Every flow is killed at each of its disk steps in turn; after each kill the
// machine must start with the old look or the new one, its backups intact.
// On a machine whose drive C: is a disk image the volume must moreover hold
// nothing worse than what a power cut leaves a FAT disk: clusters no file
// owns, and nothing at all once a run was let finish.
#include "tests/crash/Sweep.h"

#include <gtest/gtest.h>

using namespace velkan::crash;

namespace {

// Every image write is a step, and each run copies the whole disk and has
// fsck.fat judge it twice: on an image a flow's steps are sampled.
constexpr long kImageSteps = 40;

std::string testName(const ::testing::TestParamInfo<Scenario>& info) {
    std::string name = scenarioName(info.param);
    for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

} // namespace

class KilledAtEveryStep : public ::testing::TestWithParam<Scenario> {};

TEST_P(KilledAtEveryStep, LeavesAMachineThatStarts) {
    const Scenario& s = GetParam();
    const FlowCase c = prepareFlow(s.flow, s.templateName, s.drive);
    ASSERT_GT(c.steps, 0);
    // The undisturbed run tells the user nothing but the questions it asks.
    EXPECT_TRUE(c.cleanBoxes.empty() || std::string(s.flow) == "remove") << c.cleanBoxes.front();
    const long most = s.drive == Drive::Image ? kImageSteps : 0;
    const TableRow row = sweep(c, "kill", 1, most);
    printTable("killed at every step", {row});
    EXPECT_EQ(row.runs, static_cast<long>(sweptSteps(c.steps, 1, most).size()));
}

INSTANTIATE_TEST_SUITE_P(Flows, KilledAtEveryStep, ::testing::ValuesIn(kScenarios), testName);
INSTANTIATE_TEST_SUITE_P(ImageFlows, KilledAtEveryStep, ::testing::ValuesIn(imageScenarios()),
                         testName);

// The image sweeps judge a run by what the harness reads inside the image:
// the same machine kept both ways must read alike, file for file and value
// for value.
TEST(ImageSnapshot, ReadsWhatTheFolderMachineHolds) {
    const MachineState folder = snapshot(templateMachine("installed"));
    const MachineState image = snapshot(templateMachine("installed", Drive::Image));
    auto byLowerName = [](const std::map<std::string, std::string>& files) {
        std::map<std::string, std::string> out;
        for (const auto& [path, bytes] : files) {
            std::string key = path;
            for (char& ch : key)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            out[key] = bytes;
        }
        return out;
    };
    const auto want = byLowerName(folder.files), got = byLowerName(image.files);
    EXPECT_GT(got.size(), 20u);
    for (const auto& [path, bytes] : want) {
        auto it = got.find(path);
        if (it == got.end())
            ADD_FAILURE() << path << " is missing from the image";
        else if (it->second != bytes)
            ADD_FAILURE() << path << " reads differently from the image";
    }
    for (const auto& [path, _] : got)
        if (!want.count(path))
            ADD_FAILURE() << path << " is only in the image";
    EXPECT_EQ(image.values, folder.values);
}
