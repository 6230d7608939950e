#pragma once

#include "platform/Result.h"

#include <filesystem>
#include <optional>

namespace velkan::machine {

// What `velkan-machine create` makes.
struct MachineSpec {
    int build = 0; // row of the build table Explorer.exe is made for
    std::optional<int>
        userLayout; // row whose IconShift User.exe follows; the build's own when unset
};

// Makes a new Windows 95 machine in `root` (created when missing; an existing
// machine there is refused with AlreadyExists): drive C: with MSDOS.SYS, the
// WINDOWS and SYSTEM folders, Explorer.exe, User.exe and SHELL32.DLL for the
// spec's build, the shell folders, and the registry of a fresh Windows 95.
platform::Status createMachine(const std::filesystem::path& root, const MachineSpec& spec = {});

} // namespace velkan::machine
