// velkan-machine create, show and boot, run as real processes on machine
// folders in temporary directories.
#include "platform/Journal.h"
#include "platform/Machine.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "shellpatch/BuildTable.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/BuildTexts.h"
#include "tools/ExplorerImage.h"
#include "tools/MachineBuilder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;
using namespace velkan;
using shellpatch::kBuilds;
using test::ProcessResult;
using test::readFile;
using test::TempDir;
using test::writeFile;

namespace {

ProcessResult machineTool(const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& env = {}) {
    return test::runProcess(test::tool("velkan-machine"), args, env);
}

std::string jsonText(std::u16string_view text) {
    std::string out = "\"";
    for (char c : machine::toUtf8(text))
        out += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

class MachineCommand : public ::testing::Test {
protected:
    TempDir temp;
    fs::path dir = temp / "machine";
    fs::path windows() const { return dir / "drive_c" / "WINDOWS"; }

    void create(int build = 0) {
        ASSERT_TRUE(machine::createMachine(dir, machine::MachineSpec{build, std::nullopt}));
    }
    std::string show(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args{"show", dir.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        ProcessResult r = machineTool(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    // An Explorer.new for the same build whose Start button says `text`.
    void writePatchedExplorer(const std::string& name, std::u16string_view text, int build = 0) {
        std::string exe = machine::makeExplorerImage(build);
        machine::putTextField(exe, kBuilds[build].startText.offset, kBuilds[build].startText.length,
                              text);
        writeFile(windows() / name, exe);
    }
};

} // namespace

TEST_F(MachineCommand, CreateThenShowPrintsEachBuildsOwnTexts) {
    for (const auto& build : kBuilds) {
        SCOPED_TRACE(std::string(build.itemCaption));
        const fs::path folder = temp / ("m" + std::to_string(build.position));
        ProcessResult made =
            machineTool({"create", "--build", std::string(build.itemCaption), folder.string()});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        ProcessResult shown = machineTool({"show", folder.string(), "--json"});
        ASSERT_EQ(shown.exitCode, 0) << shown.err;
        const std::string& json = shown.out;
        const int expected = build.position == 1 || build.position == 3 || build.position == 16
                                 ? build.position - 1
                                 : build.position;
        EXPECT_NE(json.find("\"position\": " + std::to_string(expected) + ","), std::string::npos)
            << json;
        const machine::BuildTexts& texts = machine::buildTexts(build.position);
        EXPECT_NE(json.find("\"startText\": " + jsonText(texts.startText)), std::string::npos)
            << json;
        EXPECT_NE(json.find("\"tooltip\": " + jsonText(texts.tooltip)), std::string::npos) << json;
        for (const auto& entry : shellpatch::kStartMenuEntries) {
            const std::string caption = "\"caption\": " + jsonText(texts.caption(entry.entry));
            if (shellpatch::entryInBuild(entry.entry, build.ie4))
                EXPECT_NE(json.find(caption), std::string::npos) << entry.name << json;
            else
                EXPECT_EQ(json.find("\"entry\": \"" + std::string(entry.name) + "\""),
                          std::string::npos);
        }
        EXPECT_NE(json.find("\"startIcons\": [10, 12, 14, 16, 22, 32]"), std::string::npos) << json;
        EXPECT_NE(json.find("\"userLayout\": " + std::to_string(build.position)),
                  std::string::npos);
        EXPECT_NE(json.find("\"width\": 21, \"height\": 130"), std::string::npos);
    }
}

TEST_F(MachineCommand, FreshMachineHasWindows95Settings) {
    create();
    EXPECT_NE(readFile(dir / "drive_c" / "MSDOS.SYS").find("WinDir=C:\\WINDOWS\r\n"),
              std::string::npos);
    EXPECT_GT(readFile(dir / "drive_c" / "MSDOS.SYS").size(), 1024u);
    EXPECT_TRUE(fs::is_directory(windows() / "Desktop"));
    EXPECT_TRUE(fs::is_directory(windows() / "Start Menu"));
    EXPECT_EQ(readFile(windows() / "SYSTEM" / "SHELL32.DLL").substr(0, 2), "MZ");

    const platform::Registry registry = platform::machineRegistry(platform::Machine(dir));
    auto folders =
        registry.openKey(platform::RootKey::CurrentUser,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    ASSERT_TRUE(folders);
    EXPECT_EQ(*folders->queryString("Start Menu"), "C:\\WINDOWS\\Start Menu");
    EXPECT_FALSE(
        registry.openKey(platform::RootKey::LocalMachine,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons"));
    EXPECT_EQ(registry.openKey(platform::RootKey::LocalMachine, "Enum\\Root\\*PNP0C05\\0000")
                  ->query("APMMenuSuspend")
                  ->data,
              std::string("\x01", 1));

    const std::string text = show();
    EXPECT_NE(text.find("Build:            0 \"English US IE4.01\""), std::string::npos) << text;
    EXPECT_NE(text.find("Icon size:        32"), std::string::npos) << text;
    EXPECT_NE(text.find("Hidden entries:   none"), std::string::npos) << text;

    // A second create does not overwrite the machine.
    EXPECT_FALSE(machine::createMachine(dir, machine::MachineSpec{3, std::nullopt}));
    ProcessResult again = machineTool({"create", "--build", "99", dir.string()});
    EXPECT_EQ(again.exitCode, 2);
}

TEST_F(MachineCommand, UserLayoutOfThePeTwinNeedsTheVariantSwitch) {
    ProcessResult made =
        machineTool({"create", "--build", "0", "--user-layout", "1", dir.string()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string json = show({"--json"});
    EXPECT_NE(json.find("\"position\": 0,"), std::string::npos);
    EXPECT_NE(json.find("\"userLayout\": 1"), std::string::npos) << json;
    EXPECT_NE(json.find("\"startIcons\": [10, 12, 14, 16, 22, 32]"), std::string::npos);
}

TEST_F(MachineCommand, ShowHonoursPoliciesAndShellIcons) {
    create(15); // no Log Off entry in this build
    const platform::Registry registry = platform::machineRegistry(platform::Machine(dir));
    auto policies =
        registry.createKey(platform::RootKey::LocalMachine,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer");
    policies->setBinary("NoRun", std::string("\x01\0\0\0", 4));
    policies->setDword("NoFind", 1);                               // another type: shown
    policies->setBinary("NoClose", std::string("\x02\0\0\0", 4));  // another number: shown
    policies->setBinary("NoLogoff", std::string("\x01\0\0\0", 4)); // no such entry here
    registry.openKey(platform::RootKey::LocalMachine, "Enum\\Root\\*PNP0C05\\0000")
        ->setBinary("APMMenuSuspend", std::string("\0", 1));
    registry
        .createKey(platform::RootKey::LocalMachine,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons")
        ->setString("21", "C:\\Program Files\\Velkan\\Sun Theme Pack\\4.ico,0");

    const std::string json = show({"--json"});
    EXPECT_NE(json.find("\"hidden\": [\"Run\", \"Suspend\"]"), std::string::npos) << json;
    EXPECT_NE(json.find("\"shellIcons\": {\"21\": \"C:\\\\Program Files\\\\Velkan\\\\Sun Theme "
                        "Pack\\\\4.ico,0\"}"),
              std::string::npos)
        << json;
    const std::string text = show();
    EXPECT_NE(text.find("21 (Settings) = C:\\Program Files"), std::string::npos) << text;
}

TEST_F(MachineCommand, BootSwapsRenamedFilesAndShowSeesThemBeforeAndAfter) {
    create();
    writePatchedExplorer("Explorer.new", u"Hello");
    writeFile(windows() / "Explorer.sav", readFile(windows() / "EXPLORER.EXE"));
    writeFile(windows() / "WinInit.ini",
              "[Rename]\r\nC:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new\r\n");

    // Before the start: show tells what the next start brings, --now the live file.
    EXPECT_NE(show({"--json"}).find("\"startText\": \"Hello\""), std::string::npos);
    EXPECT_NE(show({"--json", "--now"}).find("\"startText\": \"Start\""), std::string::npos);
    EXPECT_TRUE(fs::exists(windows() / "Explorer.new")); // show changed nothing
    EXPECT_NE(show().find("Shell file:       C:\\WINDOWS\\Explorer.new (after the pending swap)"),
              std::string::npos)
        << show();

    ProcessResult booted = machineTool({"boot", dir.string()});
    ASSERT_EQ(booted.exitCode, 0) << booted.out << booted.err;
    EXPECT_FALSE(fs::exists(windows() / "Explorer.new"));
    EXPECT_FALSE(fs::exists(windows() / "WinInit.ini"));
    EXPECT_TRUE(fs::exists(windows() / "WinInit.bak"));
    // The file keeps the name it had on the disk.
    EXPECT_TRUE(fs::exists(windows() / "EXPLORER.EXE"));
    EXPECT_NE(show({"--json", "--now"}).find("\"startText\": \"Hello\""), std::string::npos);
    EXPECT_NE(show({"--json"}).find("\"startText\": \"Hello\""), std::string::npos);

    auto events = platform::Journal::ofMachine(platform::Machine(dir)).events();
    ASSERT_TRUE(events);
    EXPECT_EQ(events->front(), "boot");
    EXPECT_NE(events->at(1).find("replaced by C:\\WINDOWS\\Explorer.new"), std::string::npos);
}

TEST_F(MachineCommand, MissingReplacementIsSkippedAndTheShellFileStays) {
    create();
    const std::string user = readFile(windows() / "SYSTEM" / "USER.EXE");
    writePatchedExplorer("Explorer.new", u"Go");
    writeFile(windows() / "WININIT.INI",
              "; made by the setup\r\n[Rename]\r\n"
              "C:\\WINDOWS\\System\\User.exe=C:\\WINDOWS\\System\\User.new\r\n"
              "C:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new\r\n");
    EXPECT_NE(show().find("User file:        C:\\WINDOWS\\SYSTEM\\USER.EXE"), std::string::npos);

    ProcessResult booted = machineTool({"boot", dir.string()});
    EXPECT_EQ(booted.exitCode, 1); // reported
    EXPECT_NE(booted.out.find("User.new is missing"), std::string::npos) << booted.out;
    EXPECT_EQ(readFile(windows() / "SYSTEM" / "USER.EXE"), user);
    // The line after it was still done, and the ini is renamed as always.
    EXPECT_NE(show({"--json"}).find("\"startText\": \"Go\""), std::string::npos);
    EXPECT_TRUE(fs::exists(windows() / "WININIT.BAK"));
}

TEST_F(MachineCommand, NulLinesDeleteEveryFileTheyName) {
    create();
    writeFile(windows() / "Explorer.sav", "old backup");
    writeFile(windows() / "SYSTEM" / "User.sav", "old backup");
    writeFile(windows() / "WinInit.bak", "from an earlier start");
    writeFile(windows() / "WinInit.ini", "[Rename]\nNUL=C:\\WINDOWS\\Explorer.sav\n"
                                         "nul=C:\\windows\\system\\user.sav\n"
                                         "NUL=C:\\WINDOWS\\Gone.tmp\n");
    ProcessResult booted = machineTool({"boot", dir.string()});
    EXPECT_EQ(booted.exitCode, 0) << booted.out << booted.err;
    EXPECT_FALSE(fs::exists(windows() / "Explorer.sav"));
    EXPECT_FALSE(fs::exists(windows() / "SYSTEM" / "User.sav"));
    EXPECT_TRUE(fs::exists(windows() / "EXPLORER.EXE"));
    EXPECT_EQ(readFile(windows() / "WinInit.bak"), "[Rename]\nNUL=C:\\WINDOWS\\Explorer.sav\n"
                                                   "nul=C:\\windows\\system\\user.sav\n"
                                                   "NUL=C:\\WINDOWS\\Gone.tmp\n");
}

TEST_F(MachineCommand, BootStartsVelkrunForTheAutoloadAndJournalsOtherPrograms) {
    create();
    const platform::Registry registry = platform::machineRegistry(platform::Machine(dir));
    registry.createKey(platform::RootKey::CurrentUser, "Software\\Velkan")
        ->setString("Location", "C:\\Program Files\\Velkan\\");
    registry
        .createKey(platform::RootKey::CurrentUser,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Run")
        ->setString("VKR Theme Packs", "C:\\Program Files\\Velkan\\Velkrun.exe /t");
    const fs::path record = temp / "velkrun-ran.txt";
    const fs::path fake = temp / "velkrun";
    writeFile(fake, "#!/bin/sh\necho \"$@|$VELKAN_MACHINE\" >> '" + record.string() + "'\n");
    fs::permissions(fake, fs::perms::owner_all);

    ProcessResult booted = machineTool({"boot", dir.string()}, {{"VELKAN_VELKRUN", fake.string()}});
    EXPECT_EQ(booted.exitCode, 0) << booted.out << booted.err;
    EXPECT_EQ(readFile(record), "/t|" + dir.string() + "\n");
    auto events = platform::Journal::ofMachine(platform::Machine(dir)).events();
    ASSERT_TRUE(events);
    bool trayRecorded = false;
    for (const auto& e : *events)
        trayRecorded = trayRecorded || e == "run SysTray.Exe (recorded)";
    EXPECT_TRUE(trayRecorded);
}
