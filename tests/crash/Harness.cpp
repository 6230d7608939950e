#include "tests/crash/Harness.h"

#include "platform/DiskImage.h"
#include "platform/Files.h"
#include "platform/ImageDrive.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "tools/ImageMachine.h"
#include "tools/Install.h"
#include "tools/MachineBuilder.h"
#include "tools/MachineCheck.h"
#include "tools/WindowsStart.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace velkan::crash {

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A run's working copies are scratch: every start makes them anew.
bool isWorkingCopy(const std::string& relative) {
    const std::string l = lower(relative);
    return endsWith(l, "/explorer.tmp") || endsWith(l, "/user.tmp");
}

// REGEDIT4 text as one entry per key and per value, continuation lines joined.
std::map<std::string, std::string> registryValues(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    std::string line, key, pending;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!pending.empty() || (!line.empty() && line.back() == '\\' && line.front() != '[')) {
            pending += line;
            if (!pending.empty() && pending.back() == '\\') {
                pending.pop_back();
                continue;
            }
            line = pending;
            pending.clear();
        }
        if (line.empty() || line == "REGEDIT4")
            continue;
        if (line.front() == '[') {
            key = lower(line);
            values[key] = "";
            continue;
        }
        // The name ends at the first '=' outside its quotes.
        std::size_t eq = std::string::npos;
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && quoted) {
                ++i;
                continue;
            }
            if (line[i] == '"')
                quoted = !quoted;
            else if (line[i] == '=' && !quoted) {
                eq = i;
                break;
            }
        }
        if (eq == std::string::npos)
            values[key + "?" + line] = "(not a value line)";
        else
            values[key + lower(line.substr(0, eq))] = line.substr(eq + 1);
    }
    return values;
}

// Profile files are written one key at a time, each write whole: the file
// may hold any mix of old and new keys, but each key is old or new.
bool isProfileFile(const std::string& relative) {
    const std::string l = lower(relative);
    return endsWith(l, ".ini") || endsWith(l, ".vkr");
}

std::map<std::string, std::string> profileKeys(const std::string& text) {
    std::map<std::string, std::string> keys;
    std::istringstream in(text);
    std::string line, section;
    auto trim = [](std::string t) {
        while (!t.empty() && (t.back() == '\r' || t.back() == ' ' || t.back() == '\t'))
            t.pop_back();
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
            t.erase(t.begin());
        return t;
    };
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            section = lower(line);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            keys[section + "?" + line] = "(not a key line)";
        else
            keys[section + lower(trim(line.substr(0, eq)))] = trim(line.substr(eq + 1));
    }
    return keys;
}

// The files of a state with each profile file split into its keys.
std::map<std::string, std::string> comparable(const std::map<std::string, std::string>& files) {
    std::map<std::string, std::string> out;
    for (const auto& [path, bytes] : files) {
        if (!isProfileFile(path)) {
            out[path] = bytes;
            continue;
        }
        out[path] = "(profile file)";
        for (const auto& [key, value] : profileKeys(bytes))
            out[path + " " + key] = value;
    }
    return out;
}

std::string describe(const std::optional<std::string>& v) {
    if (!v)
        return "absent";
    return std::to_string(v->size()) + " bytes";
}

std::optional<std::string> lookup(const std::map<std::string, std::string>& m,
                                  const std::string& key) {
    auto it = m.find(key);
    return it == m.end() ? std::nullopt : std::optional<std::string>(it->second);
}

template <class Describe>
void compareOldOrNew(const std::map<std::string, std::string>& before,
                     const std::map<std::string, std::string>& after,
                     const std::map<std::string, std::string>& now, const std::string& what,
                     Describe describeValue, std::vector<std::string>& out) {
    std::vector<std::string> keys;
    for (const auto* m : {&before, &after, &now})
        for (const auto& [k, _] : *m)
            keys.push_back(k);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (const auto& k : keys) {
        auto b = lookup(before, k), a = lookup(after, k), n = lookup(now, k);
        if (n != b && n != a)
            out.push_back(what + " " + k + " is neither old (" + describeValue(b) + ") nor new (" +
                          describeValue(a) + ") but " + describeValue(n));
    }
}

