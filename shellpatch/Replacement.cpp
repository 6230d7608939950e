#include "shellpatch/Replacement.h"

#include "platform/Files.h"
#include "platform/ProfileString.h"

namespace velkan::shellpatch {

namespace {
constexpr const char* kRenameSection = "Rename";
} // namespace

namespace {

// The backup (first time only) and the replacement file a [Rename] line will
// name; both complete on the disk before the line exists.
platform::Status prepareReplacement(const platform::Machine& machine, const FileSet& files) {
    if (!platform::fileExists(machine, files.backup)) {
        if (auto saved = platform::copyFile(machine, files.live, files.backup, true); !saved)
            return saved;
    }
    return platform::copyFile(machine, files.working, files.replacement, false);
}

} // namespace

platform::Status scheduleReplacement(const platform::Machine& machine, const ShellPaths& paths,
                                     ShellFileKind kind) {
    const ShellFileKind kinds[] = {kind};
    auto errors = scheduleReplacements(machine, paths, kinds);
    if (!errors.empty())
        return errors.front();
    return {};
}

std::vector<platform::Error> scheduleReplacements(const platform::Machine& machine,
                                                  const ShellPaths& paths,
                                                  std::span<const ShellFileKind> kinds) {
    std::vector<platform::Error> errors;
    std::vector<std::pair<std::string_view, std::string_view>> lines;
    for (ShellFileKind kind : kinds) {
        const FileSet files = filesOf(paths, kind);
        if (auto ready = prepareReplacement(machine, files); !ready)
            errors.push_back(ready.error());
        else
            lines.emplace_back(files.live, files.replacement);
    }
    if (!errors.empty() || lines.empty())
        return errors;
    if (auto written =
            platform::writeProfileStrings(machine, paths.winInitIni, kRenameSection, lines);
        !written)
        errors.push_back(written.error());
    return errors;
}

platform::Result<bool> scheduleRestore(const platform::Machine& machine, const ShellPaths& paths,
                                       ShellFileKind kind) {
    if (!platform::fileExists(machine, filesOf(paths, kind).backup))
        return false;
    const ShellFileKind kinds[] = {kind};
    if (auto written = scheduleRestores(machine, paths, kinds); !written)
        return written.error();
    return true;
}

platform::Status scheduleRestores(const platform::Machine& machine, const ShellPaths& paths,
                                  std::span<const ShellFileKind> kinds) {
    std::vector<std::pair<std::string_view, std::string_view>> lines;
    for (ShellFileKind kind : kinds) {
        const FileSet files = filesOf(paths, kind);
        if (platform::fileExists(machine, files.backup))
            lines.emplace_back(files.live, files.backup);
    }
    if (lines.empty())
        return {};
    return platform::writeProfileStrings(machine, paths.winInitIni, kRenameSection, lines);
}

} // namespace velkan::shellpatch
