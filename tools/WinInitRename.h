#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkan::machine {

// One line of the [Rename] section of WinInit.ini: the file on the left is
// replaced by the file on the right; a left side of NUL deletes the right side.
struct RenameLine {
    std::string target; // left side, a Windows path or "NUL"
    std::string source; // right side
    int lineNumber = 0; // in the file, from 1

    bool deletes() const;
};

// Every line of the [Rename] sections in file order, as Windows' start reads
// them: also repeated left sides (several NUL lines), which the profile-string
// rules would hide. Blank lines, comments and lines without "=" are skipped.
std::vector<RenameLine> parseRenameSection(std::string_view iniText);

// What became of one line.
struct RenameOutcome {
    enum Kind {
        Replaced,        // source moved over target
        Deleted,         // NUL line: source deleted
        NothingToDelete, // NUL line whose file was not there
        SkippedMissing,  // source missing: target left as it was
        Failed,          // a path did not resolve, or the file system refused
    };
    RenameLine line;
    Kind kind = Failed;
    std::string detail; // for people, names the files

    std::string describe() const;
};

// The files of a machine seen through the pending [Rename] lines, without
// touching them: where the content of a Windows path would come from after the
// next start, or nothing when it would not exist.
class RenameView {
public:
    explicit RenameView(platform::Machine machine) : machine_(std::move(machine)) {}

    std::optional<std::filesystem::path> contentOf(std::string_view winPath) const;
    std::optional<std::filesystem::path> contentOfHost(const std::filesystem::path& host) const;

    // Recording what a swap would do.
    void markDeleted(const std::filesystem::path& host);
    void markMoved(const std::filesystem::path& from, const std::filesystem::path& to);

private:
    std::size_t recorded(const std::filesystem::path& host) const;
    void record(const std::filesystem::path& host, std::optional<std::filesystem::path> content);

    platform::Machine machine_;
    // Host path (as resolved now) -> host file that holds its content after
    // the swaps, or nothing when deleted.
    std::vector<std::pair<std::filesystem::path, std::optional<std::filesystem::path>>> changed_;
};

// Performs (or, with dryRun, plays through a RenameView) the lines of the
// Windows folder's WinInit.ini in order. When done for real, WinInit.ini is
// renamed to WinInit.bak afterwards. A machine without WinInit.ini has nothing
// to do.
struct RenameReport {
    bool hadWinInit = false;
    std::vector<RenameOutcome> outcomes;
};
platform::Result<RenameReport> performRenames(const platform::Machine& machine,
                                              std::string_view windowsFolder);
platform::Result<RenameView> previewRenames(const platform::Machine& machine,
                                            std::string_view windowsFolder,
                                            RenameReport* report = nullptr);

} // namespace velkan::machine
