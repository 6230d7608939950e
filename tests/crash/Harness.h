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

// Drive C: of the machines a flow runs on: a folder, or a FAT16 disk image
// whose volume fsck.fat judges after every run.
enum class Drive { Folder, Image };

// A machine's files and registry values at one moment. Files are keyed by
// their path inside the machine folder; registry values by "[key]name".
struct MachineState {
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> values;
    std::vector<std::string> litter; // temporary files a killed write left behind
};

// Files inside an image drive are read through the product's file layer and
// keyed as they would be in a folder: "drive_c/WINDOWS/WIN.INI".
MachineState snapshot(const fs::path& machine);

// The prepared machines, made once per test program:
//   "installed"  a fresh machine with Velkan installed, the backup notice shown;
//   "applied"    that machine after a whole OK and Windows' next start, so
//                the backups exist and the live files are patched;
//   "pending"    that OK before Windows' next start: its swap is still pending.
const fs::path& templateMachine(const std::string& name, Drive drive = Drive::Folder);

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

// What fsck.fat -n may find on an image's volume, from the least to the most.
enum class VolumeAllows {
    Nothing,
    LostClusters,  // clusters no file owns, and the FAT copies differing over them
    KillLeftovers, // those, and a long name whose 8.3 entry was never written
    Anything,      // what no kill may leave: cross-links, bad chains, bad entries
};

// One line of fsck.fat's findings and the least that admits it.
struct VolumeFinding {
    VolumeAllows least;
    std::string line;
};

// fsck.fat -n on the volume of the machine's image; nothing for a folder.
std::vector<VolumeFinding> volumeFindings(const fs::path& machine);

// The findings beyond what `allows` admits, as lines for a failure.
std::vector<std::string> beyond(const std::vector<VolumeFinding>& findings, VolumeAllows allows);
VolumeAllows worst(const std::vector<VolumeFinding>& findings);

inline std::vector<std::string> volumeProblems(const fs::path& machine, VolumeAllows allows) {
    return beyond(volumeFindings(machine), allows);
}

// How many times fsck.fat has judged a volume in this test program.
long fsckRuns();

// One flow on one template, with what its undisturbed run leaves before and
// after the machine's next start.
struct FlowCase {
    std::string flow;
    std::string templateName;
    Drive drive = Drive::Folder;
    long steps = 0;
    MachineState before, after, beforeBoot, afterBoot;
    std::vector<std::string> cleanBoxes;
};

FlowCase prepareFlow(const std::string& flow, const std::string& templateName,
                     Drive drive = Drive::Folder);

// Everything that is wrong with `machine` after a disturbed run of the flow;
// empty when the invariants hold. The machine is booted on the way.
// On an image the volume must hold nothing beyond `beforeStart` before the
// start, and after it nothing beyond `afterStart` or what it held before,
// whichever is less. `found` gets the worst finding before and after.
struct VolumeReport {
    VolumeAllows beforeStart = VolumeAllows::Nothing, afterStart = VolumeAllows::Nothing;
};
std::vector<std::string> violations(const FlowCase& c, const fs::path& machine,
                                    VolumeAllows beforeStart = VolumeAllows::KillLeftovers,
                                    VolumeAllows afterStart = VolumeAllows::KillLeftovers,
                                    VolumeReport* found = nullptr);

// One row of the report table.
struct TableRow {
    std::string flow;
    long steps = 0;
    long runs = 0;
    long violations = 0;
    long silent = 0;  // runs that fell short of the new state without telling the user
    long litter = 0;  // runs that left a temporary file behind
    long unnamed = 0; // runs that told the user of a failure without naming the file
    long fsck = 0;    // fsck.fat runs on the runs' volumes
    long lost = 0;    // runs whose volume still held what the kill left after the start
};

void printTable(const std::string& title, const std::vector<TableRow>& rows);

} // namespace velkan::crash
