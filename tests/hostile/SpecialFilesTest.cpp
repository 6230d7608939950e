// Pipes and devices where a machine's files belong: a pipe blocks whoever
// opens or reads it, a device never ends. Each program must end, with an
// error that names the file.
#include "platform/Files.h"
#include "platform/WinPath.h"
#include "tests/hostile/HostileMachine.h"
#include "tools/Install.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace velkan;
namespace fs = std::filesystem;

namespace {

struct PipeCase {
    const char* winPath;  // the file the pipe stands in for
    const char* shownAs;  // how an error names it
};

constexpr PipeCase kPipes[] = {
    {"C:\\MSDOS.SYS", "msdos.sys"},
    {"C:\\WINDOWS\\EXPLORER.EXE", "explorer.exe"},
    {"C:\\Program Files\\Velkan\\Sample Theme Pack\\index.vkr", "index.vkr"},
};

} // namespace

TEST(HostileSpecialFiles, APipeAsAFileOfTheMachineHangsNoProgram) {
    for (const PipeCase& pipe : kPipes) {
        SCOPED_TRACE(pipe.winPath);
        test::AppMachine m;
        ASSERT_TRUE(machine::installVelkan(m.machine.root()));
        auto host = platform::resolveWinPath(m.machine, pipe.winPath);
        ASSERT_TRUE(host) << host.error().message;
        test::makePipe(*host);
        const auto env = test::headless(m);
        const std::string root = m.machine.root().string();

        const auto autoload = test::runLimited(test::velkrun(), {"/t"}, env);
        EXPECT_FALSE(test::hung(autoload)) << "velkrun /t";
        const auto boot = test::runLimited(test::machineTool(), {"boot", root}, env);
        EXPECT_FALSE(test::hung(boot)) << "boot";
        const auto show = test::runLimited(test::machineTool(), {"show", root}, env);
        EXPECT_FALSE(test::hung(show)) << "show";
        const auto check = test::runLimited(test::machineTool(), {"check", root}, env);
        EXPECT_FALSE(test::hung(check)) << "check";
        // The shell files are what check is about: it says which one is wrong.
        if (std::string(pipe.shownAs) != "index.vkr") {
            EXPECT_NE(check.exitCode, 0);
            EXPECT_TRUE(test::mentions(check.out + check.err, pipe.shownAs))
                << check.out << check.err;
        }
        EXPECT_EQ(fs::status(*host).type(), fs::file_type::fifo) << "the pipe was replaced";
    }
}

TEST(HostileSpecialFiles, ADeviceIsNeitherCopiedNorReadAndTheErrorNamesIt) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    test::AppMachine m;
    const auto sav = m.windowsFile("EXPLORER.SAV");
    fs::remove(sav);
    // /dev/null's numbers: should the refusal fail, the copy still ends.
    ASSERT_EQ(::mknod(sav.c_str(), S_IFCHR | 0644, makedev(1, 3)), 0);

    auto copied = platform::copyFile(m.machine, "C:\\WINDOWS\\Explorer.sav",
                                     "C:\\WINDOWS\\Explorer.tmp", false);
    ASSERT_FALSE(copied);
    EXPECT_TRUE(test::mentions(copied.error().message, "Explorer.sav")) << copied.error().message;
    EXPECT_FALSE(fs::exists(m.windowsFile("Explorer.tmp")));

    auto read = platform::readWholeFile(m.machine, "C:\\WINDOWS\\Explorer.sav");
    ASSERT_FALSE(read);
    EXPECT_TRUE(test::mentions(read.error().message, "Explorer.sav"));
    // Nor is a device written to as the target of a copy.
    auto over = platform::copyFile(m.machine, "C:\\WINDOWS\\Explorer.exe",
                                   "C:\\WINDOWS\\Explorer.sav", false);
    ASSERT_FALSE(over);
    EXPECT_TRUE(test::mentions(over.error().message, "Explorer.sav"));

    // The customiser starts from the backup: it says so instead of filling the disk.
    const auto autoload = test::runLimited(test::velkrun(), {"/t"}, test::headless(m));
    EXPECT_FALSE(test::hung(autoload));
}