// The icon rebuild moves "Shell Icon Size" one pixel away and, after the
// shell's pause, back: a run stopped in the pause leaves the nudged size. It
// is the rebuild's own way of working; the next rebuild sets it right.
bool isRebuildNudge(const std::string& violation, const FlowCase& c) {
    const std::string key =
        "[hkey_users\\.default\\control panel\\desktop\\windowmetrics]\"shell icon size\"";
    if (violation.find(key) == std::string::npos)
        return false;
    auto old = lookup(c.after.values, key);
    if (!old || old->size() < 3)
        return false;
    const int size = std::atoi(old->substr(1).c_str());
    const std::string found = violation.substr(violation.rfind("but ") + 4);
    return found == "\"" + std::to_string(size - 1) + "\"" ||
           found == "\"" + std::to_string(size + 1) + "\"";
}

std::string liveFile(const MachineState& s, const std::string& suffix) {
    for (const auto& [path, _] : s.files)
        if (endsWith(lower(path), suffix))
            return path;
    return "";
}

// The harness writes and syncs thousands of small files: on a memory disk
// when there is one, so that the sweep takes seconds, not minutes.
struct HarnessEnvironment {
    HarnessEnvironment() {
        std::error_code ec;
        if (!std::getenv("TMPDIR") && fs::is_directory("/dev/shm", ec) &&
            ::access("/dev/shm", W_OK) == 0)
            ::setenv("TMPDIR", "/dev/shm", 1);
        // The Run key's Velkrun at a machine's start is the autoload flow,
        // which the harness runs through the driver itself. Set once, before
        // any worker thread reads the environment.
        ::setenv("VELKAN_VELKRUN", "/bin/true", 1);
    }
} const harnessEnvironment;

// The key of `files` that names `relative` without regard to case.
std::string samePath(const std::map<std::string, std::string>& files, const std::string& relative) {
    if (files.count(relative))
        return relative;
    for (const auto& [path, _] : files)
        if (lower(path) == lower(relative))
            return path;
    return relative;
}

// A second apply over a pending swap makes its files under staged names and
// moves the [Rename] lines onto them before they take their usual names: a
// line naming a staged file whose bytes are the new replacement is the new
// state, as the line naming that replacement would be, and the file under the
// usual name, named by nothing then, is in whatever state the kill left it.
std::map<std::string, std::string> withStagedSettled(std::map<std::string, std::string> keys,
                                                     const FlowCase& c, const fs::path& machine) {
    const platform::Machine m(machine);
    std::vector<std::string> settledFiles;
    for (auto& [key, value] : keys) {
        if (lower(key).find("wininit.ini [rename]") == std::string::npos ||
            !endsWith(lower(value), ".~nw"))
            continue;
        const std::string settled = value.substr(0, value.size() - 3) + "new";
        auto staged = platform::resolveWinPath(m, value);
        auto replacement = platform::resolveWinPath(m, settled);
        if (!staged || !replacement)
            continue;
        if (auto found = platform::host::fileAttributes(*staged); !found || found->directory)
            continue;
        // The replacement is not on the disk yet, so its spelling is the
        // line's; inside an image the file is known by the name it was
        // stored under.
        const std::string relative =
            samePath(c.after.files, replacement->lexically_relative(machine).generic_string());
        auto wanted = lookup(c.after.files, relative);
        if (wanted && test::readFile(*staged) == *wanted) {
            value = settled;
            settledFiles.push_back(relative);
        }
    }
    for (const auto& relative : settledFiles)
        keys[relative] = c.after.files.at(relative);
    return keys;
}

} // namespace

namespace {

void takeFile(MachineState& state, const std::string& relative, const fs::path& file) {
    if (relative == "journal.txt" || relative == "registry.lock" ||
        relative == "registry.reg.lock" || isWorkingCopy(relative))
        return;
    if (relative.find(".~") != std::string::npos) {
        state.litter.push_back(relative);
        return;
    }
    if (relative == "registry.reg" || lower(relative) == "drive_c/windows/system.dat" ||
        lower(relative) == "drive_c/windows/user.dat")
        return;
    state.files[relative] = test::readFile(file);
}

// The files of a folder inside an image, as the FAT layer lists them.
void takeImageFolder(MachineState& state, const fs::path& machine, const fs::path& folder,
                     bool root) {
    auto entries = platform::host::findFiles(folder, "*.*", root);
    if (!entries)
        throw std::runtime_error("cannot list " + folder.string() + ": " + entries.error().message);
    for (const auto& entry : *entries) {
        if (entry.name == "." || entry.name == "..")
            continue;
        const fs::path path = folder / entry.name;
        if (entry.directory)
            takeImageFolder(state, machine, path, false);
        else
            takeFile(state, path.lexically_relative(machine).generic_string(), path);
    }
}

} // namespace

