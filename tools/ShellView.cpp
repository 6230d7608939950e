#include "tools/ShellView.h"

#include "platform/Files.h"
#include "platform/MachineRegistry.h"
#include "platform/ProfileString.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "shellpatch/BuildDetection.h"
#include "startmenu/Visibility.h"
#include "tools/BuildTexts.h"
#include "tools/WinInitRename.h"

#include <cstdio>

namespace velkan::machine {

namespace fs = std::filesystem;
using namespace shellpatch;
using platform::Machine;
using platform::Registry;
using platform::Result;
using platform::RootKey;

namespace {

constexpr const char* kPoliciesKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr const char* kApmKey = "Enum\\Root\\*PNP0C05\\0000";
constexpr const char* kShellIconsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";
constexpr const char* kMetricsKey = "Control Panel\\desktop\\WindowMetrics";

// A file that cannot be read shows as an unrecognised shell, unless the disk
// image it is on is damaged: then the view would only show the damage.
Result<std::string> readAll(const fs::path& file) {
    auto bytes = platform::host::readWholeFile(file);
    if (!bytes && platform::damagedDisk(bytes.error()))
        return bytes.error();
    return bytes ? *bytes : std::string();
}

// A policy hides its entry only when it is exactly the 4-byte binary 1.
bool policyHides(const platform::RegKey& key, const char* name) {
    auto value = key.query(name);
    return value && value->type == platform::REG_BINARY &&
           value->data == std::string("\x01\0\0\0", 4);
}

bool suspendShown(const Registry& registry) {
    auto apm = registry.openKey(RootKey::LocalMachine, kApmKey);
    if (!apm)
        return false;
    auto value = apm->query("APMMenuSuspend");
    return value && !value->data.empty() && value->data[0] == '\x01';
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string quoted(const std::u16string& text) {
    return "\"" + toUtf8(text) + "\"";
}

} // namespace

std::u16string readShownText(std::string_view bytes, TextField field) {
    std::u16string text;
    for (int i = 0; i < field.length; ++i) {
        auto unit = readLe16(bytes, field.offset + 2 * std::int64_t(i));
        if (!unit)
            return {};
        text += char16_t(*unit);
    }
    while (!text.empty() && text.back() == u' ')
        text.pop_back();
    if (auto nul = text.find(u'\0'); nul != std::u16string::npos)
        text.resize(nul);
    return text;
}

Result<ShellView> viewShell(const Machine& machine, ShellMoment moment) {
    // Every file of a drive whose image cannot be opened would look missing.
    if (auto drive = machine.driveRoot('C'))
        if (auto opened = platform::host::fileAttributes(*drive);
            !opened && platform::damagedDisk(opened.error()))
            return opened.error();
    ShellView view;
    view.windowsFolder =
        platform::readProfileString(machine, "C:\\Msdos.sys", "Paths", "WinDir", "Error");
    view.explorerFile = view.windowsFolder + "\\Explorer.exe";
    view.userFile = view.windowsFolder + "\\System\\User.exe";

    // Without a Windows folder there is no WinInit.ini to look through; the
    // files are then read as they are (and not found).
    auto preview = previewRenames(machine, view.windowsFolder);
    if (!preview)
        preview = RenameView(machine);
    auto current = [&](const std::string& winPath) -> std::optional<fs::path> {
        if (moment == ShellMoment::AfterNextStart)
            return preview->contentOf(winPath);
        auto host = platform::resolveWinPath(machine, winPath);
        if (!host)
            return std::nullopt;
        if (auto found = platform::host::fileAttributes(*host); found && !found->directory)
            return *host;
        return std::nullopt;
    };
    // A shell file the damage of the image hides is not a missing one.
    for (const std::string* winPath : {&view.explorerFile, &view.userFile}) {
        auto host = platform::resolveWinPath(machine, *winPath);
        if (!host && platform::damagedDisk(host.error()))
            return host.error();
        if (!host)
            continue;
        if (auto found = platform::host::fileAttributes(*host);
            !found && platform::damagedDisk(found.error()))
            return found.error();
    }
    auto explorerHost = current(view.explorerFile);
    auto userHost = current(view.userFile);
    auto live = [&](const std::string& winPath) {
        return platform::resolveWinPath(machine, winPath);
    };
    if (auto now = live(view.explorerFile); now && explorerHost)
        view.explorerPending = *now != *explorerHost;
    if (auto now = live(view.userFile); now && userHost)
        view.userPending = *now != *userHost;
    auto winName = [&](const std::optional<fs::path>& host, std::string& name) {
        if (host)
            if (auto w = platform::toWinPath(machine, *host))
                name = *w;
    };
    winName(explorerHost, view.explorerFile);
    winName(userHost, view.userFile);

    auto explorerBytes = explorerHost ? readAll(*explorerHost) : std::string();
    if (!explorerBytes)
        return explorerBytes.error();
    auto userBytes = userHost ? readAll(*userHost) : std::string();
    if (!userBytes)
        return userBytes.error();
    const std::string& explorer = *explorerBytes;
    const std::string& user = *userBytes;

    view.build = detectBuild(explorer);
    const ShellBuild* build = view.build ? &kBuilds[*view.build] : nullptr;
    const Registry registry = platform::machineRegistry(machine);
    if (build) {
        view.startText = readShownText(explorer, build->startText);
        view.tooltip = readShownText(explorer, build->tooltip);
        auto policies = registry.openKey(RootKey::LocalMachine, kPoliciesKey);
        for (const auto& entry : kStartMenuEntries) {
            if (!entryInBuild(entry.entry, build->ie4))
                continue;
            ShownEntry shown{entry.entry, readShownText(explorer, build->caption(entry.entry))};
            if (entry.entry == Entry::Suspend)
                shown.hidden = !suspendShown(registry);
            else if (const char* policy = startmenu::policyValueOf(entry.entry); policy && policies)
                shown.hidden = policyHides(*policies, policy);
            view.entries.push_back(std::move(shown));
        }
        const std::int64_t header = build->logoOffset + kLogoHeaderSize;
        view.logo.present = logoHeaderMatches(explorer, *build);
        view.logo.width = int(readLe32(explorer, header + 4).value_or(0));
        view.logo.height = int(readLe32(explorer, header + 8).value_or(0));
        view.logo.bitCount = readLe16(explorer, header + 14).value_or(0);
        view.logo.compression = int(readLe32(explorer, header + 16).value_or(0));
        view.logo.menuHeight =
            view.logo.height >= 1 && view.logo.height <= kLogoMaxHeight ? view.logo.height : 1;

        view.userLayout = userLayoutFor(user, *view.build);
        if (view.userLayout) {
            const ShellBuild& layout = kBuilds[*view.userLayout];
            for (const auto& place : kStartIconPlaces) {
                const std::int64_t at = std::int64_t(place.iconBaseOffset) + layout.iconShift;
                if (readLe32(user, at) == kBitmapInfoHeaderSize &&
                    readLe32(user, at + 4) == std::uint32_t(place.size) &&
                    readLe32(user, at + 8) == std::uint32_t(2 * place.size) &&
                    readLe16(user, at + 14) == 4)
                    view.iconSizes.push_back(place.size);
            }
        }
    }

    if (auto icons = registry.openKey(RootKey::LocalMachine, kShellIconsKey)) {
        if (auto values = icons->values()) {
            for (const auto& v : *values) {
                ShellIconOverride o{v.name, "", v.value.asString()};
                for (const auto& entry : kStartMenuEntries)
                    if (v.name == std::to_string(entry.shellIconNumber))
                        o.entry = std::string(entry.name);
                view.shellIcons.push_back(std::move(o));
            }
        }
    }
    if (auto metrics = registry.openKey(RootKey::CurrentUser, kMetricsKey)) {
        if (auto size = metrics->queryString("Shell Icon Size"))
            view.shellIconSize = *size;
        if (auto bpp = metrics->queryString("Shell Icon BPP"))
            view.shellIconBpp = *bpp;
    }
    return view;
}

std::string formatShellView(const ShellView& view) {
    std::string out;
    auto line = [&](const char* label, const std::string& value) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%-18s", label);
        out += buf + value + "\n";
    };
    line("Windows folder:", view.windowsFolder);
    const char* pending = " (after the pending swap)";
    line("Shell file:", view.explorerFile + (view.explorerPending ? pending : ""));
    line("User file:", view.userFile + (view.userPending ? pending : ""));
    if (!view.build) {
        line("Build:", "not recognised");
    } else {
        const ShellBuild& build = kBuilds[*view.build];
        line("Build:", std::to_string(build.position) + " \"" + std::string(build.itemCaption) +
                           "\"" + (build.ie4 ? " (IE4)" : ""));
        line("Start button:", quoted(view.startText));
        line("Tooltip:", quoted(view.tooltip));
        out += "Start menu:\n";
        for (const auto& entry : view.entries) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "  %-16s",
                          std::string(startMenuEntry(entry.entry).name).c_str());
            out += buf + quoted(entry.caption) + (entry.hidden ? "  (hidden)" : "") + "\n";
        }
        if (view.logo.present)
            line("Logo:", std::to_string(view.logo.width) + "x" + std::to_string(view.logo.height) +
                              ", " + std::to_string(1 << view.logo.bitCount) + " colours, " +
                              (view.logo.compression == 2 ? "RLE" : "uncompressed") + ", height " +
                              std::to_string(view.logo.menuHeight));
        else
            line("Logo:", "none");
        std::string sizes;
        for (int s : view.iconSizes)
            sizes += (sizes.empty() ? "" : " ") + std::to_string(s) + "x" + std::to_string(s);
        if (!view.userLayout)
            line("Start icons:", "User.exe not recognised");
        else
            line("Start icons:", (sizes.empty() ? std::string("none") : sizes) + " (layout of \"" +
                                     std::string(kBuilds[*view.userLayout].itemCaption) + "\")");
        std::string hidden;
        for (const auto& entry : view.entries)
            if (entry.hidden)
                hidden +=
                    (hidden.empty() ? "" : ", ") + std::string(startMenuEntry(entry.entry).name);
        line("Hidden entries:", hidden.empty() ? "none" : hidden);
    }
    if (view.shellIcons.empty())
        line("Shell Icons:", "none");
    else {
        out += "Shell Icons:\n";
        for (const auto& o : view.shellIcons)
            out += "  " + o.number + (o.entry.empty() ? "" : " (" + o.entry + ")") + " = " +
                   o.icon + "\n";
    }
    line("Icon size:", view.shellIconSize.value_or("(not set)"));
    line("Colour depth:", view.shellIconBpp ? *view.shellIconBpp + " bits" : "(not set)");
    return out;
}

