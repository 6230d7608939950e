#include "platform/Shell.h"

#include "platform/Text.h"

#include "platform/Files.h"
#include "platform/ImageDrive.h"

#include "platform/WinPath.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace velkan::platform {

namespace fs = std::filesystem;

namespace {

std::string lowered(std::string_view text) {
    return asciiLowercase(text);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && lowered(text.substr(0, prefix.size())) == prefix;
}

bool isAddress(std::string_view target) {
    return startsWith(target, "mailto:") || startsWith(target, "http://") ||
           startsWith(target, "https://");
}

// "x:" at the very start with a longer scheme than a drive letter: an address
// of a kind the desktop is not asked to open.
bool hasOtherScheme(std::string_view target) {
    std::size_t colon = target.find(':');
    return colon != std::string_view::npos && colon > 1;
}

std::string hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

struct Spawned {
    pid_t pid = -1;
    int error = 0;
};

// Starts a program with its arguments passed as they are (no shell between),
// its standard input from /dev/null.
Spawned spawn(const std::string& program, const std::vector<std::string>& args,
              bool quiet = false) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    Spawned result;
    result.error =
        posix_spawnp(&result.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result.error != 0)
        result.pid = -1;
    return result;
}

int exitCodeOf(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// xdg-open hands the target to an application and returns at once; an opener
// that stays (a terminal browser, say) is taken to have succeeded and is
// reaped in the background so that it leaves no zombie.
std::optional<int> waitBriefly(pid_t pid, std::chrono::milliseconds patience) {
    auto end = std::chrono::steady_clock::now() + patience;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return exitCodeOf(status);
        if (done < 0 && errno != EINTR)
            return 127;
        if (std::chrono::steady_clock::now() >= end) {
            std::thread([pid] {
                int ignored = 0;
                while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
                }
            }).detach();
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return 127;
    }
    return exitCodeOf(status);
}

int shellErrorOf(WinError error) {
    switch (error) {
    case WinError::FileNotFound:
        return SE_ERR_FNF;
    case WinError::AccessDenied:
        return SE_ERR_ACCESSDENIED;
    default:
        return SE_ERR_PNF;
    }
}

// Whether a resolved host path is missing as a file (FileNotFound) or because
// its folder is missing (PathNotFound), as Windows tells the two apart.
WinError missingKind(const fs::path& host) {
    Result<FileAttributes> parent = host::fileAttributes(host.parent_path());
    return parent && parent->directory ? WinError::FileNotFound : WinError::PathNotFound;
}

std::string winFileName(std::string_view winPath) {
    std::size_t slash = winPath.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? winPath : winPath.substr(slash + 1));
}

// What a folder copied out of an image may hold at most: a theme pack or a
// program folder is far below it, a hostile disk's endless tree is not.
constexpr std::uint64_t kMostCopiedBytes = 64u << 20;
constexpr int kMostCopiedEntries = 4096;

bool copyEntry(const fs::path& from, const fs::path& to, bool folder, std::uint64_t& bytes,
               int& entries, int depth) {
    if (++entries > kMostCopiedEntries || depth > 16)
        return false;
    if (!folder) {
        Result<std::string> content = host::readWholeFile(from);
        if (!content || (bytes += content->size()) > kMostCopiedBytes)
            return false;
        if (!host::writeWholeFile(to, *content))
            return false;
        ::chmod(to.c_str(), 0400);
        return true;
    }
    if (!host::createDirectory(to))
        return false;
    Result<std::vector<FindEntry>> listed = host::findFiles(from, "*.*", true);
    if (!listed)
        return false;
    for (const FindEntry& entry : *listed) {
        if (entry.name == "." || entry.name == ".." || entry.name.find('/') != std::string::npos)
            continue;
        if (!copyEntry(from / entry.name, to / entry.name, entry.directory, bytes, entries,
                       depth + 1))
            return false;
    }
    return true;
}

