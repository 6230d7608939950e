#include "tools/Install.h"

#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/ShellLink.h"

#include <gtest/gtest.h>

using namespace velkan::machine;
using velkan::platform::Registry;
using velkan::platform::RootKey;
using velkan::test::readFile;
using velkan::test::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::uint32_t u16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
std::uint32_t u32(const std::string& b, std::size_t at) {
    return u16(b, at) | u16(b, at + 2) << 16;
}

std::string value(const Registry& registry, RootKey root, const char* key, const char* name) {
    auto k = registry.openKey(root, key);
    if (!k)
        return "<no key>";
    auto v = k->queryString(name);
    return v ? *v : "<no value>";
}

struct ParsedLink {
    std::uint32_t flags = 0;
    std::string basePath, name, workingDir;
};

// Reads a shell link the way the shell does, checking every offset.
std::optional<ParsedLink> parseLink(const std::string& b) {
    const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    if (b.size() < 0x4C || u32(b, 0) != 0x4C ||
        b.compare(4, 16, reinterpret_cast<const char*>(clsid), 16))
        return std::nullopt;
    ParsedLink link;
    link.flags = u32(b, 20);
    std::size_t at = 0x4C;
    if (link.flags & 0x01) { // an ID list we do not write
        if (at + 2 > b.size())
            return std::nullopt;
        at += 2 + u16(b, at);
    }
    if (link.flags & 0x02) {
        if (at + 0x1C > b.size())
            return std::nullopt;
        const std::uint32_t size = u32(b, at), base = u32(b, at + 16);
        if (size > b.size() - at || base >= size || !(u32(b, at + 8) & 1))
            return std::nullopt;
        const std::size_t end = b.find('\0', at + base);
        if (end == std::string::npos || end >= at + size)
            return std::nullopt;
        link.basePath = b.substr(at + base, end - at - base);
        // The volume: a fixed disk.
        const std::uint32_t volume = u32(b, at + 12);
        if (volume + 8 > size || u32(b, at + volume + 4) != 3)
            return std::nullopt;
        at += size;
    }
    auto counted = [&](std::string& out) {
        if (at + 2 > b.size())
            return false;
        const std::uint32_t n = u16(b, at);
        if (n > b.size() - at - 2)
            return false;
        out = b.substr(at + 2, n);
        at += 2 + n;
        return true;
    };
    if ((link.flags & 0x04) && !counted(link.name))
        return std::nullopt;
    if ((link.flags & 0x10) && !counted(link.workingDir))
        return std::nullopt;
    if (at + 4 != b.size() || u32(b, at) != 0)
        return std::nullopt; // the terminal block ends the file
    return link;
}

// A machine with the shell folders of a fresh Windows 95, spelt on the disk as
// a FAT disk holds them.
void makeMachine(const TempDir& dir) {
    fs::create_directories(dir / "drive_c" / "WINDOWS" / "DESKTOP");
    fs::create_directories(dir / "drive_c" / "WINDOWS" / "START MENU" / "PROGRAMS");
    const Registry registry =
        velkan::platform::machineRegistry(velkan::platform::Machine(dir.path()));
    auto key = registry.createKey(RootKey::CurrentUser, kShellFolders);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->setString("Desktop", "C:\\WINDOWS\\Desktop"));
    ASSERT_TRUE(key->setString("Start Menu", "C:\\WINDOWS\\Start Menu"));
}

} // namespace

TEST(ShellLink, HeaderLinkInfoAndStringsParse) {
    ShellLinkTarget target;
    target.path = "C:\\Program Files\\Velkan\\Velkrun.exe";
    target.workingDirectory = "C:\\Program Files\\Velkan";
    target.description = "Velkan";
    target.volumeLabel = "DISK1";
    const std::vector<std::uint8_t> bytes = makeShellLink(target);
    auto link = parseLink({bytes.begin(), bytes.end()});
    ASSERT_TRUE(link);
    EXPECT_EQ(link->basePath, target.path);
    EXPECT_EQ(link->workingDir, target.workingDirectory);
    EXPECT_EQ(link->name, "Velkan");
    EXPECT_FALSE(link->flags & 0x80) << "ANSI strings, as Windows 95 writes them";

    // Without optional strings the flags say so and nothing dangles.
    ShellLinkTarget bareTarget;
    bareTarget.path = "C:\\A.EXE";
    auto bare = makeShellLink(bareTarget);
    auto parsed = parseLink({bare.begin(), bare.end()});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->flags, 0x02u);
    EXPECT_EQ(parsed->basePath, "C:\\A.EXE");
}

