#pragma once

#include <string>

namespace velkan::shellpatch {

// The shell file and the user file with their working copies, backups and
// replacements, as Windows paths built from the Windows folder exactly as it
// was read (nothing is added to it or taken from it).
struct ShellPaths {
    std::string windowsFolder;
    std::string explorerExe, explorerTmp, explorerSav, explorerNew;
    std::string userExe, userTmp, userSav, userNew;
    std::string winInitIni;

    static ShellPaths fromWindowsFolder(const std::string& windowsFolder);
};

// Which of the two patched files an operation is about.
enum class ShellFileKind { Explorer, User };

struct FileSet {
    const std::string& live;
    const std::string& working;
    const std::string& backup;
    const std::string& replacement;
};

FileSet filesOf(const ShellPaths& paths, ShellFileKind kind);

} // namespace velkan::shellpatch