// A document or folder inside a drive kept as a disk image reaches the
// desktop's program as a copy in a folder of its own that only this user can
// enter: the program cannot read the image, and must not write into it
// behind the FAT layer's back.
std::optional<fs::path> copyOutOfImage(const fs::path& host, std::string_view winPath,
                                       bool folder) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string pattern = (runtime && *runtime && fs::path(runtime).is_absolute()
                               ? std::string(runtime)
                               : fs::temp_directory_path().string()) +
                          "/velkan-open-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return std::nullopt;
    std::string name = winFileName(winPath);
    if (name.empty() || name == "." || name == "..")
        name = "Drive C";
    const fs::path copy = fs::path(pattern) / name;
    std::uint64_t bytes = 0;
    int entries = 0;
    if (!copyEntry(host, copy, folder, bytes, entries, 0))
        return std::nullopt;
    return copy;
}

bool isExecutableFile(const fs::path& file) {
    std::error_code ec;
    return fs::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0;
}

bool isPlainEntry(const fs::path& host) {
    struct stat st {};
    return ::stat(host.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
}

// Whether `host`, which `winPath` resolved to, is the entry its last component
// names in the folder the rest names, rather than where a link there leads.
bool namedAsItIs(const Machine& machine, std::string_view winPath, const fs::path& host) {
    std::string_view path = winPath;
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.remove_suffix(1);
    const std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string_view::npos || cut < 2)
        return true; // a drive root
    std::string name(path.substr(cut + 1));
    // Windows drops trailing dots and blanks of a name, as the resolution did.
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    if (name.empty() || name == "." || name == "..")
        return true; // resolved within the folders themselves
    Result<fs::path> folder = resolveWinPath(machine, std::string(path.substr(0, cut + 1)));
    return folder && host.parent_path() == *folder &&
           sameFileName(host.filename().string(), name);
}

} // namespace

Shell::Shell(Machine machine)
    : machine_(std::move(machine)), journal_(Journal::ofMachine(machine_)) {}

int Shell::ShellExecute(std::string_view operation, std::string_view file,
                        std::string_view /*parameters*/, std::string_view directory,
                        int /*showCommand*/) const {
    std::string verb = lowered(operation);
    if (!verb.empty() && verb != "open" && verb != "explore")
        return SE_ERR_NOASSOC;
    if (file.empty())
        return SE_ERR_FNF;

    std::string target;           // what the opener gets
    std::string journalled(file); // what the journal shows: the Windows side
    if (isAddress(file)) {
        target = std::string(file);
    } else if (hasOtherScheme(file)) {
        return SE_ERR_NOASSOC;
    } else {
        // A name without a drive is looked up in the working folder, if any.
        std::string winPath(file);
        bool rooted = winPath.size() >= 2 && winPath[1] == ':';
        if (!rooted && !directory.empty()) {
            std::string folder(directory);
            if (folder.back() != '\\' && folder.back() != '/')
                folder += '\\';
            winPath = folder + winPath;
        }
        Result<fs::path> host = resolveWinPath(machine_, winPath);
        if (!host)
            return shellErrorOf(host.error().code);
        if (imagedrive::locate(*host)) {
            Result<FileAttributes> found = host::fileAttributes(*host);
            if (!found)
                return shellErrorOf(found.error().code == WinError::PathNotFound
                                        ? WinError::PathNotFound
                                        : missingKind(*host));
            std::optional<fs::path> copy = copyOutOfImage(*host, winPath, found->directory);
            if (!copy)
                return SE_ERR_ACCESSDENIED;
            target = copy->string();
        } else {
            std::error_code ec;
            if (!fs::exists(*host, ec))
                return shellErrorOf(missingKind(*host));
            // The desktop picks its program by the name and contents of what
            // it is handed, so it gets the very file that was named: a regular
            // file or a folder, reached without a link in its last step (a link
            // named Readme.txt could lead to a program or a desktop entry).
            if (!isPlainEntry(*host) || !namedAsItIs(machine_, winPath, *host))
                return SE_ERR_ACCESSDENIED;
            target = host->string();
        }
        journalled = winPath;
    }

    const char* configured = std::getenv("VELKAN_OPENER");
    std::string opener = configured && *configured ? configured : "xdg-open";
    Spawned started = spawn(opener, {target});
    if (started.pid < 0)
        return SE_ERR_NOASSOC;
    std::optional<int> exitCode = waitBriefly(started.pid, std::chrono::seconds(5));
    if (exitCode && *exitCode != 0) {
        // xdg-open: 2 = no such file, 3 = no program for it, others = it failed.
        return *exitCode == 2 ? SE_ERR_FNF : SE_ERR_NOASSOC;
    }
    // The document is open; a journal that cannot be written does not undo that.
    (void)journal_.append("open " + journalled);
    return SHELL_EXECUTE_OK;
}

