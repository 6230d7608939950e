// The registry in Windows 95's own files: how the roots map onto SYSTEM.DAT and
// USER.DAT, what a machine folder keeps it in, and what a hostile disk cannot
// make it do.
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "platform/RegistryFile.h"
#include "tests/support/Cregexport.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace velkan::platform {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

class Windows95Registry : public ::testing::Test {
protected:
    TempDir dir;
    fs::path systemDat = dir / "SYSTEM.DAT";
    fs::path userDat = dir / "USER.DAT";
    fs::path lock = dir / "registry.lock";
    Registry reg{systemDat, userDat, lock};
};

TEST_F(Windows95Registry, EachRootLandsInItsOwnFileAndTheUserIsTheDefaultOne) {
    ASSERT_TRUE(
        reg.createKey(RootKey::CurrentUser, "Software\\Velkan")->setString("Location", "C:\\V\\"));
    EXPECT_FALSE(fs::exists(systemDat)) << "only the file whose root changed is written";
    ASSERT_TRUE(fs::exists(userDat));
    const std::string userBefore = readFile(userDat);

    ASSERT_TRUE(reg.createKey(RootKey::ClassesRoot, ".vkr")->setString("", "VKR_file"));
    EXPECT_EQ(readFile(userDat), userBefore) << "a machine change leaves USER.DAT alone";
    EXPECT_EQ(*reg.openKey(RootKey::LocalMachine, "SOFTWARE\\CLASSES\\.VKR")->queryString(""),
              "VKR_file");

    // HKEY_CURRENT_USER is the default user's key of HKEY_USERS.
    EXPECT_EQ(*reg.openKey(RootKey::Users, ".DEFAULT\\Software\\Velkan")->queryString("Location"),
              "C:\\V\\");
    EXPECT_EQ(*reg.openKey(RootKey::Users, "")->subKeyNames(),
              std::vector<std::string>{".DEFAULT"});
    EXPECT_EQ(reg.openKey(RootKey::Users, ".DEFAULT\\Software")->name(),
              "HKEY_USERS\\.DEFAULT\\Software");

    // The export names both roots as regedit /e does; an import merges.
    const std::string exported = *reg.exportText();
    EXPECT_TRUE(exported.starts_with("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n"))
        << exported;
    EXPECT_NE(exported.find("[HKEY_USERS\\.DEFAULT\\Software\\Velkan]\r\n"
                            "\"Location\"=\"C:\\\\V\\\\\"\r\n"),
              std::string::npos)
        << exported;
    ASSERT_TRUE(reg.importText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velkan]\r\n"
                               "\"Options\"=dword:00000003\r\n\r\n"
                               "[HKEY_CLASSES_ROOT\\VKR_file]\r\n@=\"Theme pack\"\r\n",
                               "in.reg"));
    EXPECT_EQ(*reg.openKey(RootKey::CurrentUser, "Software\\Velkan")->queryDword("Options"), 3u);
    EXPECT_EQ(*reg.openKey(RootKey::CurrentUser, "Software\\Velkan")->queryString("Location"),
              "C:\\V\\")
        << "an import adds, it never removes";
    EXPECT_EQ(*reg.openKey(RootKey::LocalMachine, "Software\\Classes\\VKR_file")->queryString(""),
              "Theme pack");

    // A text that does not parse changes nothing and is named in the error.
    const std::string system = readFile(systemDat);
    Status bad = reg.importText("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\nnonsense\r\n", "bad.reg");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().message.find("bad.reg: line 3"), std::string::npos);
    EXPECT_EQ(readFile(systemDat), system);
}

TEST_F(Windows95Registry, ADamagedFileIsRefusedByEveryCallAndNeverWritten) {
    ASSERT_TRUE(reg.createKey(RootKey::LocalMachine, "SOFTWARE\\Velkan")->setDword("x", 1));
    ASSERT_TRUE(reg.createKey(RootKey::CurrentUser, "Software\\Velkan")->setDword("x", 1));
    RegKey open = *reg.openKey(RootKey::CurrentUser, "Software\\Velkan");
    const std::string whole = readFile(systemDat);
    for (const std::string& broken :
         {whole.substr(0, whole.size() / 2), std::string("CREG") + std::string(60, '\xff'),
          std::string("not a registry at all")}) {
        writeFile(systemDat, broken);
        auto refused = [&](const Error& e) {
            EXPECT_EQ(e.code, WinError::BadDb) << e.message;
            EXPECT_NE(e.message.find(systemDat.string()), std::string::npos) << e.message;
        };
        refused(reg.check().error());
        refused(reg.openKey(RootKey::LocalMachine, "SOFTWARE").error());
        refused(reg.createKey(RootKey::CurrentUser, "Software\\New").error());
        refused(open.setDword("y", 2).error());
        refused(reg.exportText().error());
        EXPECT_EQ(readFile(systemDat), broken);
    }
    writeFile(systemDat, whole);
    EXPECT_TRUE(reg.check());
    EXPECT_EQ(*open.queryDword("x"), 1u);
}

