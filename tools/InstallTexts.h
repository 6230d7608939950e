#pragma once

#include <string>

namespace velkan::machine {

// The documents the installer puts into the program folder, with CR LF line
// ends as Notepad expects them.
std::string readmeText();
std::string readmeFrenchText();
std::string historyText();

// The small stand-in executables: a DOS program that says what it stands for.
std::string standInExecutable(const std::string& programName, const std::string& role);

} // namespace velkan::machine
