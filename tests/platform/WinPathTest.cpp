#include "platform/WinPath.h"

#include "platform/Files.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace velkan::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

class WinPathTest : public ::testing::Test {
protected:
    TempDir dir;
    Machine machine{dir.path()};
    fs::path c; // drive C: as the resolver spells it, links resolved

    void SetUp() override {
        writeFile(machine.driveC() / "WINDOWS" / "SYSTEM" / "USER.EXE", "MZ");
        c = fs::canonical(machine.driveC());
    }

    fs::path resolved(std::string_view win) {
        Result<fs::path> r = resolveWinPath(machine, win);
        EXPECT_TRUE(r) << win << ": " << (r ? "" : r.error().message);
        return r ? *r : fs::path();
    }
};

TEST_F(WinPathTest, ComponentsMatchWithoutRegardToCase) {
    fs::path user = c / "WINDOWS" / "SYSTEM" / "USER.EXE";
    EXPECT_EQ(resolved("C:\\WINDOWS\\SYSTEM\\USER.EXE"), user);
    EXPECT_EQ(resolved("c:\\windows\\System\\User.exe"), user);
    EXPECT_EQ(resolved("C:/Windows/system/user.EXE"), user);
    EXPECT_EQ(resolved("C:\\Windows\\\\System\\.\\User.exe"), user);
    EXPECT_EQ(resolved("C:\\Windows.\\System \\User.exe"), user) << "trailing dots and blanks";
    // New names keep the case they were given, below the folders that exist.
    EXPECT_EQ(resolved("c:\\windows\\System\\User.tmp"), c / "WINDOWS" / "SYSTEM" / "User.tmp");
    EXPECT_EQ(resolved("C:\\windows\\New Folder\\Sub\\A.txt"),
              c / "WINDOWS" / "New Folder" / "Sub" / "A.txt");
    EXPECT_EQ(resolved("C:\\"), c);
}

TEST_F(WinPathTest, SeveralMatchesPreferExactCaseThenSmallestName) {
    writeFile(c / "WINDOWS" / "win.ini", "a");
    writeFile(c / "WINDOWS" / "Win.ini", "b");
    writeFile(c / "WINDOWS" / "WIN.INI", "c");
    EXPECT_EQ(resolved("C:\\WINDOWS\\Win.ini"), c / "WINDOWS" / "Win.ini");
    EXPECT_EQ(resolved("C:\\WINDOWS\\wIN.INI"), c / "WINDOWS" / "WIN.INI");
}

TEST_F(WinPathTest, DotDotStaysInsideTheDrive) {
    writeFile(dir / "secret.txt", "x");
    EXPECT_EQ(resolved("C:\\..\\..\\secret.txt"), c / "secret.txt");
    EXPECT_EQ(resolved("C:\\WINDOWS\\..\\..\\WINDOWS\\SYSTEM\\..\\SYSTEM\\USER.EXE"),
              c / "WINDOWS" / "SYSTEM" / "USER.EXE");
}

TEST_F(WinPathTest, LinksAreFollowedOnlyInsideTheDrive) {
    writeFile(dir / "outside" / "secret.txt", "x");
    fs::create_directory_symlink(dir / "outside", c / "Escape");
    fs::create_symlink("../../outside/secret.txt", c / "WINDOWS" / "Relative.txt");
    fs::create_directory_symlink("WINDOWS/SYSTEM", c / "Sys");

    Result<fs::path> out = resolveWinPath(machine, "C:\\escape\\secret.txt");
    ASSERT_FALSE(out);
    EXPECT_EQ(out.error().code, WinError::AccessDenied);
    EXPECT_FALSE(resolveWinPath(machine, "C:\\WINDOWS\\relative.txt"));
    EXPECT_EQ(resolved("C:\\sys\\user.exe"), c / "WINDOWS" / "SYSTEM" / "USER.EXE");
}

TEST_F(WinPathTest, DriveCMayItselfBeALink) {
    TempDir disk;
    writeFile(disk / "WINDOWS" / "EXPLORER.EXE", "MZ");
    TempDir other;
    Machine linked(other.path());
    fs::create_directory_symlink(disk.path(), linked.driveC());
    Result<fs::path> r = resolveWinPath(linked, "C:\\Windows\\Explorer.exe");
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_EQ(*r, fs::canonical(disk.path()) / "WINDOWS" / "EXPLORER.EXE");
    Result<std::string> back = toWinPath(linked, linked.driveC() / "WINDOWS" / "EXPLORER.EXE");
    ASSERT_TRUE(back) << back.error().message;
    EXPECT_EQ(*back, "C:\\WINDOWS\\EXPLORER.EXE");
}

TEST_F(WinPathTest, RelativeAndMalformedPathsResolveToNothing) {
    for (std::string_view bad : {"Error\\Explorer.exe", "Error", "", "\\WINDOWS\\Explorer.exe",
                                 "C:WINDOWS", "\\\\server\\share\\x", "1:\\x"}) {
        Result<fs::path> r = resolveWinPath(machine, bad);
        ASSERT_FALSE(r) << bad;
        EXPECT_EQ(r.error().code, WinError::PathNotFound) << bad;
        EXPECT_NE(r.error().message.find(std::string(bad)), std::string::npos)
            << "the message names the path";
    }
    Result<fs::path> wild = resolveWinPath(machine, "C:\\WINDOWS\\*.exe");
    ASSERT_FALSE(wild);
    EXPECT_EQ(wild.error().code, WinError::InvalidParameter);
}

