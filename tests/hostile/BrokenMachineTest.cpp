// Machines that cannot be worked on say why, on every program's terminal,
// with a failing exit code, and in terms a user can act on.
#include "platform/Journal.h"
#include "tests/hostile/HostileMachine.h"
#include "tools/Install.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace velkan;
namespace fs = std::filesystem;

TEST(HostileBrokenMachine, ARegistryThatDoesNotParseIsReportedAndLeftAsItIs) {
    test::AppMachine m;
    ASSERT_TRUE(machine::installVelkan(m.machine.root()));
    test::breakRegistry(m);
    const std::string broken = test::readFile(test::registryFileOf(m));
    const auto env = test::headless(m);

    const auto autoload = test::runLimited(test::velkrun(), {"/t"}, env);
    EXPECT_NE(autoload.exitCode, 0);
    EXPECT_TRUE(test::mentions(autoload.err, "registry")) << autoload.err;

    const auto boot =
        test::runLimited(test::machineTool(), {"boot", m.machine.root().string()}, env);
    EXPECT_NE(boot.exitCode, 0);
    EXPECT_TRUE(test::mentions(boot.err, "registry")) << boot.err;
    EXPECT_EQ(boot.out.find("Windows has started."), std::string::npos) << boot.out;

    EXPECT_EQ(test::readFile(test::registryFileOf(m)), broken);
}

TEST(HostileBrokenMachine, AMissingDriveCIsNamedAsSuch) {
    test::AppMachine m;
    fs::remove_all(m.machine.driveC());
    const auto env = test::headless(m);
    const auto autoload = test::runLimited(test::velkrun(), {"/t"}, env);
    EXPECT_NE(autoload.exitCode, 0);
    EXPECT_TRUE(test::mentions(autoload.err, "drive c:")) << autoload.err;
    EXPECT_FALSE(test::mentions(autoload.err, "not supported")) << autoload.err;
    const auto boot =
        test::runLimited(test::machineTool(), {"boot", m.machine.root().string()}, env);
    EXPECT_NE(boot.exitCode, 0);
    EXPECT_TRUE(test::mentions(boot.err, "drive c:")) << boot.err;
}

TEST(HostileBrokenMachine, ControlBytesOfARenameLineReachNeitherJournalNorTerminalRaw) {
    test::AppMachine m;
    const std::string nul("\0", 1);
    test::writeFile(m.windowsFile("WININIT.INI"),
                    "[Rename]\r\nC:\\WINDOWS\\A" + nul + "B.EXE=C:\\WINDOWS\\X" + nul +
                        "\x1b[2J.NEW\r\n");
    const auto boot = test::runLimited(test::machineTool(), {"boot", m.machine.root().string()},
                                       test::headless(m));
    EXPECT_FALSE(test::hung(boot));
    EXPECT_EQ(boot.out.find('\0'), std::string::npos);
    EXPECT_EQ(boot.out.find('\x1b'), std::string::npos);
    // The whole line came out, the bytes spelt.
    EXPECT_NE(boot.out.find("A\\x00B.EXE"), std::string::npos) << boot.out;
    EXPECT_NE(boot.out.find("Windows has started."), std::string::npos) << boot.out;

    const std::string journal = test::readFile(m.machine.journalFile());
    EXPECT_EQ(journal.find('\0'), std::string::npos);
    EXPECT_EQ(journal.find('\x1b'), std::string::npos);
    EXPECT_NE(journal.find("A\\x00B.EXE"), std::string::npos) << journal;
}
