#include "shellpatch/ShellPaths.h"

namespace velkan::shellpatch {

ShellPaths ShellPaths::fromWindowsFolder(const std::string& w) {
    ShellPaths p;
    p.windowsFolder = w;
    p.explorerExe = w + "\\Explorer.exe";
    p.explorerTmp = w + "\\Explorer.tmp";
    p.explorerSav = w + "\\Explorer.sav";
    p.explorerNew = w + "\\Explorer.new";
    p.userExe = w + "\\System\\User.exe";
    p.userTmp = w + "\\System\\User.tmp";
    p.userSav = w + "\\System\\User.sav";
    p.userNew = w + "\\System\\User.new";
    p.winInitIni = w + "\\WinInit.ini";
    return p;
}

FileSet filesOf(const ShellPaths& p, ShellFileKind kind) {
    if (kind == ShellFileKind::Explorer)
        return {p.explorerExe, p.explorerTmp, p.explorerSav, p.explorerNew};
    return {p.userExe, p.userTmp, p.userSav, p.userNew};
}

} // namespace velkan::shellpatch
