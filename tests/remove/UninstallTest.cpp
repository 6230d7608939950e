#include "platform/Registry.h"
#include "tests/remove/InstalledMachine.h"
#include "tests/support/MachineDrive.h"

#include <gtest/gtest.h>
#include <set>

using namespace velkan::test;
using velkan::platform::REG_BINARY;
using velkan::platform::REG_SZ;
using velkan::platform::RootKey;
namespace fs = std::filesystem;

namespace {

constexpr const char* kSuccess = "Velkan has been successfully uninstalled.";
constexpr const char* kFailure = "Error! Velkan hasn`t been uninstalled.";
constexpr const char* kProgramFolder = "C:\\Program Files\\Velkan\\";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The listing without the entries for which `removed` holds.
template <class Listing, class Pred> Listing without(Listing listing, Pred removed) {
    std::erase_if(listing, [&](const auto& entry) { return removed(entry.first); });
    return listing;
}

// What a run that was answered Yes takes from a freshly installed machine.
bool removedFile(const std::string& path) {
    const std::string folder = "program files/velkan/";
    for (const char* pack :
         {"ulmrit theme pack", "windows98 theme pack", "sample theme pack", "sun theme pack"})
        if (path == folder + pack || startsWith(path, folder + pack + "/"))
            return true;
    for (const char* file : {"velkrun.exe", "history.txt", "readme.txt", "readmefr.txt"})
        if (path == folder + file)
            return true;
    return path == "windows/desktop/velkan.lnk" || path == "windows/start menu/velkan.lnk";
}

bool removedRegistryEntry(const std::string& name) {
    for (const char* key : {"hkey_local_machine\\software\\classes\\.vkr",
                            "hkey_local_machine\\software\\classes\\vkr_file",
                            "hkey_local_machine\\software\\microsoft\\windows\\currentversion\\"
                            "uninstall\\vkr",
                            "hkey_current_user\\software\\velkan"})
        if (name == key || startsWith(name, std::string(key) + "\\") ||
            startsWith(name, std::string(key) + "|"))
            return true;
    return name == "hkey_current_user\\software\\microsoft\\windows\\currentversion\\run|"
                   "vkr theme packs";
}

bool reports(const ProcessResult& run, const std::string& text) {
    return run.out.find(text) != std::string::npos;
}

} // namespace

TEST(Uninstall, AnsweringNoOrNothingChangesNothingAndShowsNoReport) {
    InstalledMachine m;
    const fs::path systemDat = m.hostPath("C:\\WINDOWS\\SYSTEM.DAT");
    const fs::path userDat = m.hostPath("C:\\WINDOWS\\USER.DAT");
    const std::string registryBytes = readFile(systemDat) + readFile(userDat);
    const FileListing files = listFiles(m.machine());

    for (const std::string answer : {"n\n", "No\n", ""}) {
        const ProcessResult run = runRemove(m.root(), answer);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(reports(run, "---- Uninstalling... ----")) << run.out;
        EXPECT_TRUE(reports(run, "\tDo you want to continue?\n[Yes] [No]")) << run.out;
        EXPECT_FALSE(reports(run, "uninstalled.")) << run.out;
    }
    EXPECT_EQ(readFile(systemDat) + readFile(userDat), registryBytes);
    EXPECT_EQ(listFiles(m.machine()), files);
}

