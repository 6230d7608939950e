// The customiser's first run has the machine tool make the default machine,
// once, and only when no machine folder was chosen.
#include "app/FirstRun.h"

#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using namespace velkan;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(FirstRun, MakesAnInstalledMachineOnce) {
    test::TempDir temp;
    ScopedEnv tool("VELKAN_MACHINE_TOOL", VELKAN_TOOLS_BIN "/velkan-machine");
    ScopedEnv data("XDG_DATA_HOME", temp.path().c_str());
    ScopedEnv chosen("VELKAN_MACHINE", nullptr);
    const fs::path root = temp / "velkan" / "machine";
    fs::create_directories(root.parent_path());

    auto made = app::makeDemoMachineOnFirstRun();
    ASSERT_TRUE(made) << made.error().message;
    EXPECT_TRUE(*made);
    EXPECT_TRUE(fs::exists(root / "drive_c" / "WINDOWS" / "EXPLORER.EXE"));
    auto location = platform::machineRegistry(platform::Machine(root))
                        .openKey(platform::RootKey::CurrentUser, "Software\\Velkan");
    ASSERT_TRUE(location);
    EXPECT_EQ(*location->queryString("Location"), "C:\\Program Files\\Velkan\\");
    // Nothing of the making is left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(root.parent_path()))
        ++entries;
    EXPECT_EQ(entries, 1);

    fs::remove(root / "drive_c" / "MSDOS.SYS");
    auto again = app::makeDemoMachineOnFirstRun();
    ASSERT_TRUE(again);
    EXPECT_FALSE(*again); // an existing folder is never touched
    EXPECT_FALSE(fs::exists(root / "drive_c" / "MSDOS.SYS"));
}

TEST(FirstRun, ChosenMachineIsLeftAlone) {
    test::TempDir temp;
    ScopedEnv data("XDG_DATA_HOME", temp.path().c_str());
    ScopedEnv chosen("VELKAN_MACHINE", (temp / "elsewhere").c_str());
    auto made = app::makeDemoMachineOnFirstRun();
    ASSERT_TRUE(made);
    EXPECT_FALSE(*made);
    EXPECT_FALSE(fs::exists(temp / "velkan"));
    EXPECT_FALSE(fs::exists(temp / "elsewhere"));
}

TEST(FirstRun, WithoutTheMachineToolSaysSoAndLeavesNothing) {
    test::TempDir temp;
    ScopedEnv data("XDG_DATA_HOME", temp.path().c_str());
    ScopedEnv chosen("VELKAN_MACHINE", nullptr);
    ScopedEnv tool("VELKAN_MACHINE_TOOL", (temp / "no such tool").c_str());
    fs::create_directories(temp / "velkan");
    auto made = app::makeDemoMachineOnFirstRun();
    ASSERT_FALSE(made);
    EXPECT_NE(made.error().message.find("no such tool"), std::string::npos) << made.error().message;
    EXPECT_TRUE(fs::is_empty(temp / "velkan"));

    // A tool that fails: its exit code is told, and the half-made folder goes.
    ScopedEnv failing("VELKAN_MACHINE_TOOL", "/bin/false");
    made = app::makeDemoMachineOnFirstRun();
    ASSERT_FALSE(made);
    EXPECT_NE(made.error().message.find("exit code 1"), std::string::npos) << made.error().message;
    EXPECT_TRUE(fs::is_empty(temp / "velkan"));
}
