#include "shellpatch/Replacement.h"

#include "platform/Files.h"
#include "platform/ProfileString.h"

namespace velkan::shellpatch {

namespace {
constexpr const char* kRenameSection = "Rename";
} // namespace

platform::Status scheduleReplacement(const platform::Machine& machine, const ShellPaths& paths,
                                     ShellFileKind kind) {
    FileSet files = filesOf(paths, kind);
    if (!platform::fileExists(machine, files.backup)) {
        if (auto saved = platform::copyFile(machine, files.live, files.backup, true); !saved)
            return saved;
    }
    if (auto copied = platform::copyFile(machine, files.working, files.replacement, false); !copied)
        return copied;
    return platform::writeProfileString(machine, paths.winInitIni, kRenameSection, files.live,
                                        files.replacement);
}

platform::Result<bool> scheduleRestore(const platform::Machine& machine, const ShellPaths& paths,
                                       ShellFileKind kind) {
    FileSet files = filesOf(paths, kind);
    if (!platform::fileExists(machine, files.backup))
        return false;
    if (auto written = platform::writeProfileString(machine, paths.winInitIni, kRenameSection,
                                                    files.live, files.backup);
        !written)
        return written.error();
    return true;
}

} // namespace velkan::shellpatch