TEST(Uninstall, YesRemovesExactlyTheProductAndASecondRunReportsTheError) {
    InstalledMachine m;
    // The user's own pack, a file of the user's in a stock pack, an autoload
    // entry beside another program's.
    writeFile(m.hostPath("C:\\Program Files\\Velkan\\My Pack\\index.vkr"), "[About]\r\n");
    writeFile(m.hostPath("C:\\Program Files\\Velkan\\My Pack\\logo.bmp"), "BM");
    writeFile(m.hostPath("C:\\Program Files\\Velkan\\Sun Theme Pack\\notes.txt"), "mine");
    auto run = m.registry().openKey(RootKey::CurrentUser, kRunKey);
    ASSERT_TRUE(run);
    ASSERT_TRUE(run->setString("VKR Theme Packs", std::string(kProgramFolder) + "Velkrun.exe /t"));
    ASSERT_TRUE(run->setString("Other", "C:\\Other.exe"));
    ASSERT_TRUE(m.registry()
                    .createKey(RootKey::CurrentUser, "Software\\Velkan\\Settings")
                    ->setDword("Options", 3));

    const FileListing filesBefore = listFiles(m.machine());
    const RegistryListing registryBefore = listRegistry(m.registry());
    // The listings hold what the run must remove, so the comparison means something.
    ASSERT_TRUE(filesBefore.contains("program files/velkan/sample theme pack/10.ico"));
    ASSERT_TRUE(filesBefore.contains("windows/start menu/velkan.lnk"));
    ASSERT_TRUE(registryBefore.contains("hkey_local_machine\\software\\classes\\vkr_file\\shell"));

    const ProcessResult yes = runRemove(m.root(), "y\n");
    EXPECT_EQ(yes.exitCode, 0);
    EXPECT_TRUE(reports(yes, kSuccess)) << yes.out;
    EXPECT_FALSE(reports(yes, kFailure));

    const FileListing filesAfter = listFiles(m.machine());
    const std::set<std::string> usersOwn = {"program files/velkan/sun theme pack",
                                            "program files/velkan/sun theme pack/notes.txt"};
    EXPECT_EQ(filesAfter, without(filesBefore, [&](const std::string& path) {
                  return removedFile(path) && !usersOwn.contains(path);
              }));
    EXPECT_TRUE(filesAfter.contains("program files/velkan/remove.exe"));
    EXPECT_TRUE(filesAfter.contains("program files/velkan/my pack/logo.bmp"));
    EXPECT_TRUE(filesAfter.contains("program files/velkan/sun theme pack/notes.txt"));
    const RegistryListing registryAfter = listRegistry(m.registry());
    EXPECT_EQ(registryAfter, without(registryBefore, removedRegistryEntry));
    EXPECT_TRUE(registryAfter.contains(
        "hkey_current_user\\software\\microsoft\\windows\\currentversion\\run|other"));

    const ProcessResult again = runRemove(m.root(), "y\n");
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(reports(again, kFailure)) << again.out;
    EXPECT_FALSE(reports(again, kSuccess));
    EXPECT_EQ(listFiles(m.machine()), filesAfter);
    EXPECT_EQ(listRegistry(m.registry()), registryAfter);
}

TEST(Uninstall, ReportsSuccessWithoutTheRunValueAndCutsStringsAtTheirFirstNul) {
    InstalledMachine m;
    // Whatever follows a NUL in a string value is not part of the folder.
    auto product = m.registry().openKey(RootKey::CurrentUser, "Software\\Velkan");
    ASSERT_TRUE(product);
    ASSERT_TRUE(product->set("Location", REG_SZ,
                             std::string(kProgramFolder) + std::string("\0C:\\Else\\", 9) + '\0'));
    auto shellFolders = m.registry().openKey(RootKey::CurrentUser, kShellFolders);
    ASSERT_TRUE(shellFolders);
    ASSERT_TRUE(shellFolders->set("Desktop", REG_SZ, std::string("C:\\WINDOWS\\Desktop\0x\0", 21)));
    ASSERT_FALSE(m.registry().openKey(RootKey::CurrentUser, kRunKey)->query("VKR Theme Packs"));

    const ProcessResult run = runRemove(m.root(), "\n"); // Enter presses Yes
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(reports(run, kSuccess)) << run.out;
    EXPECT_FALSE(velkan::test::exists(m.hostPath("C:\\Program Files\\Velkan\\Velkrun.exe")));
    EXPECT_FALSE(velkan::test::exists(m.hostPath("C:\\Program Files\\Velkan\\Sun Theme Pack")));
    EXPECT_FALSE(velkan::test::exists(m.hostPath("C:\\WINDOWS\\Desktop\\Velkan.lnk")));
    EXPECT_FALSE(velkan::test::exists(m.hostPath("C:\\WINDOWS\\Start Menu\\Velkan.lnk")));
    EXPECT_FALSE(m.registry().openKey(RootKey::CurrentUser, "Software\\Velkan"));
}