MachineState snapshot(const fs::path& machine) {
    MachineState state;
    const fs::path driveC = machine / "drive_c";
    const bool image = platform::imagedrive::isImage(driveC);
    for (auto it = fs::recursive_directory_iterator(machine);
         it != fs::recursive_directory_iterator(); ++it) {
        if (image && it->path() == driveC)
            continue;
        if (!it->is_regular_file())
            continue;
        takeFile(state, it->path().lexically_relative(machine).generic_string(), it->path());
    }
    if (image)
        takeImageFolder(state, machine, driveC, true);
    // The registry by its keys and values, whichever files hold it: a torn
    // file shows as a value no run could have written.
    auto text = platform::machineRegistry(platform::Machine(machine)).exportText();
    state.values = text ? registryValues(*text)
                        : std::map<std::string, std::string>{{"unreadable", text.error().message}};
    return state;
}

test::ProcessResult spawn(const std::string& program, const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& env);

namespace {

std::atomic<long> fsckCount{0};

bool startsWith(const std::string& s, const std::string& head) {
    return s.rfind(head, 0) == 0;
}

// The least that admits a finding of fsck.fat, by its first line.
VolumeAllows leastAdmitting(const std::string& line) {
    // Clusters marked in the FAT that no entry reaches, and the second FAT
    // copy a step behind the first over them.
    for (const char* lost : {"Reclaimed ", "Free cluster summary wrong", "FATs differ but appear"})
        if (startsWith(line, lost))
            return VolumeAllows::LostClusters;
    // A long name written in front of an 8.3 entry the kill stopped.
    for (const char* orphan : {"Orphaned long file name part"})
        if (startsWith(line, orphan))
            return VolumeAllows::KillLeftovers;
    return VolumeAllows::Anything;
}

} // namespace

std::vector<VolumeFinding> volumeFindings(const fs::path& machine) {
    const fs::path drive = machine / "drive_c";
    if (!platform::imagedrive::isImage(drive))
        return {};
    auto image = platform::ImageFile::open(fs::canonical(drive), false);
    if (!image)
        return {{VolumeAllows::Anything, image.error().message}};
    auto range = platform::locateVolume(*image);
    if (!range)
        return {{VolumeAllows::Anything, range.error().message}};
    // fsck.fat takes a whole device only, so the partition is judged from a copy.
    test::TempDir scratch;
    const fs::path volume = scratch / "volume";
    std::string bytes(range->size, '\0');
    if (auto read = image->read(range->offset, bytes.data(), bytes.size()); !read)
        return {{VolumeAllows::Anything, read.error().message}};
    test::writeFile(volume, bytes);
    ++fsckCount;
    const auto fsck = spawn("fsck.fat", {"-n", volume.string()}, {});
    std::vector<VolumeFinding> out;
    std::istringstream lines(fsck.out + fsck.err);
    VolumeAllows least = VolumeAllows::Anything; // of the finding an indented line belongs to
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || startsWith(line, "fsck.fat ") || startsWith(line, volume.string()) ||
            line == "Leaving filesystem unchanged.")
            continue;
        if (!startsWith(line, " "))
            least = leastAdmitting(line);
        out.push_back({least, "fsck.fat: " + line});
    }
    // 1 is fsck.fat's word for "found something", which the lines tell.
    if (fsck.exitCode != 0 && fsck.exitCode != 1)
        out.push_back(
            {VolumeAllows::Anything,
             "fsck.fat failed (exit " + std::to_string(fsck.exitCode) + "): " + fsck.err});
    return out;
}

std::vector<std::string> beyond(const std::vector<VolumeFinding>& findings, VolumeAllows allows) {
    std::vector<std::string> out;
    for (const auto& f : findings)
        if (f.least > allows)
            out.push_back(f.line);
    return out;
}

VolumeAllows worst(const std::vector<VolumeFinding>& findings) {
    VolumeAllows w = VolumeAllows::Nothing;
    for (const auto& f : findings)
        w = std::max(w, f.least);
    return w;
}

long fsckRuns() {
    return fsckCount;
}

