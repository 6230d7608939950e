#include "tools/WindowsStart.h"

#include "platform/InstanceLock.h"
#include "platform/Journal.h"
#include "platform/MachineRegistry.h"
#include "platform/ProfileString.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "tools/WinInitRename.h"

#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace velkan::machine {

namespace fs = std::filesystem;
using platform::Machine;
using platform::Registry;
using platform::RootKey;

namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool executable(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}

fs::path runningProgramFolder() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           platform::sameFileName(text.substr(0, prefix.size()), prefix);
}

// Runs the host program and waits for it; its exit code, or -1 when it could
// not be started.
int runHostProgram(const fs::path& program, const std::vector<std::string>& args,
                   const fs::path& machineRoot) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).rfind("VELKAN_MACHINE=", 0) != 0)
            env.emplace_back(*e);
    env.push_back("VELKAN_MACHINE=" + machineRoot.string());
    std::vector<char*> envp, argv;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string name = program.string();
    std::vector<std::string> argStore(args);
    argv.push_back(name.data());
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, name.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Whether the command starts the Velkrun.exe of the program folder, quoted or
// not (Windows finds "C:\Program Files\..." unquoted too), and its arguments.
bool namesVelkrun(std::string_view command, const std::string& programFolder,
                  std::vector<std::string>& args) {
    if (programFolder.empty())
        return false;
    while (!command.empty() && command.front() == ' ')
        command.remove_prefix(1);
    const bool quoted = !command.empty() && command.front() == '"';
    if (quoted)
        command.remove_prefix(1);
    const std::string program = programFolder + "Velkrun.exe";
    if (!startsWithIgnoringCase(command, program))
        return false;
    command.remove_prefix(program.size());
    if (quoted) {
        if (command.empty() || command.front() != '"')
            return false;
        command.remove_prefix(1);
    }
    if (!command.empty() && command.front() != ' ' && command.front() != '\t')
        return false;
    // The words after "/t" mean nothing to velkrun, while a toolkit reading
    // its own options among them would load a plugin or a style sheet from
    // wherever they say: only the documented command line goes on.
    const std::vector<std::string> words = splitCommandLine(std::string(command));
    args.clear();
    if (!words.empty() && words[0].size() == 2 && words[0][0] == '/' &&
        (words[0][1] == 't' || words[0][1] == 'T'))
        args.push_back(words[0]);
    return true;
}

} // namespace

std::vector<std::string> splitCommandLine(const std::string& command) {
    std::vector<std::string> parts;
    std::string current;
    bool quoted = false, any = false;
    for (char c : command) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any)
                parts.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        parts.push_back(current);
    return parts;
}

fs::path findVelkrun() {
    if (const char* chosen = std::getenv("VELKAN_VELKRUN"); chosen && *chosen)
        return executable(chosen) ? fs::path(chosen) : fs::path();
    const fs::path here = runningProgramFolder();
    if (!here.empty()) {
        for (const fs::path& candidate : {here / "velkrun", here.parent_path() / "app" / "velkrun"})
            if (executable(candidate))
                return candidate;
    }
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest = path;
        while (!rest.empty()) {
            auto colon = rest.find(':');
            fs::path candidate = fs::path(std::string(rest.substr(0, colon))) / "velkrun";
            if (executable(candidate))
                return candidate;
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    return {};
}

platform::Result<StartReport> startWindows(const Machine& machine,
                                           std::chrono::milliseconds patience) {
    const platform::Journal journal = platform::Journal::ofMachine(machine);
    StartReport report;
    journal.append("boot");

    const Registry registry = platform::machineRegistry(machine);
    if (auto readable = registry.check(); !readable) {
        journal.append("boot: " + readable.error().message);
        return readable.error();
    }

    // A customiser renames and writes the very files of the swap.
    auto lock = platform::InstanceLock::acquire(machine, platform::kCustomiserLockName, patience);
    if (!lock && lock.error().code == platform::WinError::AlreadyExists) {
        auto refused = platform::Error::of(
            platform::WinError::AlreadyExists,
            "Velkan is running on this machine (" + lock.error().message +
                "); the machine starts once it has been closed.");
        journal.append("boot: " + refused.message);
        return refused;
    }
    if (!lock && lock.error().code == platform::WinError::InvalidData) {
        journal.append("boot: " + lock.error().message);
        return lock.error();
    }
    // Any other failure (a read-only machine folder) leaves nothing to guard.

    const std::string windows =
        platform::readProfileString(machine, "C:\\Msdos.sys", "Paths", "WinDir", "Error");
    auto renames = performRenames(machine, windows);
    if (!renames) {
        journal.append("boot: " + renames.error().message);
        return renames.error();
    }
    for (const auto& outcome : renames->outcomes) {
        const std::string text = outcome.describe();
        report.renames.push_back(text);
        journal.append("rename " + text);
        if (outcome.kind == RenameOutcome::SkippedMissing || outcome.kind == RenameOutcome::Failed)
            report.problems = true;
    }

    // The autoload of the Run key is a customiser of its own.
    if (lock)
        *lock = platform::InstanceLock();

    std::string programFolder;
    if (auto key = registry.openKey(RootKey::CurrentUser, "Software\\Velkan"))
        if (auto location = key->queryString("Location"))
            programFolder = *location;

    for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
        auto key = registry.openKey(root, kRunKey);
        if (!key)
            continue;
        auto values = key->values();
        if (!values)
            continue;
        for (const auto& value : *values) {
            if (value.value.type != platform::REG_SZ && value.value.type != platform::REG_EXPAND_SZ)
                continue;
            RunOutcome run;
            run.root = platform::rootKeyName(root);
            run.name = value.name;
            run.command = value.value.asString();
            std::vector<std::string> args;
            run.velkrun = namesVelkrun(run.command, programFolder, args);
            if (run.velkrun) {
                const fs::path velkrun = findVelkrun();
                if (velkrun.empty()) {
                    run.note = "velkrun was not found on this computer";
                    report.problems = true;
                } else {
                    run.exitCode = runHostProgram(velkrun, args, machine.root());
                    run.note = run.exitCode < 0
                                   ? "velkrun could not be started"
                                   : "velkrun ended with " + std::to_string(run.exitCode);
                    if (run.exitCode != 0)
                        report.problems = true;
                }
            } else {
                run.note = "recorded";
            }
            journal.append("run " + run.command + " (" + run.note + ")");
            report.runs.push_back(std::move(run));
        }
    }
    journal.append("boot complete");
    return report;
}

} // namespace velkan::machine