TEST(Uninstall, DeletesNothingWhereTheRegistryNamesNoFolder) {
    InstalledMachine m;
    auto product = m.registry().openKey(RootKey::CurrentUser, "Software\\Velkan");
    ASSERT_TRUE(product);
    ASSERT_TRUE(product->deleteValue("Location"));
    auto shellFolders = m.registry().openKey(RootKey::CurrentUser, kShellFolders);
    ASSERT_TRUE(shellFolders);
    ASSERT_TRUE(shellFolders->setString("Desktop", ""));
    // A string that is only a NUL is as empty as no string.
    ASSERT_TRUE(shellFolders->set("Start Menu", REG_SZ, std::string(1, '\0')));
    // Files an unanchored name would hit: in the folder the uninstaller starts
    // in, and at the root of the drive.
    for (const char* name : {"Velkrun.exe", "Readme.txt", "History.txt", "ReadmeFr.txt",
                             "Velkan.lnk", "Ulmrit Theme Pack/index.vkr"})
        writeFile(m.root() / "drive_c" / name, "keep");
    const FileListing filesBefore = listFiles(m.machine());

    // A drive kept as a disk image is no folder a program could start in.
    const ProcessResult run =
        runRemove(m.root(), "y\n", velkan::test::imageMachines() ? m.root() : m.root() / "drive_c");
    EXPECT_EQ(run.exitCode, 0);
    // The product key opened, so the run counts as a success.
    EXPECT_TRUE(reports(run, kSuccess)) << run.out;
    EXPECT_EQ(listFiles(m.machine()), filesBefore);
    EXPECT_FALSE(m.registry().openKey(RootKey::CurrentUser, "Software\\Velkan"));
    EXPECT_FALSE(m.registry().openKey(RootKey::ClassesRoot, "VKR_file"));
}

TEST(Uninstall, AKeyThatCannotBeOpenedReportsTheErrorAfterEveryOtherStep) {
    InstalledMachine m;
    ASSERT_TRUE(m.registry().deleteKey(RootKey::CurrentUser, kShellFolders));

    const ProcessResult run = runRemove(m.root(), "yes\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(reports(run, kFailure)) << run.out;
    EXPECT_FALSE(velkan::test::exists(m.hostPath("C:\\Program Files\\Velkan\\Readme.txt")));
    EXPECT_FALSE(m.registry().openKey(RootKey::CurrentUser, "Software\\Velkan"));
    EXPECT_FALSE(m.registry().openKey(
        RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VKR"));
    // Without the key the shortcuts' folders are unknown, so the links stay.
    EXPECT_TRUE(velkan::test::exists(m.hostPath("C:\\WINDOWS\\Desktop\\Velkan.lnk")));
}

TEST(Uninstall, AnUnreadableRegistryOrAMissingMachineIsReportedAndLeftAlone) {
    InstalledMachine m;
    const fs::path userDat = m.hostPath("C:\\WINDOWS\\USER.DAT");
    const std::string broken = readFile(userDat).substr(0, 100);
    writeFile(userDat, broken);
    const FileListing files = listFiles(m.machine());

    const ProcessResult run = runRemove(m.root(), "y\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(reports(run, kFailure)) << run.out;
    EXPECT_EQ(readFile(userDat), broken);
    EXPECT_EQ(listFiles(m.machine()), files);

    TempDir empty;
    const ProcessResult none = runRemove(empty / "no machine", "y\n");
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_TRUE(reports(none, kFailure)) << none.out;
    EXPECT_FALSE(fs::exists(empty / "no machine"));
}