Status Shell::CreateProcess(std::string_view applicationName, std::string_view commandLine) const {
    Result<fs::path> host = resolveWinPath(machine_, applicationName);
    if (!host)
        return host.error();
    Result<FileAttributes> found = host::fileAttributes(*host);
    if (!found)
        return Error::of(missingKind(*host),
                         "The program '" + std::string(applicationName) + "' cannot be found.");
    if (found->directory)
        return Error::of(WinError::AccessDenied,
                         "'" + std::string(applicationName) + "' is a folder, not a program.");

    std::string event =
        sameFileName(winFileName(applicationName), "Explorer.exe") ? "start shell " : "start ";
    event += applicationName;
    if (!commandLine.empty())
        event += " " + std::string(commandLine);
    return journal_.append(event);
}

Status Shell::ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) const {
    bool restart = (flags & EWX_REBOOT) != 0;
    std::string what = restart                                   ? "restart requested"
                       : (flags & (EWX_SHUTDOWN | EWX_POWEROFF)) ? "shut-down requested"
                                                                 : "log-off requested";
    Status logged =
        journal_.append(what + " (flags " + hex(flags) + ", reserved " + hex(reserved) + ")");
    if (!logged || !restart)
        return logged;

    fs::path tool = findMachineTool();
    if (tool.empty()) {
        (void)journal_.append("machine start could not run: velkan-machine not found");
        return Error::of(WinError::FileNotFound,
                         "The machine cannot be restarted: velkan-machine was not found.");
    }
    Spawned started = spawn(tool.string(), {"boot", machine_.root().string()});
    if (started.pid < 0) {
        (void)journal_.append("machine start could not run: " + tool.string());
        return errorFromErrno(started.error,
                              "The machine cannot be restarted with " + tool.string());
    }
    int exitCode = waitFor(started.pid);
    if (exitCode != 0) {
        (void)journal_.append("machine start failed with exit code " + std::to_string(exitCode));
        return Error::of(WinError::AccessDenied, "The machine start (" + tool.string() +
                                                     " boot) failed with exit code " +
                                                     std::to_string(exitCode) + ".");
    }
    return {};
}

Result<int> Shell::runMachineTool(const std::vector<std::string>& args) {
    const fs::path tool = findMachineTool();
    if (tool.empty())
        return Error::of(WinError::FileNotFound, "velkan-machine was not found.");
    Spawned started = spawn(tool.string(), args, true);
    if (started.pid < 0)
        return errorFromErrno(started.error, tool.string());
    return waitFor(started.pid);
}

fs::path Shell::findMachineTool() {
    const char* configured = std::getenv("VELKAN_MACHINE_TOOL");
    if (configured && *configured)
        return configured;

    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path folder = self.parent_path();
        for (const fs::path& candidate :
             {folder / "velkan-machine", folder / ".." / "tools" / "velkan-machine"})
            if (isExecutableFile(candidate))
                return candidate.lexically_normal();
    }

    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "";
    while (!dirs.empty()) {
        std::size_t colon = dirs.find(':');
        std::string_view dir = dirs.substr(0, colon);
        dirs = colon == std::string_view::npos ? std::string_view{} : dirs.substr(colon + 1);
        if (dir.empty())
            continue;
        fs::path candidate = fs::path(dir) / "velkan-machine";
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

} // namespace velkan::platform