void copyMachine(const fs::path& from, const fs::path& to) {
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

// The sweep runs drivers from two threads at once: a fork that would set the
// environment in the child could deadlock on a lock the other thread held, so
// everything is prepared before posix_spawn, and the pipes never leak into a
// sibling driver.
test::ProcessResult spawn(const std::string& program, const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& env) {
    std::vector<std::string> entries;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!env.count(entry.substr(0, entry.find('='))))
            entries.push_back(entry);
    }
    for (const auto& [name, value] : env)
        entries.push_back(name + "=" + value);
    std::vector<char*> envp, argv;
    for (auto& e : entries)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = -1;
    const int spawned =
        ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    test::ProcessResult result;
    if (spawned != 0) {
        ::close(out[0]);
        ::close(err[0]);
        throw std::runtime_error("cannot start " + program);
    }
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno == EINTR)
            continue;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP)) || !(i == 0 ? outOpen : errOpen))
                continue;
            const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
            if (got <= 0)
                (i == 0 ? outOpen : errOpen) = false;
            else
                (i == 0 ? result.out : result.err).append(buf, static_cast<std::size_t>(got));
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

DriverRun runFlow(const std::string& flow, const fs::path& machine,
                  const std::map<std::string, std::string>& env) {
    auto all = env;
    all["VELKAN_MACHINE"] = machine.string();
    DriverRun run;
    run.process = spawn(VELKAN_CRASH_DRIVER, {flow}, all);
    std::istringstream out(run.process.out);
    std::string line;
    while (std::getline(out, line))
        if (line.rfind("BOX ", 0) == 0)
            run.boxes.push_back(line.substr(4));
    return run;
}

void bootMachine(const fs::path& machine) {
    auto report = machine::startWindows(platform::Machine(machine));
    if (!report)
        throw std::runtime_error("the machine did not start: " + report.error().message);
}

const fs::path& templateMachine(const std::string& name, Drive drive) {
    static test::TempDir folder;
    static std::map<std::string, fs::path> made;
    const std::string key = (drive == Drive::Image ? "image-" : "") + name;
    if (auto it = made.find(key); it != made.end())
        return it->second;
    const fs::path path = folder / key;
    if (name == "installed") {
        if (drive == Drive::Image) {
            // The smallest FAT16 disk: every run copies it whole.
            if (auto s = machine::createImageMachine(path, {}, {16, 0x1995}); !s)
                throw std::runtime_error(s.error().message);
        } else if (auto s = machine::createMachine(path); !s) {
            throw std::runtime_error(s.error().message);
        }
        if (auto s = machine::installVelkan(path); !s)
            throw std::runtime_error(s.error().message);
        const platform::Registry registry = platform::machineRegistry(platform::Machine(path));
        auto key = registry.createKey(platform::RootKey::CurrentUser, "Software\\Velkan");
        if (!key || !key->setString("Backup Notice Shown", "1"))
            throw std::runtime_error("cannot mark the backup notice as shown");
    } else if (name == "applied") {
        copyMachine(templateMachine("installed", drive), path);
        auto run = runFlow("ok", path);
        if (run.process.exitCode != 0)
            throw std::runtime_error("the OK flow failed on a clean machine: " + run.process.out +
                                     run.process.err);
        bootMachine(path);
    } else if (name == "pending") {
        copyMachine(templateMachine("installed", drive), path);
        auto run = runFlow("ok", path);
        if (run.process.exitCode != 0)
            throw std::runtime_error("the OK flow failed on a clean machine: " + run.process.out +
                                     run.process.err);
    } else {
        throw std::logic_error("no template " + name);
    }
    if (auto problems = volumeProblems(path, VolumeAllows::Nothing); !problems.empty())
        throw std::runtime_error("template " + key + ": " + problems.front());
    return made[key] = path;
}