TEST_F(Windows95Registry, OnlyRegularFilesOfARegistrysSizeAreReadAndNoLinkIsFollowed) {
    TempDir outside;
    const fs::path target = outside / "USER.DAT";
    Registry real(outside / "SYSTEM.DAT", target, outside / "lock");
    ASSERT_TRUE(real.createKey(RootKey::CurrentUser, "Software")->setDword("v", 7));
    const std::string targetBytes = readFile(target);

    // A link as USER.DAT: refused, and the file it names is never written.
    fs::create_symlink(target, userDat);
    Status linked = reg.check();
    ASSERT_FALSE(linked);
    EXPECT_NE(linked.error().message.find(userDat.string()), std::string::npos);
    EXPECT_FALSE(reg.createKey(RootKey::CurrentUser, "Software\\X"));
    EXPECT_EQ(readFile(target), targetBytes);
    EXPECT_TRUE(fs::is_symlink(userDat));
    fs::remove(userDat);

    // A named pipe as SYSTEM.DAT would hang a reader that waits for a writer.
    ASSERT_EQ(::mkfifo(systemDat.c_str(), 0644), 0);
    Status piped = reg.check();
    ASSERT_FALSE(piped);
    EXPECT_NE(piped.error().message.find("not a regular file"), std::string::npos);
    fs::remove(systemDat);

    // A file far larger than any registry is refused before it is read.
    {
        std::FILE* big = std::fopen(systemDat.c_str(), "wb");
        ASSERT_NE(big, nullptr);
        ASSERT_EQ(::ftruncate(fileno(big), 50l * 1024 * 1024), 0);
        std::fclose(big);
    }
    Status large = reg.check();
    ASSERT_FALSE(large);
    EXPECT_EQ(large.error().code, WinError::BadDb);
    EXPECT_NE(large.error().message.find("too large"), std::string::npos);
    EXPECT_EQ(fs::file_size(systemDat), 50u * 1024 * 1024);
    fs::remove(systemDat);

    // The lock is never taken through a link: no file appears where it points.
    fs::remove(lock);
    fs::create_symlink(outside / "made-by-the-lock", lock);
    EXPECT_FALSE(reg.createKey(RootKey::LocalMachine, "SOFTWARE"));
    EXPECT_FALSE(fs::exists(outside / "made-by-the-lock"));
    EXPECT_FALSE(fs::exists(systemDat));
}

TEST_F(Windows95Registry, KeysStayWithinWindowsLimits) {
    std::string deep;
    for (int i = 0; i < 600; ++i)
        deep += "k\\";
    Result<RegKey> tooDeep = reg.createKey(RootKey::CurrentUser, deep);
    ASSERT_FALSE(tooDeep);
    EXPECT_EQ(tooDeep.error().code, WinError::InvalidParameter);
    EXPECT_FALSE(reg.createKey(RootKey::CurrentUser, std::string(256, 'n')));
    EXPECT_TRUE(reg.createKey(RootKey::CurrentUser, std::string(255, 'n')));
    EXPECT_FALSE(reg.createKey(RootKey::CurrentUser, "x")->setDword(std::string(256, 'v'), 1));

    // Windows 95 keeps a key's values in one record of at most 64 KB.
    RegKey big = *reg.createKey(RootKey::CurrentUser, "Big");
    ASSERT_TRUE(big.setBinary("a", std::string(40000, 'a')));
    const std::string before = readFile(userDat);
    Status overflow = big.setBinary("b", std::string(40000, 'b'));
    ASSERT_FALSE(overflow);
    EXPECT_EQ(overflow.error().code, WinError::CantWrite);
    EXPECT_NE(overflow.error().message.find(userDat.string()), std::string::npos);
    EXPECT_EQ(readFile(userDat), before);
    EXPECT_EQ(big.query("b").error().code, WinError::FileNotFound);

    // A small REGEDIT4 file naming a key thousands of levels deep would grow
    // into a huge one at the next write: it is refused as it is read.
    std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER";
    for (int i = 0; i < 10000; ++i)
        text += "\\a";
    text += "]\r\n";
    auto parsed = detail::parseRegistryFile(text, "registry.reg");
    ASSERT_FALSE(parsed);
    EXPECT_NE(parsed.error().message.find("registry.reg: line 3: the key lies deeper"),
              std::string::npos)
        << parsed.error().message;
}

