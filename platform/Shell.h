#pragma once

#include "platform/Journal.h"
#include "platform/Machine.h"
#include "platform/Result.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velkan::platform {

// ShellExecute's results: above 32 is success, the rest are its error codes.
inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_PNF = 3;
inline constexpr int SE_ERR_ACCESSDENIED = 5;
inline constexpr int SE_ERR_NOASSOC = 31;
inline constexpr int SHELL_EXECUTE_OK = 42;

inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;

// ExitWindowsEx flags.
inline constexpr std::uint32_t EWX_LOGOFF = 0;
inline constexpr std::uint32_t EWX_SHUTDOWN = 1;
inline constexpr std::uint32_t EWX_REBOOT = 2;
inline constexpr std::uint32_t EWX_FORCE = 4;
inline constexpr std::uint32_t EWX_POWEROFF = 8;

// What Windows' shell and session manager do for the product, carried out on
// one machine folder. Opening a document goes to the host desktop; what only
// the machine can do (start its shell, restart) is written to the machine's
// journal, and a restart runs the machine's start ("velkan-machine boot").
class Shell {
public:
    explicit Shell(Machine machine);

    const Machine& machine() const { return machine_; }
    const Journal& journal() const { return journal_; }

    // ShellExecute: opens `file` (a Windows path of the machine, or a
    // "mailto:", "http:" or "https:" address) with the host's opener,
    // xdg-open, or the program named by the environment variable
    // VELKAN_OPENER. `operation` is empty (the default action), "open" or
    // "explore". A `file` without a drive is taken in the folder `directory`.
    // `parameters` and `showCommand` only matter to programs, which the
    // desktop does not run for the machine. Returns SHELL_EXECUTE_OK (> 32) or
    // an SE_ERR_ code; a successful open is journalled as "open <file>".
    int ShellExecute(std::string_view operation, std::string_view file,
                     std::string_view parameters = {}, std::string_view directory = {},
                     int showCommand = SW_SHOWNORMAL) const;

    // CreateProcess of a program of the machine, given by its Windows path.
    // Windows programs cannot run here: the start is journalled
    // ("start shell <path>" for Explorer.exe, "start <path>" otherwise) and
    // reported as done. Fails with FileNotFound or PathNotFound when the
    // program is not in the machine.
    Status CreateProcess(std::string_view applicationName, std::string_view commandLine = {}) const;

    // ExitWindowsEx: journals "restart requested", "log-off requested" or
    // "shut-down requested" with the flags. A restart then runs the machine's
    // start, `velkan-machine boot <machine root>`, and journals its outcome;
    // the result is an error when that tool cannot be found or fails.
    Status ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) const;

    // The velkan-machine program: $VELKAN_MACHINE_TOOL, else the one beside
    // the running program or in ../tools/ of it, else the one on PATH. Empty
    // when there is none.
    static std::filesystem::path findMachineTool();
    // Runs that program with `args` (its output to nowhere, its errors to
    // ours) and gives its exit code.
    static Result<int> runMachineTool(const std::vector<std::string>& args);

private:
    Machine machine_;
    Journal journal_;
};

} // namespace velkan::platform
