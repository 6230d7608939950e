#include "tools/MachineBuilder.h"

#include "platform/AtomicFile.h"
#include "platform/Machine.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "shellpatch/BuildTable.h"
#include "tools/ExplorerImage.h"
#include "tools/FreshRegistry.h"
#include "tools/MsdosSys.h"
#include "tools/Shell32Image.h"
#include "tools/UserImage.h"

#include <fstream>
#include <string_view>
#include <system_error>

namespace velkan::machine {

namespace fs = std::filesystem;
using platform::Error;
using platform::Status;
using platform::WinError;

namespace {

// "C:\WINDOWS\Start Menu" inside drive_c, keeping the Windows spelling.
fs::path onDriveC(const fs::path& driveC, std::string_view winPath) {
    fs::path out = driveC;
    std::string_view rest = winPath.substr(3);
    while (!rest.empty()) {
        auto slash = rest.find('\\');
        out /= std::string(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    return out;
}

Status makeFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return platform::errorFromErrno(ec.value(), folder.string());
    return {};
}

Status writeFile(const fs::path& file, std::string_view bytes) {
    return platform::writeFileAtomically(file, bytes);
}

} // namespace

Status createMachine(const fs::path& root, const MachineSpec& spec) {
    if (!shellpatch::buildAt(spec.build))
        return Error::of(WinError::InvalidParameter,
                         "There is no build " + std::to_string(spec.build) + " in the build table");
    const int layout = spec.userLayout.value_or(spec.build);
    if (!shellpatch::buildAt(layout))
        return Error::of(WinError::InvalidParameter,
                         "There is no build " + std::to_string(layout) + " for User.exe's layout");

    const platform::Machine machine(root);
    std::error_code ec;
    if (fs::exists(machine.driveC(), ec) || fs::exists(machine.registryFile(), ec))
        return Error::of(WinError::AlreadyExists, root.string() + " already holds a machine");

    const fs::path windows = machine.driveC() / "WINDOWS";
    const fs::path system = windows / "SYSTEM";
    for (const fs::path& folder : {root, system, machine.driveC() / "Program Files"})
        if (auto s = makeFolder(folder); !s)
            return s;
    for (const char* const* folder = freshShellFolders(); *folder; ++folder)
        if (auto s = makeFolder(onDriveC(machine.driveC(), *folder)); !s)
            return s;

    if (auto s = writeFile(machine.driveC() / "MSDOS.SYS", msdosSysText()); !s)
        return s;
    if (auto s = writeFile(windows / "EXPLORER.EXE", makeExplorerImage(spec.build)); !s)
        return s;
    if (auto s = writeFile(system / "USER.EXE", makeUserImage(layout)); !s)
        return s;
    const std::vector<std::uint8_t> shell32 = makeShell32Dll();
    if (auto s = writeFile(
            system / "SHELL32.DLL",
            std::string_view(reinterpret_cast<const char*>(shell32.data()), shell32.size()));
        !s)
        return s;

    // The Windows folder exists now, so the registry lands in its SYSTEM.DAT
    // and USER.DAT.
    return writeFreshRegistry(platform::machineRegistry(machine));
}

} // namespace velkan::machine