// The real USER.DAT of a Windows ME installation, as the product uses it: its
// default user is HKEY_CURRENT_USER, strings read with their terminating NUL
// and are stored without it, and a change leaves every other key and value as
// cregexport saw them.
TEST(RealUserDat, TakesTheProductsValuesAndKeepsEverythingElse) {
    TempDir root;
    fs::create_directories(root / "drive_c/WINDOWS");
    const fs::path userDat = root / "drive_c/WINDOWS/USER.DAT";
    fs::copy_file(fs::path(VELKAN_WIN9X_REGISTRY_DATA) / "USER.DAT", userDat);
    const Registry reg = machineRegistry(Machine(root.path()));

    EXPECT_EQ(*reg.openKey(RootKey::Users, "")->subKeyNames(),
              (std::vector<std::string>{".DEFAULT", "Software"}));
    RegKey metrics = *reg.openKey(RootKey::CurrentUser, "control panel\\DESKTOP\\WindowMetrics");
    EXPECT_EQ(metrics.name(), "HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics");
    const RegValue bpp = *metrics.query("Shell Icon BPP");
    EXPECT_EQ(bpp.type, REG_SZ);
    EXPECT_EQ(bpp.data.back(), '\0');

    const test::Shown before = test::cregexport(userDat);
    ASSERT_TRUE(metrics.setString("Shell Icon Size", "48"));
    ASSERT_TRUE(reg.createKey(RootKey::CurrentUser, "Software\\Velkan")->setDword("Options", 1));
    ASSERT_TRUE(metrics.deleteValue("IconSpacingFactor"));
    EXPECT_EQ(*metrics.queryString("Shell Icon Size"), "48");
    EXPECT_FALSE(fs::exists(root / "drive_c/WINDOWS/SYSTEM.DAT"));

    if (!test::cregexportPresent())
        GTEST_SKIP() << "cregexport (libcreg-utils) is not installed";
    const test::Shown after = test::cregexport(userDat);
    std::map<std::string, std::vector<test::ShownValue>> was(before.begin(), before.end());
    std::map<std::string, std::vector<test::ShownValue>> is(after.begin(), after.end());
    std::vector<std::string> changed;
    for (const auto& [path, values] : is)
        if (!was.count(path) || was[path] != values)
            changed.push_back(path);
    for (const auto& [path, values] : was)
        if (!is.count(path))
            changed.push_back(path);
    EXPECT_EQ(changed, (std::vector<std::string>{".DEFAULT\\Control Panel\\Desktop\\WindowMetrics",
                                                 ".DEFAULT\\Software\\Velkan"}));
    const auto& size = is[".DEFAULT\\Control Panel\\Desktop\\WindowMetrics"];
    const auto shown = std::find_if(size.begin(), size.end(),
                                    [](const auto& v) { return v.name == "Shell Icon Size"; });
    ASSERT_NE(shown, size.end());
    EXPECT_EQ(shown->data, "48") << "Windows 9x stores strings without their NUL";
    test::expectCregexportAgrees(userDat);
}

// A machine keeps its registry in its Windows folder as Msdos.sys names it,
// under whatever case the disk spells the files in; a machine folder of an
// earlier version keeps its registry.reg until it has registry files.
TEST(MachineRegistry, IsFoundWhereWindowsKeepsItOrWhereAnEarlierVersionDid) {
    TempDir root;
    const Machine machine(root.path());
    fs::create_directories(root / "drive_c/WIN95");
    writeFile(root / "drive_c/MSDOS.SYS", "[Paths]\r\nWinDir=C:\\WIN95\r\n");

    // An earlier machine folder: registry.reg and no registry files.
    writeFile(root / "registry.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velkan]"
                                     "\r\n\"Location\"=\"C:\\\\V\\\\\"\r\n");
    Registry earlier = machineRegistry(machine);
    EXPECT_FALSE(earlier.windows95Files());
    EXPECT_EQ(*earlier.openKey(RootKey::CurrentUser, "Software\\Velkan")->queryString("Location"),
              "C:\\V\\");
    ASSERT_TRUE(
        earlier.createKey(RootKey::CurrentUser, "Software\\Velkan")->setDword("Options", 1));
    EXPECT_NE(readFile(root / "registry.reg").find("[HKEY_CURRENT_USER\\Software\\Velkan]"),
              std::string::npos)
        << "the earlier file keeps its form";

    // Once the Windows folder holds registry files, they are the registry;
    // names keep the case the disk gives them.
    {
        Registry made(root / "made-s", root / "drive_c/WIN95/user.dat", root / "l");
        ASSERT_TRUE(made.createKey(RootKey::CurrentUser, "Software")->setDword("v", 1));
    }
    Registry now = machineRegistry(machine);
    ASSERT_TRUE(now.windows95Files());
    EXPECT_EQ(now.files(), (std::vector<fs::path>{root / "drive_c/WIN95/SYSTEM.DAT",
                                                  root / "drive_c/WIN95/user.dat"}));
    ASSERT_TRUE(now.createKey(RootKey::CurrentUser, "Software")->setDword("w", 2));
    EXPECT_TRUE(fs::exists(root / "drive_c/WIN95/user.dat"));
    EXPECT_FALSE(fs::exists(root / "drive_c/WIN95/USER.DAT") &&
                 !fs::equivalent(root / "drive_c/WIN95/USER.DAT", root / "drive_c/WIN95/user.dat"));
    EXPECT_EQ(*now.openKey(RootKey::CurrentUser, "Software")->queryDword("v"), 1u);

    // Without drive C: nothing is reachable, and nothing is written.
    TempDir bare;
    Registry none = machineRegistry(Machine(bare.path()));
    EXPECT_FALSE(none.check());
    EXPECT_FALSE(none.createKey(RootKey::CurrentUser, "Software"));
    EXPECT_TRUE(fs::is_empty(bare.path()));
}

} // namespace
} // namespace velkan::platform
