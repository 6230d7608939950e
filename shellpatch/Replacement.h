#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"
#include "shellpatch/ShellPaths.h"

// Windows swaps shell files at its next start through the [Rename] section of
// WinInit.ini: each line names the file to replace and the file that takes its
// place. A line must only ever name a complete file, or Windows would start
// with a broken shell; so the line is written last, after everything it
// relies on is safely on the disk.
namespace velkan::shellpatch {

// Makes the first backup (.sav, never overwritten once made), copies the
// working copy over the replacement file (.new) and writes the [Rename] line
// that installs it. When the backup or the replacement cannot be made, no
// line is written and the error names the file.
platform::Status scheduleReplacement(const platform::Machine& machine, const ShellPaths& paths,
                                     ShellFileKind kind);

// Writes the [Rename] line that puts the backup back in place of the live
// file, replacing a line an earlier apply wrote for the same file. Returns
// false, writing nothing, when there is no backup to restore.
platform::Result<bool> scheduleRestore(const platform::Machine& machine, const ShellPaths& paths,
                                       ShellFileKind kind);

} // namespace velkan::shellpatch