TEST(Install, DeliversProgramFilesPacksRegistryAndShortcuts) {
    TempDir dir;
    makeMachine(dir);
    ASSERT_TRUE(installVelkan(dir.path()));

    const fs::path program = dir / "drive_c" / "Program Files" / "Velkan";
    for (const char* name :
         {"Readme.txt", "ReadmeFr.txt", "History.txt", "Velkrun.exe", "Remove.exe"})
        EXPECT_TRUE(fs::is_regular_file(program / name)) << name;
    EXPECT_EQ(readFile(program / "Velkrun.exe").rfind("MZ", 0), 0u);
    const std::string readme = readFile(program / "Readme.txt");
    EXPECT_NE(readme.find("theme pack"), std::string::npos);
    EXPECT_NE(readme.find("\r\n"), std::string::npos);
    EXPECT_EQ(readme.find("\n\n"), std::string::npos) << "every line ends in CR LF";
    EXPECT_NE(readFile(program / "History.txt").find("2.51"), std::string::npos);
    for (const char* pack :
         {"Ulmrit Theme Pack", "Windows98 Theme Pack", "Sample Theme Pack", "Sun Theme Pack"})
        EXPECT_TRUE(fs::is_regular_file(program / pack / "index.vkr")) << pack;

    const Registry registry =
        velkan::platform::machineRegistry(velkan::platform::Machine(dir.path()));
    const std::string location =
        value(registry, RootKey::CurrentUser, "Software\\Velkan", "Location");
    EXPECT_EQ(location, "C:\\Program Files\\Velkan\\");
    EXPECT_EQ(value(registry, RootKey::ClassesRoot, ".VKR", ""), "VKR_file");
    // The classes root is HKLM\Software\Classes, where the uninstaller deletes it again.
    EXPECT_EQ(value(registry, RootKey::LocalMachine, "Software\\Classes\\.vkr", ""), "VKR_file");
    EXPECT_EQ(value(registry, RootKey::ClassesRoot, "VKR_file\\shell\\open\\command", ""),
              "\"" + location + "Velkrun.exe\"");
    const char* uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VKR";
    EXPECT_EQ(value(registry, RootKey::LocalMachine, uninstall, "UninstallString"),
              location + "Remove.exe");
    EXPECT_NE(value(registry, RootKey::LocalMachine, uninstall, "DisplayName").find("Velkan"),
              std::string::npos);

    // The shortcuts land in the folders the registry names, found without
    // regard to case.
    for (const char* folder : {"DESKTOP", "START MENU"}) {
        const fs::path file = dir / "drive_c" / "WINDOWS" / folder / "Velkan.lnk";
        ASSERT_TRUE(fs::exists(file)) << folder;
        auto link = parseLink(readFile(file));
        ASSERT_TRUE(link) << folder;
        EXPECT_EQ(link->basePath, location + "Velkrun.exe");
        EXPECT_EQ(link->workingDir, "C:\\Program Files\\Velkan");
    }
    EXPECT_FALSE(fs::exists(dir / "drive_c" / "WINDOWS" / "Desktop"))
        << "no second folder in another case";
}

TEST(Install, RunningAgainRefreshesAndKeepsTheUsersOwnThings) {
    TempDir dir;
    makeMachine(dir);
    ASSERT_TRUE(installVelkan(dir.path()));
    const fs::path program = dir / "drive_c" / "Program Files" / "Velkan";
    const std::string pack = readFile(program / "Sun Theme Pack" / "index.vkr");

    // The user's own pack, a damaged stock pack and the program's settings.
    fs::create_directories(program / "My Pack");
    velkan::test::writeFile(program / "My Pack" / "index.vkr", "[About]\r\nName=Mine\r\n");
    velkan::test::writeFile(program / "Sun Theme Pack" / "index.vkr", "garbage");
    const Registry registry =
        velkan::platform::machineRegistry(velkan::platform::Machine(dir.path()));
    ASSERT_TRUE(
        registry.createKey(RootKey::CurrentUser, "Software\\Velkan")->setDword("Last Theme", 3));

    ASSERT_TRUE(installVelkan(dir.path()));
    EXPECT_EQ(readFile(program / "Sun Theme Pack" / "index.vkr"), pack);
    EXPECT_EQ(readFile(program / "My Pack" / "index.vkr"), "[About]\r\nName=Mine\r\n");
    EXPECT_EQ(*registry.openKey(RootKey::CurrentUser, "Software\\Velkan")->queryDword("Last Theme"),
              3u);
    EXPECT_EQ(value(registry, RootKey::CurrentUser, "Software\\Velkan", "Location"),
              "C:\\Program Files\\Velkan\\");
    auto values = registry.openKey(RootKey::CurrentUser, "Software\\Velkan")->values();
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), 2u) << "Location and the user's Last Theme, nothing doubled";
}

TEST(Install, RefusesAFolderThatIsNoMachineAndRecordsMissingShellFolders) {
    TempDir dir;
    auto status = installVelkan(dir / "nothing");
    ASSERT_FALSE(status);
    EXPECT_NE(status.error().message.find("nothing"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "nothing"));

    // A machine whose registry lacks the shell folders gets Windows' own.
    fs::create_directories(dir / "bare" / "drive_c");
    ASSERT_TRUE(installVelkan(dir / "bare"));
    const Registry registry =
        velkan::platform::machineRegistry(velkan::platform::Machine(dir / "bare"));
    EXPECT_EQ(value(registry, RootKey::CurrentUser, kShellFolders, "Desktop"),
              "C:\\WINDOWS\\Desktop");
    EXPECT_TRUE(fs::exists(dir / "bare" / "drive_c" / "WINDOWS" / "Start Menu" / "Velkan.lnk"));
}

TEST(InstallCommand, InstallsIntoTheNamedMachine) {
    TempDir dir;
    makeMachine(dir);
    auto result = velkan::test::runProcess(velkan::test::tool("velkan-machine"),
                                           {"install", dir.path().string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Registry registry =
        velkan::platform::machineRegistry(velkan::platform::Machine(dir.path()));
    EXPECT_EQ(value(registry, RootKey::CurrentUser, "Software\\Velkan", "Location"),
              "C:\\Program Files\\Velkan\\");

    auto bad = velkan::test::runProcess(velkan::test::tool("velkan-machine"),
                                        {"install", (dir / "missing").string()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("missing"), std::string::npos);
}