TEST_F(WinPathTest, OtherDrivesComeFromDosDevicesAndMayBeNotReady) {
    TempDir cd;
    writeFile(cd / "SETUP.EXE", "MZ");
    fs::create_directories(machine.dosDevices());
    fs::create_directory_symlink(cd.path(), machine.dosDevices() / "e:");
    fs::create_directory_symlink(dir / "gone", machine.dosDevices() / "d:");
    fs::create_directory_symlink(cd.path(), machine.dosDevices() / "com1"); // not a drive

    EXPECT_EQ(machine.drives(), (std::vector<char>{'C', 'D', 'E'}));
    EXPECT_FALSE(machine.driveRoot('d'));
    ASSERT_TRUE(machine.driveRoot('E'));
    EXPECT_EQ(resolved("e:\\setup.exe"), fs::canonical(cd.path()) / "SETUP.EXE");

    Result<fs::path> notReady = resolveWinPath(machine, "D:\\x");
    ASSERT_FALSE(notReady);
    EXPECT_EQ(notReady.error().code, WinError::NotReady);
    Result<fs::path> noDrive = resolveWinPath(machine, "Q:\\x");
    ASSERT_FALSE(noDrive);
    EXPECT_EQ(noDrive.error().code, WinError::PathNotFound);

    Result<std::string> back = toWinPath(machine, cd.path() / "SETUP.EXE");
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, "E:\\SETUP.EXE");
}

TEST_F(WinPathTest, HostPathsMapBackToWindowsPaths) {
    Result<std::string> user = toWinPath(machine, c / "WINDOWS" / "SYSTEM" / "USER.EXE");
    ASSERT_TRUE(user);
    EXPECT_EQ(*user, "C:\\WINDOWS\\SYSTEM\\USER.EXE");
    Result<std::string> root = toWinPath(machine, c);
    ASSERT_TRUE(root);
    EXPECT_EQ(*root, "C:\\");
    EXPECT_EQ(toWinPath(machine, c / "WINDOWS" / ".." / "New.txt").valueOr(""), "C:\\New.txt");
    Result<std::string> outside = toWinPath(machine, dir / "registry.reg");
    ASSERT_FALSE(outside);
    EXPECT_EQ(outside.error().code, WinError::PathNotFound);
}

// A file the user picked on the host in an open dialog is reachable by the
// name the pick gave it, and by nothing else: the same share name read from a
// machine's disk, or a neighbour of the picked file, stays outside.
TEST_F(WinPathTest, HostFilesResolveOnlyOnceTheUserPickedThem) {
    TempDir host;
    writeFile(host / "My Icons" / "Start.ico", "icon");
    writeFile(host / "My Icons" / "Secret.txt", "secret");

    const std::string unpicked = grantHostFile(host / "My Icons" / "Start.ico");
    EXPECT_TRUE(isHostFileName(unpicked));
    EXPECT_EQ(unpicked.rfind("\\\\Linux\\", 0), 0u) << unpicked;
    EXPECT_EQ(unpicked.find('/'), std::string::npos) << "named the Windows way: " << unpicked;
    EXPECT_EQ(resolved(unpicked), host / "My Icons" / "Start.ico");
    EXPECT_EQ(readWholeFile(machine, unpicked).valueOr(""), "icon");
    EXPECT_EQ(grantHostFile(host / "My Icons" / "." / "Start.ico"), unpicked) << "one name per file";

    std::string neighbour = unpicked;
    neighbour.replace(neighbour.rfind("Start.ico"), 9, "Secret.txt");
    for (const std::string& outside : {neighbour, std::string("\\\\Linux\\etc\\passwd"),
                                       std::string("\\\\LINUX\\etc\\passwd")}) {
        Result<fs::path> r = resolveWinPath(machine, outside);
        ASSERT_FALSE(r) << outside;
        EXPECT_EQ(r.error().code, WinError::AccessDenied) << outside;
        EXPECT_FALSE(readWholeFile(machine, outside)) << outside;
    }
}

TEST(MachineTest, FolderComesFromTheEnvironment) {
    auto with = [](const char* machine, const char* data, const char* home) {
        auto set = [](const char* name, const char* value) {
            if (value)
                ::setenv(name, value, 1);
            else
                ::unsetenv(name);
        };
        set("VELKAN_MACHINE", machine);
        set("XDG_DATA_HOME", data);
        set("HOME", home);
        return Machine::fromEnvironment().root();
    };
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    std::string oldData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    std::string oldMachine = std::getenv("VELKAN_MACHINE") ? std::getenv("VELKAN_MACHINE") : "";

    EXPECT_EQ(with("/m", "/d", "/h"), fs::path("/m"));
    EXPECT_EQ(with("", "/d", "/h"), fs::path("/d/velkan/machine"));
    EXPECT_EQ(with(nullptr, "relative", "/h"), fs::path("/h/.local/share/velkan/machine"));
    EXPECT_EQ(with(nullptr, nullptr, "/h"), fs::path("/h/.local/share/velkan/machine"));

    with(oldMachine.empty() ? nullptr : oldMachine.c_str(),
         oldData.empty() ? nullptr : oldData.c_str(), oldHome.c_str());
    Machine m("/x");
    EXPECT_EQ(m.registryFile(), fs::path("/x/registry.reg"));
    EXPECT_EQ(m.journalFile(), fs::path("/x/journal.txt"));
}

} // namespace
} // namespace velkan::platform