std::string formatShellViewJson(const ShellView& view) {
    std::string out = "{\n";
    auto field = [&](const char* name, const std::string& json, bool last = false) {
        out += "  " + jsonString(name) + ": " + json + (last ? "\n" : ",\n");
    };
    auto optString = [](const std::optional<std::string>& s) {
        return s ? jsonString(*s) : std::string("null");
    };
    field("windowsFolder", jsonString(view.windowsFolder));
    field("explorerFile", jsonString(view.explorerFile));
    field("userFile", jsonString(view.userFile));
    field("explorerPending", view.explorerPending ? "true" : "false");
    field("userPending", view.userPending ? "true" : "false");
    if (view.build) {
        const ShellBuild& build = kBuilds[*view.build];
        field("build", "{\"position\": " + std::to_string(build.position) +
                           ", \"caption\": " + jsonString(build.itemCaption) +
                           ", \"ie4\": " + (build.ie4 ? "true" : "false") + "}");
    } else {
        field("build", "null");
    }
    field("startText", jsonString(toUtf8(view.startText)));
    field("tooltip", jsonString(toUtf8(view.tooltip)));
    std::string entries = "[";
    for (std::size_t i = 0; i < view.entries.size(); ++i) {
        const auto& e = view.entries[i];
        entries += std::string(i ? ", " : "") +
                   "{\"entry\": " + jsonString(startMenuEntry(e.entry).name) +
                   ", \"caption\": " + jsonString(toUtf8(e.caption)) +
                   ", \"hidden\": " + (e.hidden ? "true" : "false") + "}";
    }
    field("entries", entries + "]");
    field("logo", "{\"present\": " + std::string(view.logo.present ? "true" : "false") +
                      ", \"width\": " + std::to_string(view.logo.width) +
                      ", \"height\": " + std::to_string(view.logo.height) +
                      ", \"menuHeight\": " + std::to_string(view.logo.menuHeight) +
                      ", \"bitCount\": " + std::to_string(view.logo.bitCount) +
                      ", \"compression\": " + std::to_string(view.logo.compression) + "}");
    field("userLayout", view.userLayout ? std::to_string(*view.userLayout) : "null");
    std::string sizes = "[";
    for (std::size_t i = 0; i < view.iconSizes.size(); ++i)
        sizes += (i ? ", " : "") + std::to_string(view.iconSizes[i]);
    field("startIcons", sizes + "]");
    std::string hidden = "[";
    bool first = true;
    for (const auto& e : view.entries)
        if (e.hidden) {
            hidden += (first ? "" : ", ") + jsonString(startMenuEntry(e.entry).name);
            first = false;
        }
    field("hidden", hidden + "]");
    std::string icons = "{";
    for (std::size_t i = 0; i < view.shellIcons.size(); ++i)
        icons += (i ? ", " : "") + jsonString(view.shellIcons[i].number) + ": " +
                 jsonString(view.shellIcons[i].icon);
    field("shellIcons", icons + "}");
    field("shellIconSize", optString(view.shellIconSize));
    field("shellIconBpp", optString(view.shellIconBpp), true);
    return out + "}\n";
}

} // namespace velkan::machine
