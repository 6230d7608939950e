#include "platform/Shell.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace velkan::platform;
using velkan::test::readFile;
using velkan::test::TempDir;
using velkan::test::writeFile;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

fs::path script(const fs::path& file, const std::string& body) {
    writeFile(file, "#!/bin/sh\n" + body);
    chmod(file.c_str(), 0755);
    return file;
}

std::vector<std::string> events(const Shell& shell) {
    return *shell.journal().events();
}

class ShellTest : public ::testing::Test {
protected:
    ShellTest() : shell(Machine(machineDir.path())) {
        fs::create_directories(machineDir / "drive_c" / "WINDOWS");
        writeFile(machineDir / "drive_c" / "WINDOWS" / "EXPLORER.EXE", "MZ");
        writeFile(machineDir / "drive_c" / "VELKAN" / "README.TXT", "read me");
        opener =
            script(tools / "opener", "printf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened\"\n");
    }

    std::string opened() {
        return fs::exists(tools / "opened") ? readFile(tools / "opened") : std::string();
    }

    TempDir machineDir;
    TempDir tools;
    fs::path opener;
    Shell shell;
};

} // namespace

TEST_F(ShellTest, OpensMachineFilesAndFoldersAtTheirHostPaths) {
    ScopedEnv useOpener("VELKAN_OPENER", opener.string());
    EXPECT_GT(shell.ShellExecute("open", "C:\\Velkan\\Readme.txt"), 32);
    EXPECT_GT(shell.ShellExecute("", "c:\\velkan"), 32);
    EXPECT_GT(shell.ShellExecute("open", "readme.txt", "", "C:\\VELKAN"), 32);
    EXPECT_EQ(opened(), (machineDir / "drive_c" / "VELKAN" / "README.TXT").string() + "\n" +
                            (machineDir / "drive_c" / "VELKAN").string() + "\n" +
                            (machineDir / "drive_c" / "VELKAN" / "README.TXT").string() + "\n");
    EXPECT_EQ(events(shell),
              (std::vector<std::string>{"open C:\\Velkan\\Readme.txt", "open c:\\velkan",
                                        "open C:\\VELKAN\\readme.txt"}));
}

TEST_F(ShellTest, AddressesGoToTheOpenerUntouched) {
    ScopedEnv useOpener("VELKAN_OPENER", opener.string());
    std::string mail = "mailto:vk@example.com?subject=Velkan 2.51&body=$(touch x);`id`";
    EXPECT_GT(shell.ShellExecute("open", mail), 32);
    EXPECT_GT(shell.ShellExecute("open", "HTTPS://example.com/a b"), 32);
    EXPECT_EQ(opened(), mail + "\nHTTPS://example.com/a b\n");
}

TEST_F(ShellTest, FailuresReturnShellExecuteCodesAndOpenNothing) {
    ScopedEnv useOpener("VELKAN_OPENER", opener.string());
    EXPECT_EQ(shell.ShellExecute("open", "C:\\Velkan\\Missing.txt"), SE_ERR_FNF);
    EXPECT_EQ(shell.ShellExecute("open", "C:\\Nowhere\\Readme.txt"), SE_ERR_PNF);
    EXPECT_EQ(shell.ShellExecute("open", "Error\\Readme.txt"), SE_ERR_PNF); // relative
    EXPECT_EQ(shell.ShellExecute("open", ""), SE_ERR_FNF);
    EXPECT_EQ(shell.ShellExecute("print", "C:\\Velkan\\Readme.txt"), SE_ERR_NOASSOC);
    EXPECT_EQ(shell.ShellExecute("open", "javascript:alert(1)"), SE_ERR_NOASSOC);
    EXPECT_EQ(opened(), "");
    EXPECT_TRUE(events(shell).empty());
}

TEST_F(ShellTest, OpenerThatFailsOrIsMissingIsNoAssociation) {
    {
        ScopedEnv failing("VELKAN_OPENER", script(tools / "failing", "exit 3\n").string());
        EXPECT_EQ(shell.ShellExecute("open", "http://example.com"), SE_ERR_NOASSOC);
    }
    {
        ScopedEnv gone("VELKAN_OPENER", (tools / "no-such-opener").string());
        EXPECT_EQ(shell.ShellExecute("open", "http://example.com"), SE_ERR_NOASSOC);
    }
    EXPECT_TRUE(events(shell).empty());
}

