#include "tests/remove/InstalledMachine.h"

#include "platform/Files.h"
#include "tests/support/MachineDrive.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <mutex>
#include <sstream>

namespace velkan::test {

namespace fs = std::filesystem;
using platform::Registry;
using platform::RegKey;
using platform::RootKey;

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void runTool(const std::vector<std::string>& args) {
    const ProcessResult made = runProcess(tool("velkan-machine"), args);
    if (made.exitCode != 0)
        throw std::runtime_error("velkan-machine " + args.front() + " failed: " + made.err);
}

// One installed machine per test program, made on first use.
const fs::path& templateMachine() {
    static TempDir dir;
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string root = (dir / "machine").string();
        if (imageMachines())
            runTool({"create", "--image", "--size", "16", root});
        else
            runTool({"create", root});
        runTool({"install", root});
    });
    return dir.path();
}

void listKey(const RegKey& key, const std::string& name, RegistryListing& out) {
    out[lower(name)] = "<key>";
    if (auto values = key.values())
        for (const auto& v : *values)
            out[lower(name) + "|" + lower(v.name)] =
                std::to_string(v.value.type) + ":" + v.value.data;
    if (auto subKeys = key.subKeyNames())
        for (const std::string& sub : *subKeys)
            if (auto child = key.openKey(sub))
                listKey(*child, name + "\\" + sub, out);
}

} // namespace

InstalledMachine::InstalledMachine() {
    fs::copy(templateMachine() / "machine", dir_.path(),
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

fs::path InstalledMachine::hostPath(const std::string& winPath) const {
    std::string rest = winPath.substr(3);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return root() / "drive_c" / rest;
}

namespace {

// Through the file layer, which reads a drive kept as a disk image too.
void listFolder(const fs::path& folder, const std::string& prefix, FileListing& out) {
    auto entries = platform::host::findFiles(folder, "*.*", true);
    if (!entries)
        return;
    for (const auto& entry : *entries) {
        if (entry.name == "." || entry.name == "..")
            continue;
        const std::string name = prefix + lower(entry.name);
        if (name == "windows/system.dat" || name == "windows/user.dat")
            continue;
        if (entry.directory) {
            out[name] = "<dir>";
            listFolder(folder / entry.name, name + "/", out);
        } else {
            out[name] = std::to_string(std::hash<std::string>{}(readFile(folder / entry.name)));
        }
    }
}

} // namespace

FileListing listFiles(const platform::Machine& machine) {
    FileListing out;
    const fs::path drive = machine.driveC();
    if (imageMachines()) {
        listFolder(drive, "", out);
        return out;
    }
    for (const auto& entry : fs::recursive_directory_iterator(drive)) {
        const std::string name = lower(fs::relative(entry.path(), drive).string());
        // The registry files change with every value; listRegistry compares
        // what they hold.
        if (name == "windows/system.dat" || name == "windows/user.dat")
            continue;
        if (entry.is_directory() && !entry.is_symlink())
            out[name] = "<dir>";
        else
            out[name] = std::to_string(std::hash<std::string>{}(readFile(entry.path())));
    }
    return out;
}

RegistryListing listRegistry(const Registry& registry) {
    RegistryListing out;
    for (RootKey root : {RootKey::LocalMachine, RootKey::CurrentUser})
        if (auto key = registry.openKey(root, ""))
            listKey(*key, platform::rootKeyName(root), out);
    return out;
}

ProcessResult runRemove(const fs::path& machineRoot, const std::string& answers,
                        const fs::path& workingFolder) {
    // The tests run with the offscreen platform set; the uninstaller must
    // find no display, so that it asks on its terminal.
    const std::map<std::string, std::string> env = {{"VELKAN_MACHINE", machineRoot.string()},
                                                    {"QT_QPA_PLATFORM", ""},
                                                    {"DISPLAY", ""},
                                                    {"WAYLAND_DISPLAY", ""}};
    if (workingFolder.empty())
        return runProcess(tool("velkan-remove"), {}, env, answers);
    return runProcess(
        "sh",
        {"-c", "cd \"$1\" && exec \"$2\"", "sh", workingFolder.string(), tool("velkan-remove")},
        env, answers);
}

} // namespace velkan::test
