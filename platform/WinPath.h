#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace velkan::platform {

// Maps Windows paths ("C:\WINDOWS\Explorer.exe", forward slashes too) to host
// paths inside a machine folder, and back.
//
// Each component is matched without regard to case against what is on the
// disk, because FAT disks hold "EXPLORER.EXE" while programs ask for
// "Explorer.exe". When several host entries match, the one spelt exactly as
// asked wins, else the byte-wise smallest name, so the choice never changes
// between runs. Components that do not exist keep the case they were given,
// so a new file is created under the name the program chose.
//
// Only absolute paths with a drive letter resolve; anything else (such as the
// "Error" folder a missing Msdos.sys yields) fails with PathNotFound, so every
// operation on it fails cleanly. "." and ".." are resolved within the drive
// and never climb above its root; trailing dots and spaces of a component are
// dropped as Windows drops them. Symbolic links below the drive's folder are
// followed only while they stay inside the drive; one that leads out of it
// fails with AccessDenied. A drive whose link is missing or dangling fails with
// NotReady. Nothing is cached: every call looks at the disk as it is now.
Result<std::filesystem::path> resolveWinPath(const Machine& machine, std::string_view winPath);

// Host files the user picked in an open dialog, for the loads that only copy
// a file's bytes into the machine. Such a file is named as Windows names a
// file on the network, "\\Linux\home\ann\Start.ico", and the name resolves
// only in the process whose user picked it: a path read from the machine's
// disk or registry never reaches the host, and none of these names may be
// stored where the machine's Windows reads it later.
std::string grantHostFile(const std::filesystem::path& hostFile);
// Whether a path is such a name, granted or not.
bool isHostFileName(std::string_view winPath);

// The Windows spelling ("C:\WINDOWS\Explorer.exe") of a host path inside one of
// the machine's drives, for showing paths to users and for the shell. A drive
// root comes out as "C:\". Paths outside every drive fail with PathNotFound.
Result<std::string> toWinPath(const Machine& machine, const std::filesystem::path& hostPath);

// True when two file names are the same name to Windows (ASCII letters
// compared without regard to case, every other byte as it is).
bool sameFileName(std::string_view a, std::string_view b);

// Orders file names as Windows users see them sorted: without regard to case,
// ties broken byte-wise so that the order is total and stable.
bool fileNameLess(std::string_view a, std::string_view b);

} // namespace velkan::platform
