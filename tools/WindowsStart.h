#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace velkan::machine {

// One command of a Run key and what became of it.
struct RunOutcome {
    std::string root;    // "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"
    std::string name;    // value name
    std::string command; // value data
    bool velkrun = false;
    int exitCode = -1; // of the host's velkrun, when it ran
    std::string note;  // what happened, for people
};

struct StartReport {
    std::vector<std::string> renames; // one line per [Rename] line, in order
    std::vector<RunOutcome> runs;
    bool problems = false; // a [Rename] line skipped or failed, a program not started
};

// Windows start on a machine: the [Rename] lines of WinInit.ini in the Windows
// folder (afterwards WinInit.bak), then the Run entries of HKEY_CURRENT_USER
// and HKEY_LOCAL_MACHINE. A command naming Velkrun.exe in the program folder
// starts the host's velkrun with the same arguments and VELKAN_MACHINE set to
// the machine; other programs cannot run here and are journalled. Everything
// is recorded in the machine's journal.
//
// A machine whose registry cannot be read does not start (the error names
// it). The start takes the customiser's lock for the swap, waiting for a
// running customiser at most `patience` and failing after that; it lets go
// before the Run entries, as the autoload they start takes it itself. Only
// the documented command line reaches velkrun: "/t" or nothing.
inline constexpr std::chrono::milliseconds kCustomiserPatience{10000};
platform::Result<StartReport> startWindows(const platform::Machine& machine,
                                           std::chrono::milliseconds patience = kCustomiserPatience);

// The host's velkrun: $VELKAN_VELKRUN, else beside the running program, else
// ../app/velkrun of it (the build tree), else on PATH. Empty when none.
std::filesystem::path findVelkrun();

// Splits a command line into the program and its arguments as Windows does:
// blanks separate, double quotes group.
std::vector<std::string> splitCommandLine(const std::string& command);

} // namespace velkan::machine
