#include "tools/MachineCheck.h"

#include "platform/Text.h"

#include "platform/Files.h"
#include "platform/MachineRegistry.h"
#include "platform/ProfileString.h"
#include "platform/WinPath.h"
#include "shellpatch/BuildDetection.h"
#include "shellpatch/BuildTable.h"
#include "tools/WinInitRename.h"

#include <optional>
#include <system_error>

namespace velkan::machine {

namespace fs = std::filesystem;

namespace {

std::string_view trimmed(std::string_view s) {
    return platform::trimmed(s, " \t\r");
}

bool sameHostFile(const platform::Machine& machine, std::string_view a, std::string_view b) {
    auto ha = platform::resolveWinPath(machine, a);
    auto hb = platform::resolveWinPath(machine, b);
    return ha && hb && *ha == *hb;
}

class Checker {
public:
    explicit Checker(const platform::Machine& machine) : machine_(machine) {}

    MachineCheck run() {
        checkRegistry();
        windows_ = platform::readProfileString(machine_, "C:\\Msdos.sys", "Paths", "WinDir", "");
        if (windows_.empty()) {
            problem("C:\\Msdos.sys names no Windows folder ([Paths] WinDir)");
            return std::move(report_);
        }
        explorer_ = windows_ + "\\Explorer.exe";
        user_ = windows_ + "\\System\\User.exe";

        const auto liveBuild = checkShell(explorer_, true);
        checkUser(user_, liveBuild, true);
        const auto savedBuild = checkShell(windows_ + "\\Explorer.sav", false);
        checkUser(windows_ + "\\System\\User.sav", savedBuild ? savedBuild : liveBuild, false);
        checkWinInit(liveBuild);
        return std::move(report_);
    }

private:
    void problem(std::string text) { report_.problems.push_back(std::move(text)); }

    std::optional<std::string> bytesOf(const std::string& path) {
        auto bytes = platform::readWholeFile(machine_, path);
        if (!bytes) {
            unreadable_ = bytes.error().message;
            return std::nullopt;
        }
        return *bytes;
    }

    void checkRegistry() {
        const platform::Registry registry = platform::machineRegistry(machine_);
        bool missing = false;
        for (const fs::path& file : registry.files()) {
            // No path at all: the check below says why the files cannot be reached.
            if (!file.empty() && !platform::host::fileAttributes(file)) {
                problem("the registry " + file.string() + " is missing");
                missing = true;
            }
        }
        if (auto readable = registry.check(); !readable) {
            problem(readable.error().message);
            return;
        }
        if (!missing)
            for (const fs::path& file : registry.files())
                report_.checked.push_back("registry " + file.string());
    }

    // The build the shell file is recognised as; a problem when it is not.
    std::optional<int> checkShell(const std::string& path, bool required) {
        auto bytes = bytesOf(path);
        if (!bytes) {
            if (required || platform::fileExists(machine_, path))
                problem(path + " cannot be read: " + unreadable_);
            return std::nullopt;
        }
        report_.checked.push_back(path);
        auto build = shellpatch::detectBuild(*bytes);
        if (!build)
            problem(path + " is not a whole shell file: no build recognises it");
        return build;
    }

    void checkUser(const std::string& path, std::optional<int> build, bool required) {
        auto bytes = bytesOf(path);
        if (!bytes) {
            if (required || platform::fileExists(machine_, path))
                problem(path + " cannot be read: " + unreadable_);
            return;
        }
        report_.checked.push_back(path);
        if (!userWhole(*bytes, build))
            problem(path + " is not a whole user file: the Start-button icon headers are not "
                           "where a build puts them");
    }

    static bool userWhole(std::string_view bytes, std::optional<int> build) {
        if (build)
            return shellpatch::userLayoutFor(bytes, *build).has_value();
        for (const auto& row : shellpatch::kBuilds)
            if (shellpatch::startIconHeaderMatches(bytes, row, 10))
                return true;
        return false;
    }

    void checkWinInit(std::optional<int> liveBuild) {
        const std::string ini = windows_ + "\\WinInit.ini";
        auto text = bytesOf(ini);
        if (!text) {
            if (platform::fileExists(machine_, ini))
                problem(ini + " cannot be read");
            return;
        }
        report_.checked.push_back(ini);
        checkRenameSyntax(ini, *text);

        // The shell file that will be live after the swap decides the user
        // file's layout.
        std::optional<int> nextBuild = liveBuild;
        const auto lines = parseRenameSection(*text);
        for (const auto& line : lines)
            if (!line.deletes() && sameHostFile(machine_, line.target, explorer_))
                if (auto bytes = bytesOf(line.source))
                    nextBuild = shellpatch::detectBuild(*bytes);

        for (const auto& line : lines) {
            const std::string where = ini + " line " + std::to_string(line.lineNumber) + ": ";
            if (line.deletes())
                continue;
            auto bytes = bytesOf(line.source);
            if (!bytes) {
                problem(where + line.source + " does not exist");
                continue;
            }
            if (sameHostFile(machine_, line.target, explorer_)) {
                if (!shellpatch::detectBuild(*bytes))
                    problem(where + line.source + " is not a whole shell file");
            } else if (sameHostFile(machine_, line.target, user_)) {
                if (!userWhole(*bytes, nextBuild))
                    problem(where + line.source + " is not a whole user file");
            }
        }
    }

    // Windows' start reads the section line by line; a line without '=' is a
    // sign of a torn or hand-broken file.
    void checkRenameSyntax(const std::string& ini, std::string_view text) {
        bool inRename = false;
        int number = 0;
        while (!text.empty()) {
            auto end = text.find('\n');
            std::string_view line =
                trimmed(text.substr(0, end == std::string_view::npos ? text.size() : end));
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            ++number;
            if (line.empty() || line.front() == ';')
                continue;
            if (line.front() == '[') {
                if (line.back() != ']')
                    problem(ini + " line " + std::to_string(number) +
                            ": a section name without ']'");
                inRename =
                    platform::sameFileName(trimmed(line.substr(1, line.size() - 2)), "Rename");
                continue;
            }
            if (inRename && line.find('=') == std::string_view::npos)
                problem(ini + " line " + std::to_string(number) + ": not KEY=VALUE");
        }
    }

    const platform::Machine& machine_;
    MachineCheck report_;
    std::string unreadable_; // why the last file bytesOf looked for could not be read
    std::string windows_, explorer_, user_;
};

} // namespace

MachineCheck checkMachine(const platform::Machine& machine) {
    return Checker(machine).run();
}

} // namespace velkan::machine