TEST_F(ShellTest, StartingTheShellIsJournalledEachTime) {
    ASSERT_TRUE(shell.CreateProcess("C:\\WINDOWS\\Explorer.exe").ok());
    ASSERT_TRUE(shell.CreateProcess("c:\\windows\\explorer.EXE").ok());
    EXPECT_EQ(events(shell), (std::vector<std::string>{"start shell C:\\WINDOWS\\Explorer.exe",
                                                       "start shell c:\\windows\\explorer.EXE"}));
}

TEST_F(ShellTest, StartingAProgramThatIsNotThereFails) {
    Status missing = shell.CreateProcess("C:\\WINDOWS\\Progman.exe");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, WinError::FileNotFound);
    Status noFolder = shell.CreateProcess("C:\\WIN95\\Explorer.exe");
    ASSERT_FALSE(noFolder.ok());
    EXPECT_EQ(noFolder.error().code, WinError::PathNotFound);
    EXPECT_FALSE(shell.CreateProcess("Error\\Explorer.exe").ok());
    EXPECT_FALSE(shell.CreateProcess("C:\\WINDOWS").ok()); // a folder
    EXPECT_TRUE(events(shell).empty());
}

TEST_F(ShellTest, RestartRunsTheMachineStart) {
    fs::path boot =
        script(tools / "velkan-machine", "printf '%s|' \"$@\" > \"$(dirname \"$0\")/booted\"\n");
    ScopedEnv useTool("VELKAN_MACHINE_TOOL", boot.string());
    ASSERT_TRUE(shell.ExitWindowsEx(EWX_REBOOT, 0).ok());
    EXPECT_EQ(readFile(tools / "booted"), "boot|" + machineDir.path().string() + "|");
    EXPECT_EQ(events(shell),
              (std::vector<std::string>{"restart requested (flags 0x2, reserved 0x0)"}));
}

TEST_F(ShellTest, LogOffIsOnlyJournalled) {
    fs::path boot = script(tools / "velkan-machine", "touch \"$(dirname \"$0\")/booted\"\n");
    ScopedEnv useTool("VELKAN_MACHINE_TOOL", boot.string());
    ASSERT_TRUE(shell.ExitWindowsEx(EWX_LOGOFF, 0xFFFFFFFF).ok());
    EXPECT_FALSE(fs::exists(tools / "booted"));
    EXPECT_EQ(events(shell),
              (std::vector<std::string>{"log-off requested (flags 0x0, reserved 0xFFFFFFFF)"}));
}

TEST_F(ShellTest, FailedOrMissingMachineStartIsReportedAndJournalled) {
    {
        ScopedEnv failing("VELKAN_MACHINE_TOOL",
                          script(tools / "failing-boot", "exit 4\n").string());
        Status status = shell.ExitWindowsEx(EWX_REBOOT, 0);
        ASSERT_FALSE(status.ok());
        EXPECT_NE(status.error().message.find("exit code 4"), std::string::npos);
    }
    {
        ScopedEnv gone("VELKAN_MACHINE_TOOL", (tools / "nothing here").string());
        EXPECT_FALSE(shell.ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0).ok());
    }
    EXPECT_EQ(events(shell),
              (std::vector<std::string>{
                  "restart requested (flags 0x2, reserved 0x0)",
                  "machine start failed with exit code 4",
                  "restart requested (flags 0x6, reserved 0x0)",
                  "machine start could not run: " + (tools / "nothing here").string(),
              }));
}

TEST_F(ShellTest, MachineToolIsFoundOnPathWhenNotConfigured) {
    ScopedEnv unset("VELKAN_MACHINE_TOOL", "");
    {
        ScopedEnv emptyPath("PATH", tools.path().string());
        EXPECT_EQ(Shell::findMachineTool(), fs::path());
        EXPECT_FALSE(shell.ExitWindowsEx(EWX_REBOOT, 0).ok());
        EXPECT_EQ(events(shell).back(), "machine start could not run: velkan-machine not found");
    }
    fs::path onPath = script(tools / "velkan-machine", "exit 0\n");
    ScopedEnv path("PATH", tools.path().string() + ":/usr/bin:/bin");
    EXPECT_EQ(Shell::findMachineTool(), onPath);
}
