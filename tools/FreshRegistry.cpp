#include "tools/FreshRegistry.h"

#include <string>

namespace velkan::machine {

using platform::Registry;
using platform::RegKey;
using platform::RootKey;
using platform::Status;

namespace {

const char* const kShellFolders[] = {
    "C:\\WINDOWS\\Desktop",
    "C:\\WINDOWS\\Start Menu",
    "C:\\WINDOWS\\Start Menu\\Programs",
    "C:\\WINDOWS\\Start Menu\\Programs\\StartUp",
    "C:\\WINDOWS\\Recent",
    "C:\\WINDOWS\\SendTo",
    "C:\\WINDOWS\\Fonts",
    "C:\\WINDOWS\\ShellNew",
    "C:\\WINDOWS\\NetHood",
    "C:\\WINDOWS\\Favorites",
    "C:\\My Documents",
    nullptr,
};

struct StringValue {
    const char* name;
    const char* data;
};

Status writeStrings(const Registry& registry, RootKey root, const char* path,
                    std::initializer_list<StringValue> values) {
    auto key = registry.createKey(root, path);
    if (!key)
        return key.error();
    for (const auto& value : values)
        if (auto status = key->setString(value.name, value.data); !status)
            return status;
    return {};
}

} // namespace

const char* const* freshShellFolders() {
    return kShellFolders;
}

Status writeFreshRegistry(const Registry& registry) {
    if (auto s =
            writeStrings(registry, RootKey::CurrentUser, "Control Panel\\desktop\\WindowMetrics",
                         {{"Shell Icon Size", "32"}, {"Shell Icon BPP", "4"}});
        !s)
        return s;
    if (auto s =
            writeStrings(registry, RootKey::CurrentUser,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                         {{"Desktop", "C:\\WINDOWS\\Desktop"},
                          {"Start Menu", "C:\\WINDOWS\\Start Menu"},
                          {"Programs", "C:\\WINDOWS\\Start Menu\\Programs"},
                          {"Startup", "C:\\WINDOWS\\Start Menu\\Programs\\StartUp"},
                          {"Recent", "C:\\WINDOWS\\Recent"},
                          {"SendTo", "C:\\WINDOWS\\SendTo"},
                          {"Fonts", "C:\\WINDOWS\\Fonts"},
                          {"Templates", "C:\\WINDOWS\\ShellNew"},
                          {"NetHood", "C:\\WINDOWS\\NetHood"},
                          {"Favorites", "C:\\WINDOWS\\Favorites"},
                          {"Personal", "C:\\My Documents"}});
        !s)
        return s;
    {
        auto policies =
            registry.createKey(RootKey::CurrentUser,
                               "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer");
        if (!policies)
            return policies.error();
        // Windows 95 turns AutoRun off for unknown and network drives.
        if (auto s = policies->setBinary("NoDriveTypeAutoRun", std::string("\x95\0\0\0", 4)); !s)
            return s;
    }
    // The top-level keys of a fresh Windows 95, spelt as its files spell them.
    for (const char* path : {"Config\\0001", "Enum\\Root", "hardware", "Network", "Security",
                             "SOFTWARE\\Classes", "System\\CurrentControlSet"})
        if (auto key = registry.createKey(RootKey::LocalMachine, path); !key)
            return key.error();
    for (const char* path : {"AppEvents", "keyboard layout", "Network", "RemoteAccess"})
        if (auto key = registry.createKey(RootKey::CurrentUser, path); !key)
            return key.error();
    if (auto key =
            registry.createKey(RootKey::LocalMachine,
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer");
        !key)
        return key.error();
    if (auto key = registry.createKey(RootKey::CurrentUser,
                                      "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        !key)
        return key.error();
    if (auto s = writeStrings(registry, RootKey::LocalMachine,
                              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                              {{"SystemTray", "SysTray.Exe"}});
        !s)
        return s;
    if (auto s = writeStrings(registry, RootKey::LocalMachine,
                              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                              {{"ProductName", "Microsoft Windows 95"},
                               {"Version", "Windows 95"},
                               {"VersionNumber", "4.00.950"},
                               {"SystemRoot", "C:\\WINDOWS"},
                               {"ProgramFilesDir", "C:\\Program Files"}});
        !s)
        return s;
    {
        auto apm = registry.createKey(RootKey::LocalMachine, "Enum\\Root\\*PNP0C05\\0000");
        if (!apm)
            return apm.error();
        for (StringValue v : {StringValue{"Class", "System"},
                              StringValue{"DeviceDesc", "Advanced Power Management support"},
                              StringValue{"HardwareID", "*PNP0C05"},
                              StringValue{"Mfg", "(Standard system devices)"}})
            if (auto s = apm->setString(v.name, v.data); !s)
                return s;
        // One byte; 1 puts Suspend on the Start menu.
        if (auto s = apm->setBinary("APMMenuSuspend", std::string("\x01", 1)); !s)
            return s;
    }
    return {};
}

} // namespace velkan::machine
