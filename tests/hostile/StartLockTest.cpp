// Windows' start and the customiser never work on one machine at once: the
// start waits for a running customiser, and the customiser's own restart
// still runs the autoload of the start it asks for.
#include "app/ProgramKeys.h"
#include "platform/InstanceLock.h"
#include "platform/Registry.h"
#include "tests/hostile/HostileMachine.h"
#include "tools/Install.h"
#include "tools/WindowsStart.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace velkan;
using platform::RootKey;
namespace fs = std::filesystem;

namespace {

// A pending swap: an OK whose restart was declined.
void applyStartText(const test::AppMachine& m, const std::string& text) {
    test::Session run(m);
    run.start();
    run.form().main.StartEdit.userSetText(text);
    run.declineRestart();
    run.form().OKBn.click();
}

} // namespace

TEST(HostileStartLock, TheStartWaitsForARunningCustomiserOrRefusesAfterItsPatience) {
    test::AppMachine m;
    applyStartText(m, "Go");
    ASSERT_FALSE(m.renameLines().empty());
    const std::string shell = m.bytes("Explorer.exe");
    auto held = platform::InstanceLock::tryAcquire(m.machine, platform::kCustomiserLockName);
    ASSERT_TRUE(held);

    auto refused = machine::startWindows(m.machine, std::chrono::milliseconds(200));
    ASSERT_FALSE(refused);
    EXPECT_TRUE(test::mentions(refused.error().message, "running")) << refused.error().message;
    EXPECT_EQ(m.bytes("Explorer.exe"), shell);
    EXPECT_FALSE(m.renameLines().empty());

    auto boot = std::async(std::launch::async, [&] {
        return test::runLimited(test::machineTool(), {"boot", m.machine.root().string()},
                                test::headless(m));
    });
    EXPECT_EQ(boot.wait_for(std::chrono::milliseconds(700)), std::future_status::timeout)
        << "the start did not wait";
    EXPECT_EQ(m.bytes("Explorer.exe"), shell);
    *held = platform::InstanceLock();
    const auto done = boot.get();
    EXPECT_EQ(done.exitCode, 0) << done.out << done.err;
    EXPECT_NE(m.bytes("Explorer.exe"), shell);
    EXPECT_TRUE(m.renameLines().empty());
}

TEST(HostileStartLock, TheRestartPromptsRebootRunsTheAutoloadOfTheStartItAsksFor) {
    if (!fs::exists(test::velkrun()))
        GTEST_SKIP() << "velkrun is not built in this tree";
    ::setenv("VELKAN_VELKRUN", test::velkrun().c_str(), 1);
    test::AppMachine m;
    ASSERT_TRUE(machine::installVelkan(m.machine.root()));
    {
        test::Session run(m);
        run.start();
        run.form().other.AutoCB.userClick();
        run.form().main.StartEdit.userSetText("Go");
        run.acceptRestart();
        run.form().OKBn.click();
        ASSERT_EQ(run.restartPrompts, std::vector<std::string>{"&Reboot"});
    }
    for (const auto& event : m.journal())
        EXPECT_EQ(event.find("autoload skipped"), std::string::npos) << event;
    auto key = m.registry().openKey(RootKey::CurrentUser, app::kProgramKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->queryDword(app::kLastThemeValue).valueOr(0), 1u) << "no autoload ran";
}
