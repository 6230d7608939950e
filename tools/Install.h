#pragma once

#include "platform/Result.h"

#include <filesystem>
#include <string>

namespace velkan::machine {

// Where the installer puts Velkan, as the machine sees it (trailing backslash,
// as the registry value "Location" holds it).
inline constexpr const char* kProgramFolder = "C:\\Program Files\\Velkan\\";

// Installs Velkan into the machine folder as its installer does: the program
// folder with the readme files and program stand-ins, the four stock theme
// packs inside it, the "Location" value, the file-type and uninstall keys and
// the "Velkan.lnk" shortcuts on the desktop and in the Start Menu. Running it
// again refreshes everything and harms nothing.
platform::Status installVelkan(const std::filesystem::path& machineFolder);

} // namespace velkan::machine
