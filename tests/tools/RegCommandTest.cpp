// velkan-machine reg, run as a real process against a machine folder.
#include "platform/Machine.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using velkan::platform::Machine;
using velkan::platform::Registry;
using velkan::platform::RegValue;
using velkan::platform::RootKey;
using velkan::test::ProcessResult;
using velkan::test::readFile;
using velkan::test::TempDir;
using velkan::test::writeFile;

// A machine with a Windows folder, so the registry is its SYSTEM.DAT and
// USER.DAT; a registry.reg written into it makes it a machine folder of an
// earlier version.
class RegCommand : public ::testing::Test {
protected:
    RegCommand() { std::filesystem::create_directories(machine / "drive_c" / "WINDOWS"); }

    TempDir machine;
    std::filesystem::path windows(const std::string& name) const {
        return machine.path() / "drive_c" / "WINDOWS" / name;
    }

    ProcessResult reg(std::vector<std::string> args, const std::string& input = {}) {
        args.insert(args.begin(), "reg");
        return velkan::test::runProcess(velkan::test::tool("velkan-machine"), args,
                                        {{"VELKAN_MACHINE", machine.path().string()}}, input);
    }
    Registry registry() { return velkan::platform::machineRegistry(Machine(machine.path())); }
};

TEST_F(RegCommand, WritesWhatAnotherProcessReadsAndTheOtherWayRound) {
    ProcessResult added = reg({"add", "HKCU\\Software\\Velkan", "/v", "Location", "/d",
                               "C:\\Program Files\\Velkan\\", "/f"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(added.out, "The operation completed successfully.\n");
    EXPECT_EQ(
        *registry().openKey(RootKey::CurrentUser, "software\\velkan")->queryString("Location"),
        "C:\\Program Files\\Velkan\\");

    ASSERT_TRUE(
        registry().createKey(RootKey::CurrentUser, "Software\\Velkan")->setDword("Last Theme", 26));
    ProcessResult shown = reg({"query", "HKEY_CURRENT_USER\\Software\\Velkan"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, "\nHKEY_CURRENT_USER\\Software\\Velkan\n"
                         "    Location    REG_SZ    C:\\Program Files\\Velkan\\\n"
                         "    Last Theme    REG_DWORD    0x1a\n"
                         "\n");

    ProcessResult one = reg({"query", "hkcu\\software\\velkan", "/V", "last theme"});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(one.out, "\nHKEY_CURRENT_USER\\Software\\Velkan\n"
                       "    last theme    REG_DWORD    0x1a\n\n");
}

TEST_F(RegCommand, AddsEachTypeAndShowsItAsRegDoes) {
    const std::string key =
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    EXPECT_EQ(reg({"add", key, "/v", "NoRun", "/t", "REG_BINARY", "/d", "01000000"}).exitCode, 0);
    EXPECT_EQ(reg({"add", key, "/v", "Dec", "/t", "reg_dword", "/d", "4294967295"}).exitCode, 0);
    EXPECT_EQ(reg({"add", key, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%windir%"}).exitCode, 0);
    EXPECT_EQ(reg({"add", key, "/v", "Nothing", "/t", "REG_NONE"}).exitCode, 0);
    EXPECT_EQ(reg({"add", key, "/ve", "/d", "default"}).exitCode, 0);
    EXPECT_EQ(reg({"add", "HKCR\\.VKR", "/ve", "/d", "VKR_file"}).exitCode, 0);

    auto k = registry().openKey(RootKey::LocalMachine, key.substr(5));
    ASSERT_TRUE(k);
    EXPECT_EQ(*k->query("NoRun"), RegValue::binary(std::string("\1\0\0\0", 4)));
    EXPECT_EQ(*k->query("Dec"), RegValue::dword(0xffffffff));
    EXPECT_EQ(*k->query("Path"), RegValue::string("%windir%", velkan::platform::REG_EXPAND_SZ));
    EXPECT_EQ(*k->query("Nothing"), (RegValue{velkan::platform::REG_NONE, ""}));
    EXPECT_EQ(
        *registry().openKey(RootKey::LocalMachine, "Software\\Classes\\.vkr")->queryString(""),
        "VKR_file");

    ProcessResult shown = reg({"query", key});
    EXPECT_NE(shown.out.find("    NoRun    REG_BINARY    01000000\n"), std::string::npos);
    EXPECT_NE(shown.out.find("    Dec    REG_DWORD    0xffffffff\n"), std::string::npos);
    EXPECT_NE(shown.out.find("    Path    REG_EXPAND_SZ    %windir%\n"), std::string::npos);
    EXPECT_NE(shown.out.find("    (Default)    REG_SZ    default\n"), std::string::npos);

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "12z"},
             {"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "4294967296"},
             {"add", key, "/v", "x", "/t", "REG_BINARY", "/d", "123"},
             {"add", key, "/v", "x", "/t", "REG_QWORD", "/d", "1"},
             {"add", key, "/v"},
             {"add", "HKXX\\Software"},
             {"query", key, "/t", "REG_SZ"},
             {"frobnicate", key}}) {
        ProcessResult r = reg(bad);
        EXPECT_EQ(r.exitCode, 1) << bad[0] << " " << bad.back();
        EXPECT_NE(r.err.find("ERROR: Invalid syntax."), std::string::npos) << r.err;
    }
    EXPECT_EQ(k->query("x").error().code, velkan::platform::WinError::FileNotFound);
}

TEST_F(RegCommand, QueriesSubkeysAndDeletesWithConsent) {
    Registry r = registry();
    ASSERT_TRUE(
        r.createKey(RootKey::CurrentUser, "Software\\Velkan\\A\\Deep")->setString("s", "v"));
    ASSERT_TRUE(r.createKey(RootKey::CurrentUser, "Software\\Velkan\\B"));
    ASSERT_TRUE(r.openKey(RootKey::CurrentUser, "Software\\Velkan")->setDword("x", 1));
    ASSERT_TRUE(r.openKey(RootKey::CurrentUser, "Software\\Velkan")->setDword("y", 2));

    EXPECT_EQ(reg({"query", "HKCU\\Software\\Velkan"}).out,
              "\nHKEY_CURRENT_USER\\Software\\Velkan\n    x    REG_DWORD    0x1\n"
              "    y    REG_DWORD    0x2\n\n"
              "HKEY_CURRENT_USER\\Software\\Velkan\\A\nHKEY_CURRENT_USER\\Software\\Velkan\\B\n");
    EXPECT_EQ(reg({"query", "HKCU\\Software\\Velkan\\A", "/s"}).out,
              "\nHKEY_CURRENT_USER\\Software\\Velkan\\A\n\n"
              "HKEY_CURRENT_USER\\Software\\Velkan\\A\\Deep\n    s    REG_SZ    v\n\n");

    ProcessResult missing = reg({"query", "HKCU\\Software\\Nothing"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("unable to find"), std::string::npos);
    EXPECT_EQ(reg({"query", "HKCU\\Software\\Velkan", "/v", "z"}).exitCode, 1);
    EXPECT_EQ(reg({"delete", "HKCU\\Software\\Velkan", "/v", "z", "/f"}).exitCode, 1);

    ProcessResult refused = reg({"delete", "HKCU\\Software\\Velkan", "/v", "x"}, "n\n");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.out.find("Delete the registry value x (Yes/No)?"), std::string::npos);
    EXPECT_TRUE(r.openKey(RootKey::CurrentUser, "Software\\Velkan")->query("x"));
    EXPECT_EQ(reg({"delete", "HKCU\\Software\\Velkan", "/v", "X"}, "yes\n").exitCode, 0);
    EXPECT_FALSE(r.openKey(RootKey::CurrentUser, "Software\\Velkan")->query("x"));

    EXPECT_EQ(reg({"delete", "HKCU\\Software\\Velkan", "/va", "/f"}).exitCode, 0);
    EXPECT_TRUE(r.openKey(RootKey::CurrentUser, "Software\\Velkan")->values()->empty());
    EXPECT_TRUE(r.openKey(RootKey::CurrentUser, "Software\\Velkan\\A\\Deep")) << "/va keeps keys";

    EXPECT_EQ(reg({"delete", "HKCU\\Software\\Velkan"}, "").exitCode, 1) << "no answer is no";
    EXPECT_EQ(reg({"delete", "HKCU\\Software\\Velkan", "/f"}).exitCode, 0);
    EXPECT_FALSE(r.openKey(RootKey::CurrentUser, "Software\\Velkan"));
    EXPECT_TRUE(r.openKey(RootKey::CurrentUser, "Software"));
    EXPECT_EQ(reg({"delete", "HKCU\\Software\\Velkan", "/f"}).exitCode, 1);
    EXPECT_EQ(reg({"delete", "HKCU", "/f"}).exitCode, 1);
}

TEST_F(RegCommand, AddAsksBeforeOverwriting) {
    ASSERT_EQ(reg({"add", "HKCU\\K", "/v", "v", "/d", "old"}).exitCode, 0);
    EXPECT_EQ(reg({"add", "HKCU\\K", "/v", "v", "/d", "new"}, "n\n").exitCode, 1);
    EXPECT_EQ(*registry().openKey(RootKey::CurrentUser, "K")->queryString("v"), "old");
    EXPECT_EQ(reg({"add", "HKCU\\K", "/v", "v", "/d", "new"}, "y\n").exitCode, 0);
    EXPECT_EQ(*registry().openKey(RootKey::CurrentUser, "K")->queryString("v"), "new");
}

TEST_F(RegCommand, RefusesAMalformedRegistryAndLeavesItAlone) {
    const auto refusedByEveryOperation = [&](const std::filesystem::path& file,
                                             const std::string& what) {
        const std::string before = readFile(file);
        for (const auto& args : std::vector<std::vector<std::string>>{
                 {"query", "HKCU\\Software"},
                 {"add", "HKCU\\Software", "/v", "c", "/d", "d", "/f"},
                 {"delete", "HKCU\\Software", "/f"},
                 {"export", (machine / "out.reg").string()}}) {
            ProcessResult r = reg(args);
            EXPECT_EQ(r.exitCode, 1) << args[0];
            EXPECT_NE(r.err.find(file.string() + ": " + what), std::string::npos) << r.err;
        }
        EXPECT_EQ(readFile(file), before);
        EXPECT_FALSE(std::filesystem::exists(machine / "out.reg"));
    };

    // Windows 95's files: a USER.DAT cut short.
    ASSERT_EQ(reg({"add", "HKCU\\Software", "/v", "a", "/d", "b", "/f"}).exitCode, 0);
    const std::string whole = readFile(windows("USER.DAT"));
    writeFile(windows("USER.DAT"), whole.substr(0, whole.size() - 40));
    refusedByEveryOperation(windows("USER.DAT"), "");

    // An earlier machine folder's registry.reg, named with its line.
    std::filesystem::remove(windows("USER.DAT"));
    std::filesystem::remove(windows("SYSTEM.DAT"));
    writeFile(machine / "registry.reg",
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"a\"=\"b\"\r\n"
              "this is not a registry line\r\n");
    refusedByEveryOperation(machine / "registry.reg", "line 5:");
}

TEST_F(RegCommand, ExportsAsRegeditDoesAndImportsBySettingWhatTheFileNames) {
    ASSERT_EQ(
        reg({"add", "HKCU\\Software\\Velkan", "/v", "Location", "/d", "C:\\V\\", "/f"}).exitCode,
        0);
    ASSERT_EQ(reg({"add", "HKLM\\SOFTWARE\\Velkan", "/v", "n", "/t", "REG_DWORD", "/d", "5", "/f"})
                  .exitCode,
              0);
    const std::filesystem::path out = machine / "whole.reg";
    ProcessResult exported = reg({"export", out.string()});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(readFile(out),
              "REGEDIT4\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Velkan]\r\n\"n\"=dword:00000005\r\n\r\n"
              "[HKEY_USERS\\.DEFAULT]\r\n\r\n"
              "[HKEY_USERS\\.DEFAULT\\Software]\r\n\r\n"
              "[HKEY_USERS\\.DEFAULT\\Software\\Velkan]\r\n"
              "\"Location\"=\"C:\\\\V\\\\\"\r\n\r\n");

    const std::filesystem::path in = machine / "in.reg";
    writeFile(in, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velkan]\r\n"
                  "\"Last Theme\"=dword:00000002\r\n\r\n[HKEY_CLASSES_ROOT\\.vkr]\r\n"
                  "@=\"VKR_file\"\r\n");
    ProcessResult imported = reg({"import", in.string()});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    auto velkan = registry().openKey(RootKey::CurrentUser, "Software\\Velkan");
    EXPECT_EQ(*velkan->queryDword("Last Theme"), 2u);
    EXPECT_EQ(*velkan->queryString("Location"), "C:\\V\\");
    EXPECT_EQ(*registry().openKey(RootKey::ClassesRoot, ".VKR")->queryString(""), "VKR_file");

    // What regedit would refuse changes nothing.
    const std::string userDat = readFile(windows("USER.DAT"));
    writeFile(in, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"x\"=dword:zz\r\n");
    ProcessResult refused = reg({"import", in.string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(in.string() + ": line 4:"), std::string::npos) << refused.err;
    EXPECT_EQ(readFile(windows("USER.DAT")), userDat);
}

TEST_F(RegCommand, TwoProgramsAddingAtOnceKeepEveryValue) {
    // Two shell loops run velkan-machine side by side, as velkrun and
    // velkan-remove may run at once.
    std::string loop = "for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15; do \"$0\" reg add "
                       "'HKCU\\Software\\Velkan' /v \"$1$i\" /t REG_DWORD /d $i /f >/dev/null || "
                       "exit 1; done";
    ProcessResult r = velkan::test::runProcess(
        "sh",
        {"-c", "sh -c \"$1\" \"$0\" a & a=$!; sh -c \"$1\" \"$0\" b & b=$!; wait $a && wait $b",
         velkan::test::tool("velkan-machine"), loop},
        {{"VELKAN_MACHINE", machine.path().string()}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto key = registry().openKey(RootKey::CurrentUser, "Software\\Velkan");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->values()->size(), 30u);
    for (int i = 1; i <= 15; ++i) {
        EXPECT_EQ(key->queryDword("a" + std::to_string(i)).valueOr(0), unsigned(i));
        EXPECT_EQ(key->queryDword("b" + std::to_string(i)).valueOr(0), unsigned(i));
    }
}

} // namespace
