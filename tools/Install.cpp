#include "tools/Install.h"

#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "tools/InstallTexts.h"
#include "tools/ShellLink.h"
#include "tools/ThemePacks.h"

#include <chrono>
#include <system_error>

namespace velkan::machine {

namespace fs = std::filesystem;
using platform::Error;
using platform::Machine;
using platform::Registry;
using platform::RootKey;
using platform::Status;
using platform::WinError;

namespace {

constexpr const char* kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VKR";
constexpr const char* kLinkName = "Velkan.lnk";

std::string programFile(const char* name) {
    return std::string(kProgramFolder) + name;
}

// The machine folder of a Windows path, created with its parents.
platform::Result<fs::path> makeFolder(const Machine& machine, const std::string& winPath) {
    auto host = platform::resolveWinPath(machine, winPath);
    if (!host)
        return host.error();
    if (!platform::host::createDirectories(*host))
        return Error::of(WinError::AccessDenied, "Unable to create " + winPath);
    return *host;
}

Status writeProgramFiles(const fs::path& folder) {
    const std::pair<const char*, std::string> files[] = {
        {"Readme.txt", readmeText()},
        {"ReadmeFr.txt", readmeFrenchText()},
        {"History.txt", historyText()},
        {"Velkrun.exe",
         standInExecutable("Velkrun.exe", "Velkan, the Windows 95 shell customiser")},
        {"Remove.exe", standInExecutable("Remove.exe", "the Velkan uninstaller")},
    };
    for (const auto& [name, bytes] : files)
        if (auto s = platform::writeFileAtomically(folder / name, bytes); !s)
            return s;
    return {};
}

Status setString(const Registry& registry, RootKey root, const char* key, const char* name,
                 const std::string& value) {
    auto k = registry.createKey(root, key);
    if (!k)
        return k.error();
    return k->setString(name, value);
}

Status writeRegistry(const Registry& registry) {
    const std::string velkrun = programFile("Velkrun.exe");
    const struct {
        RootKey root;
        const char* key;
        const char* name;
        std::string value;
    } values[] = {
        {RootKey::CurrentUser, "Software\\Velkan", "Location", kProgramFolder},
        {RootKey::ClassesRoot, ".VKR", "", "VKR_file"},
        {RootKey::ClassesRoot, "VKR_file", "", "Velkan theme pack index"},
        {RootKey::ClassesRoot, "VKR_file\\DefaultIcon", "", velkrun + ",0"},
        {RootKey::ClassesRoot, "VKR_file\\shell\\open\\command", "", "\"" + velkrun + "\""},
        {RootKey::LocalMachine, kUninstallKey, "DisplayName", "Velkan 2.51"},
        {RootKey::LocalMachine, kUninstallKey, "UninstallString", programFile("Remove.exe")},
    };
    for (const auto& v : values)
        if (auto s = setString(registry, v.root, v.key, v.name, v.value); !s)
            return s;
    return {};
}

// A shell folder of the user as Explorer keeps it; when the value is missing
// the folder Windows 95 uses is recorded, so the uninstaller finds the link.
platform::Result<std::string> shellFolder(const Registry& registry, const char* name,
                                          const char* fallback) {
    auto key = registry.createKey(RootKey::CurrentUser, kShellFoldersKey);
    if (!key)
        return key.error();
    auto value = key->queryString(name);
    if (value && !value->empty())
        return *value;
    if (auto s = key->setString(name, fallback); !s)
        return s.error();
    return std::string(fallback);
}

Status writeShortcuts(const Machine& machine, const Registry& registry,
                      const fs::path& programFolder) {
    ShellLinkTarget target;
    target.path = programFile("Velkrun.exe");
    target.workingDirectory =
        std::string(kProgramFolder).substr(0, std::string(kProgramFolder).size() - 1);
    target.description = "Velkan - Windows 95 shell customiser";
    auto program = platform::host::fileAttributes(programFolder / "Velkrun.exe");
    target.fileSize = program ? static_cast<std::uint32_t>(program->size) : 0;
    // FILETIME counts 100-nanosecond steps from 1601; the link carries the time
    // of installation as the target's dates.
    const auto sinceUnix = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch());
    target.fileTime =
        (static_cast<std::uint64_t>(sinceUnix.count()) + 11644473600ull) * 10000000ull;
    const std::vector<std::uint8_t> link = makeShellLink(target);
    const std::string_view bytes(reinterpret_cast<const char*>(link.data()), link.size());

    const std::pair<const char*, const char*> folders[] = {
        {"Desktop", "C:\\WINDOWS\\Desktop"}, {"Start Menu", "C:\\WINDOWS\\Start Menu"}};
    for (auto [name, fallback] : folders) {
        auto folder = shellFolder(registry, name, fallback);
        if (!folder)
            return folder.error();
        auto host = makeFolder(machine, *folder);
        if (!host)
            return host.error();
        if (auto s = platform::writeFileAtomically(*host / kLinkName, bytes); !s)
            return s;
    }
    return {};
}

} // namespace

Status installVelkan(const fs::path& machineFolder) {
    const Machine machine(machineFolder);
    if (!machine.driveRoot('C'))
        return Error::of(WinError::PathNotFound, "No Windows machine in " + machineFolder.string() +
                                                     " (drive_c is missing)");
    const Registry registry = platform::machineRegistry(machine);
    if (auto s = registry.check(); !s)
        return s;

    // Windows keeps its registry files in its folder, which a bare drive C:
    // does not have yet.
    if (auto windows = makeFolder(machine, platform::registryWindowsFolder(machine)); !windows)
        return windows.error();
    auto folder = makeFolder(machine, kProgramFolder);
    if (!folder)
        return folder.error();
    if (auto s = writeProgramFiles(*folder); !s)
        return s;
    if (auto s = writeStockPacks(*folder); !s)
        return s;
    if (auto s = writeRegistry(registry); !s)
        return s;
    return writeShortcuts(machine, registry, *folder);
}

} // namespace velkan::machine