FlowCase prepareFlow(const std::string& flow, const std::string& templateName, Drive drive) {
    FlowCase c;
    c.flow = flow;
    c.templateName = templateName;
    c.drive = drive;
    const fs::path& from = templateMachine(templateName, drive);
    c.before = snapshot(from);
    {
        test::TempDir dir;
        const fs::path m = dir / "m";
        copyMachine(from, m);
        bootMachine(m);
        c.beforeBoot = snapshot(m);
        if (auto problems = volumeProblems(m, VolumeAllows::Nothing); !problems.empty())
            throw std::runtime_error("the start left the volume with " + problems.front());
    }
    test::TempDir dir;
    const fs::path m = dir / "m";
    copyMachine(from, m);
    const fs::path log = dir / "steps.log";
    DriverRun run = runFlow(flow, m, {{"VELKAN_FAULT_LOG", log.string()}});
    if (run.process.exitCode != 0)
        throw std::runtime_error("flow " + flow + " failed undisturbed: " + run.process.out +
                                 run.process.err);
    c.cleanBoxes = run.boxes;
    std::istringstream lines(fs::exists(log) ? test::readFile(log) : "");
    std::string line;
    while (std::getline(lines, line))
        ++c.steps;
    c.after = snapshot(m);
    // A run that was let finish leaves a volume fsck.fat has nothing to say
    // about, and so does the start after it.
    for (const auto& p : volumeProblems(m, VolumeAllows::Nothing))
        throw std::runtime_error("flow " + flow + " left the volume with " + p);
    bootMachine(m);
    c.afterBoot = snapshot(m);
    for (const auto& p : volumeProblems(m, VolumeAllows::Nothing))
        throw std::runtime_error("the start after flow " + flow + " left the volume with " + p);
    return c;
}

std::vector<std::string> violations(const FlowCase& c, const fs::path& machine,
                                    VolumeAllows beforeStart, VolumeAllows afterStart,
                                    VolumeReport* found) {
    std::vector<std::string> out;
    const auto findings = volumeFindings(machine);
    const VolumeAllows left = worst(findings);
    if (found)
        found->beforeStart = left;
    for (const auto& p : beyond(findings, beforeStart))
        out.push_back("the volume before the start: " + p);
    // The start repairs nothing on the volume, but it must not add to what
    // the kill left: what it finds clean it leaves clean.
    afterStart = std::min(afterStart, left);
    for (const auto& p : machine::checkMachine(platform::Machine(machine)).problems)
        out.push_back("before the start: " + p);

    const MachineState now = snapshot(machine);
    // A backup, once made, is the original for good.
    for (const auto& [path, bytes] : c.before.files)
        if (endsWith(lower(path), ".sav")) {
            auto n = lookup(now.files, path);
            if (n != bytes)
                out.push_back("backup " + path + " was changed: " + describe(n));
        }
    compareOldOrNew(comparable(c.before.files), comparable(c.after.files),
                    withStagedSettled(comparable(now.files), c, machine), "file", describe, out);
    std::vector<std::string> values;
    compareOldOrNew(
        c.before.values, c.after.values, now.values, "registry value",
        [](const std::optional<std::string>& v) { return v ? *v : "absent"; }, values);
    for (auto& v : values)
        if (!isRebuildNudge(v, c))
            out.push_back(std::move(v));

    try {
        bootMachine(machine);
    } catch (const std::exception& e) {
        out.push_back(e.what());
        return out;
    }
    for (const auto& p : machine::checkMachine(platform::Machine(machine)).problems)
        out.push_back("after the start: " + p);
    const MachineState booted = snapshot(machine);
    // Each shell file is the old or the new one, and the two go together: a
    // new Explorer beside the old User (or the other way round) is a look the
    // user never asked for.
    std::vector<std::string> olds, news;
    for (const char* suffix : {"windows/explorer.exe", "windows/system/user.exe"}) {
        const std::string path = liveFile(c.beforeBoot, suffix);
        auto n = lookup(booted.files, path), b = lookup(c.beforeBoot.files, path),
             a = lookup(c.afterBoot.files, path);
        if (n != b && n != a)
            out.push_back("after the start " + path + " is neither the old nor the new one");
        else if (a != b)
            (n == a ? news : olds).push_back(path);
    }
    if (!olds.empty() && !news.empty())
        out.push_back("after the start " + news.front() + " is the new one but " + olds.front() +
                      " the old one");
    const auto volume = volumeFindings(machine);
    if (found)
        found->afterStart = worst(volume);
    for (const auto& p : beyond(volume, afterStart))
        out.push_back("the volume after the start: " + p);
    return out;
}

void printTable(const std::string& title, const std::vector<TableRow>& rows) {
    std::printf("\n%s\n", title.c_str());
    std::printf("%-30s %6s %6s %11s %7s %8s %7s %6s %6s\n", "flow", "steps", "runs", "violations",
                "silent", "unnamed", "litter", "fsck", "lost");
    for (const auto& r : rows)
        std::printf("%-30s %6ld %6ld %11ld %7ld %8ld %7ld %6ld %6ld\n", r.flow.c_str(), r.steps,
                    r.runs, r.violations, r.silent, r.unnamed, r.litter, r.fsck, r.lost);
    std::fflush(stdout);
}

} // namespace velkan::crash
