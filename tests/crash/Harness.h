#pragma once

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The crash harness: a flow of the product run by the crash driver on a copy
// of a prepared machine, with a fault at one disk step, and the checks that
// the machine still starts with either its old look or the new one.
namespace velkan::crash {

namespace fs = std::filesystem;

// A machine's files and registry values at one moment. Files are keyed by
// their path inside the machine folder; registry values by "[key]name".
struct MachineState {
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> values;
    std::vector<std::string> litter; // temporary files a killed write left behind
};

MachineState snapshot(const fs::path& machine);

// The prepared machines, made once per test program:
//   "installed"  a fresh machine with Velkan installed, the backup notice shown;
//   "applied"    that machine after a whole OK and Windows' next start, so
//                the backups exist and the live files are patched;
//   "pending"    that OK before Windows' next start: its swap is still pending.
const fs::path& templateMachine(const std::string& name);

void copyMachine(const fs::path& from, const fs::path& to);

struct DriverRun {
    test::ProcessResult process;
    std::vector<std::string> boxes; // "caption|text" of every message box
    bool killed() const { return process.exitCode == 128 + 9; }
};

// Runs the crash driver's `flow` on `machine` with the extra environment.
DriverRun runFlow(const std::string& flow, const fs::path& machine,
                  const std::map<std::string, std::string>& env = {});

// Windows' next start on the machine: the [Rename] swap, the Run entries
// (a Velkrun there is not run again).
void bootMachine(const fs::path& machine);

// One flow on one template, with what its undisturbed run leaves before and
// after the machine's next start.
struct FlowCase {
    std::string flow;
    std::string templateName;
    long steps = 0;
    MachineState before, after, beforeBoot, afterBoot;
    std::vector<std::string> cleanBoxes;
};

FlowCase prepareFlow(const std::string& flow, const std::string& templateName);

// Everything that is wrong with `machine` after a disturbed run of the flow;
// empty when the invariants hold. The machine is booted on the way.
std::vector<std::string> violations(const FlowCase& c, const fs::path& machine);

// One row of the report table.
struct TableRow {
    std::string flow;
    long steps = 0;
    long runs = 0;
    long violations = 0;
    long silent = 0;  // runs that fell short of the new state without telling the user
    long litter = 0;  // runs that left a temporary file behind
    long unnamed = 0; // runs that told the user of a failure without naming the file
};

void printTable(const std::string& title, const std::vector<TableRow>& rows);

} // namespace velkan::crash
