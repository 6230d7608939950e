#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"
#include "shellpatch/ShellPaths.h"

#include <span>
#include <vector>

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

// The same for several shell files at once, all or none: every backup and
// replacement is made first, and only when all of them are on the disk are
// the [Rename] lines written, in one replacement of WinInit.ini. So neither a
// crash between two lines nor a disk that fills up half-way can start Windows
// with the new shell beside the old user file. One error per file that could
// not be made ready (naming it), or the error of WinInit.ini; none on success.
std::vector<platform::Error> scheduleReplacements(const platform::Machine& machine,
                                                  const ShellPaths& paths,
                                                  std::span<const ShellFileKind> kinds);

// Writes the [Rename] line that puts the backup back in place of the live
// file, replacing a line an earlier apply wrote for the same file. Returns
// false, writing nothing, when there is no backup to restore.
platform::Result<bool> scheduleRestore(const platform::Machine& machine, const ShellPaths& paths,
                                       ShellFileKind kind);

// The same for several shell files, their lines written in one replacement of
// WinInit.ini. Files without a backup are left out; the error, if any, names
// WinInit.ini.
platform::Status scheduleRestores(const platform::Machine& machine, const ShellPaths& paths,
                                  std::span<const ShellFileKind> kinds);

} // namespace velkan::shellpatch
