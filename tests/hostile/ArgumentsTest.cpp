// A Run value may carry any words after "/t"; Qt's own options among them
// once had the customiser load a plugin from the machine's drive C:.
#include "app/ProgramKeys.h"
#include "platform/Registry.h"
#include "tests/hostile/HostileMachine.h"
#include "tools/Install.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace velkan;
using platform::RootKey;
namespace fs = std::filesystem;

#ifdef VELKAN_MARK_PLUGIN

TEST(HostileArguments, QtOptionsFromARunValueLoadNothingFromTheMachineAndTheAutoloadStillRuns) {
    test::AppMachine m;
    ASSERT_TRUE(machine::installVelkan(m.machine.root()));
    const fs::path plugins = m.machine.driveC() / "Evil";
    fs::create_directories(plugins);
    fs::copy_file(VELKAN_MARK_PLUGIN, plugins / fs::path(VELKAN_MARK_PLUGIN).filename());
    const fs::path mark = m.machine.root().parent_path() / "mark";
    const std::vector<std::string> qtOptions = {"-platformpluginpath", plugins.string(), "-platform",
                                                "velkanmark"};

    // The plugin is a working detector: asked for by the host's own settings,
    // Qt loads it (and then gives up, as it is no platform at all).
    auto env = test::headless(m);
    env["VELKAN_TEST_MARK"] = mark.string();
    {
        auto trusted = env;
        trusted["QT_QPA_PLATFORM"] = "velkanmark";
        trusted["QT_QPA_PLATFORM_PLUGIN_PATH"] = plugins.string();
        test::runLimited(test::velkrun(), {}, trusted);
        ASSERT_TRUE(fs::exists(mark)) << "the plugin never loads, so it proves nothing";
        fs::remove(mark);
    }

    // Windows' start hands the words of the Run value over.
    std::string command = std::string(machine::kProgramFolder) + "Velkrun.exe /t";
    for (const auto& option : qtOptions)
        command += " " + option;
    {
        auto run = m.registry().createKey(RootKey::CurrentUser, app::kRunKey);
        ASSERT_TRUE(run && run->setString(app::kRunValue, command));
        run->close();
    }
    env["QT_QPA_PLATFORM"] = "offscreen"; // velkrun then makes its QApplication
    const auto boot = test::runLimited(test::machineTool(), {"boot", m.machine.root().string()}, env);
    EXPECT_EQ(boot.exitCode, 0) << boot.out << boot.err;
    EXPECT_FALSE(fs::exists(mark)) << "the machine's plugin was loaded at its start";
    auto key = m.registry().openKey(RootKey::CurrentUser, app::kProgramKey);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->queryDword(app::kLastThemeValue).valueOr(0), 1u) << "the autoload did not run";

    // velkrun itself keeps its command line from Qt, whoever starts it.
    std::vector<std::string> args = {"/t"};
    args.insert(args.end(), qtOptions.begin(), qtOptions.end());
    const auto direct = test::runLimited(test::velkrun(), args, env);
    EXPECT_EQ(direct.exitCode, 0) << direct.err;
    EXPECT_FALSE(fs::exists(mark)) << "velkrun handed its arguments to Qt";
}

#endif
