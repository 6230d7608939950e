#pragma once

#include "platform/Machine.h"
#include "platform/Registry.h"

#include <string>

namespace velkan::platform {

// The Windows folder of a machine as its C:\Msdos.sys names it ([Paths]
// WinDir), or "C:\WINDOWS" when it names none.
std::string registryWindowsFolder(const Machine& machine);

// Where a machine keeps its registry: SYSTEM.DAT and USER.DAT in its Windows
// folder, as Windows 95 does; or the registry.reg beside drive C: of a machine
// folder made by an earlier version of Velkan, while that folder has no
// registry files in its Windows folder. The lock that orders writers between
// processes is a file of the machine folder, never of drive C:.
detail::RegistryFiles machineRegistryFiles(const Machine& machine);

// The registry of a machine, in the files above.
Registry machineRegistry(const Machine& machine);

} // namespace velkan::platform
