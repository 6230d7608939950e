#include "platform/MachineRegistry.h"

#include "platform/ImageDrive.h"
#include "platform/ProfileString.h"
#include "platform/WinPath.h"

#include <sys/stat.h>

namespace velkan::platform {

namespace {

bool present(const std::filesystem::path& file) {
    if (auto place = imagedrive::locate(file))
        return imagedrive::entry(*place).ok();
    struct stat st {};
    return ::lstat(file.c_str(), &st) == 0;
}

} // namespace

std::string registryWindowsFolder(const Machine& machine) {
    std::string folder = readProfileString(machine, "C:\\Msdos.sys", "Paths", "WinDir", "");
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder.empty() ? std::string("C:\\WINDOWS") : folder;
}

detail::RegistryFiles machineRegistryFiles(const Machine& machine) {
    detail::RegistryFiles files;
    files.lockFile = machine.root() / "registry.lock";
    const std::string windows = registryWindowsFolder(machine);
    Result<std::filesystem::path> systemDat = resolveWinPath(machine, windows + "\\SYSTEM.DAT");
    Result<std::filesystem::path> userDat = resolveWinPath(machine, windows + "\\USER.DAT");
    const bool earlierLayout = present(machine.registryFile()) &&
                               !(systemDat && present(*systemDat)) &&
                               !(userDat && present(*userDat));
    if (earlierLayout) {
        files.form = detail::RegistryFiles::Form::Regedit4;
        files.regedit4 = machine.registryFile();
        files.lockFile = machine.registryFile().string() + ".lock";
        return files;
    }
    if (!systemDat || !userDat) {
        const Error& why = !systemDat ? systemDat.error() : userDat.error();
        files.unavailable = Error::of(why.code, "the registry of " + windows +
                                                    " cannot be reached: " + why.message);
        return files;
    }
    files.systemDat = *systemDat;
    files.userDat = *userDat;
    return files;
}

Registry machineRegistry(const Machine& machine) {
    return Registry([machine] { return machineRegistryFiles(machine); });
}

} // namespace velkan::platform
