#include "shellpatch/RenameSchedule.h"

#include "platform/Text.h"

#include "platform/Files.h"
#include "platform/ProfileString.h"

#include <cctype>
#include <string>

namespace velkan::shellpatch {

namespace {
constexpr const char* kRenameSection = "Rename";
} // namespace

namespace {

using Lines = std::vector<std::pair<std::string_view, std::string_view>>;

bool sameWindowsPath(std::string_view a, std::string_view b) {
    return platform::asciiLowercase(a) == platform::asciiLowercase(b);
}

// Where a replacement waits while the one an earlier apply scheduled is still
// named by its [Rename] line: "Explorer.~nw" beside "Explorer.new" (a short
// name, as Windows' start-up swap needs).
std::string stagedFile(const FileSet& files) {
    const std::string& replacement = files.replacement;
    const auto dot = replacement.rfind('.');
    return replacement.substr(0, dot == std::string::npos ? replacement.size() : dot) + ".~nw";
}

// What the [Rename] line of the live file names now, if there is one.
std::string pendingReplacement(const platform::Machine& machine, const ShellPaths& paths,
                               const FileSet& files) {
    return platform::readProfileString(machine, paths.winInitIni, kRenameSection, files.live, "");
}

// The backup (first time only) and the file a [Rename] line will name; both
// complete on the disk before the line exists.
platform::Status prepareReplacement(const platform::Machine& machine, const FileSet& files,
                                    std::string_view target) {
    if (!platform::fileExists(machine, files.backup)) {
        if (auto saved = platform::copyFile(machine, files.live, files.backup, true); !saved)
            return saved;
    }
    return platform::copyFile(machine, files.working, target, false);
}

// A pending line names the replacement file that is about to be overwritten:
// the two files cannot be overwritten at once, so the new ones are made ready
// in the slot no line names (the staged name, or the usual one when an earlier
// apply was left on the staged name) and the lines moved onto them in one
// write. So every moment names complete files of one apply: the earlier pair
// until the lines move, the new pair after. Staged files then take the usual
// names and the lines follow in one more write; a failure in that last part
// leaves the staged pair scheduled, which is still the new look.
std::vector<platform::Error> scheduleOverPending(const platform::Machine& machine,
                                                 const ShellPaths& paths,
                                                 std::span<const ShellFileKind> kinds) {
    struct Slot {
        FileSet files;
        std::string staged;
        bool onStaged; // the new file goes to the staged name
    };
    std::vector<Slot> slots;
    for (ShellFileKind kind : kinds) {
        const FileSet files = filesOf(paths, kind);
        std::string staged = stagedFile(files);
        const bool stagedIsPending =
            sameWindowsPath(pendingReplacement(machine, paths, files), staged);
        slots.push_back({files, std::move(staged), !stagedIsPending});
    }
    auto target = [](const Slot& slot) -> const std::string& {
        return slot.onStaged ? slot.staged : slot.files.replacement;
    };
    auto dropStaged = [&] {
        for (const auto& slot : slots)
            if (slot.onStaged)
                (void)platform::deleteFile(machine, slot.staged);
    };

    std::vector<platform::Error> errors;
    Lines lines;
    for (const auto& slot : slots) {
        if (auto ready = prepareReplacement(machine, slot.files, target(slot)); !ready)
            errors.push_back(ready.error());
        else
            lines.emplace_back(slot.files.live, target(slot));
    }
    if (errors.empty()) {
        if (auto moved =
                platform::writeProfileStrings(machine, paths.winInitIni, kRenameSection, lines);
            !moved)
            errors.push_back(moved.error());
    }
    if (!errors.empty()) {
        dropStaged();
        return errors;
    }

    // No line names the earlier replacements any more: they go first, so the
    // copies under the usual names find the room they took.
    Lines settled;
    for (const auto& slot : slots) {
        if (slot.onStaged) {
            (void)platform::deleteFile(machine, slot.files.replacement);
            if (!platform::copyFile(machine, slot.staged, slot.files.replacement, false))
                return errors;
        }
        settled.emplace_back(slot.files.live, slot.files.replacement);
    }
    if (platform::writeProfileStrings(machine, paths.winInitIni, kRenameSection, settled))
        dropStaged();
    return errors;
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
    for (ShellFileKind kind : kinds) {
        const FileSet files = filesOf(paths, kind);
        const std::string pending = pendingReplacement(machine, paths, files);
        if (sameWindowsPath(pending, files.replacement) ||
            sameWindowsPath(pending, stagedFile(files)))
            return scheduleOverPending(machine, paths, kinds);
    }
    std::vector<platform::Error> errors;
    Lines lines;
    for (ShellFileKind kind : kinds) {
        const FileSet files = filesOf(paths, kind);
        if (auto ready = prepareReplacement(machine, files, files.replacement); !ready)
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
