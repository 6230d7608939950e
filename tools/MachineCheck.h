#pragma once

#include "platform/Machine.h"

#include <string>
#include <vector>

namespace velkan::machine {

// Whether a machine will start its shell: what a crash, a full disk or a
// failed write could have broken in the files Velkan works on. Each problem is
// one sentence naming the file.
//   - the registry files are there and read whole (SYSTEM.DAT and USER.DAT, or
//     the registry.reg of an earlier machine folder);
//   - every line of WinInit.ini's [Rename] section is KEY=VALUE and names a
//     file that exists; a line that installs the shell file or the user file
//     names a whole one;
//   - the live shell file and user file are whole, and so are their backups
//     (.sav) when there are any.
// A shell file is whole when a build of the table recognises it and all of
// that build's fields can be read; a user file when it holds the Start-button
// icon headers of the build the shell file is recognised as (or of any build
// when the shell file is not recognised).
struct MachineCheck {
    std::vector<std::string> problems;
    std::vector<std::string> checked; // what was looked at, for people
    bool sound() const { return problems.empty(); }
};

MachineCheck checkMachine(const platform::Machine& machine);

} // namespace velkan::machine
