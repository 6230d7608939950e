// The unattended start with "/t": the next theme pack of the rotation goes
// into the working copies and is scheduled for the next Windows start.
#include "app/MainForm.h"
#include "app/ProgramKeys.h"
#include "platform/Files.h"
#include "platform/ProfileString.h"
#include "shellpatch/ShellFile.h"

namespace velkan::app {

using shellpatch::Entry;

namespace {

// A caption key whose value reads as this is absent, as the reader's default.
constexpr const char* kAbsentMarker = "MyErr";
constexpr int kNoLogoHeight = 131;

struct CaptionKey {
    Entry entry;
    const char* key;
};
constexpr CaptionKey kCaptionKeys[] = {
    {Entry::Programs, "Programs"}, {Entry::Documents, "Documents"}, {Entry::Settings, "Settings"},
    {Entry::Find, "Find"},         {Entry::Help, "Help"},           {Entry::Run, "Run"},
    {Entry::Suspend, "Suspend"},   {Entry::ShutDown, "Shut Down"},  {Entry::Favorites, "Favorites"},
    {Entry::LogOff, "Logoff"},
};

constexpr const char* kStartIconFiles[] = {"Icon10.ico", "Icon12.ico", "Icon14.ico",
                                           "Icon16.ico", "Icon22.ico", "Icon32.ico"};

std::string withBackslash(const std::string& folder) {
    return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

} // namespace

void TMainForm::runAutoload() {
    // Which subfolder is next: the one after the last applied, in the order
    // the folder search gives them, starting again at the first.
    std::uint8_t count = 0;
    std::string chosen;
    if (auto entries = platform::findFiles(env.machine, withBackslash(programFolder) + "*.*")) {
        for (const auto& entry : *entries) {
            if (!entry.directory || entry.name == "." || entry.name == "..")
                continue;
            ++count;
            if (count == 1)
                chosen = entry.name;
            if (static_cast<int>(count) > lastTheme) {
                chosen = entry.name;
                break;
            }
        }
    }
    if (lastTheme == count)
        count = 1;
    if (auto key = env.registry.createKey(platform::RootKey::CurrentUser, kProgramKey)) {
        (void)key->setDword(kLastThemeValue, count);
        key->close();
    }
    applyPackUnattended(programFolder + chosen);
}

void TMainForm::applyPackUnattended(const std::string& pack) {
    AutoloadMode = true;
    platform::ProgressBar* progress = AutoTheme ? &AutoTheme->AutoThemePB : nullptr;
    auto step = [progress] {
        if (progress)
            progress->stepIt();
    };
    const std::string folder = withBackslash(pack);
    const std::string index = folder + "index.vkr";
    auto reportWrite = [this](const platform::Status& s) {
        if (!s)
            showError(s.error().message, "Error...");
    };

    if (platform::fileExists(env.machine, index)) {
        auto readInto = [&](platform::Edit& edit, const char* section, const char* key) {
            std::string value =
                platform::readProfileString(env.machine, index, section, key, kAbsentMarker);
            if (value != kAbsentMarker)
                edit.setText(value.substr(0, static_cast<std::size_t>(edit.maxLength())));
        };
        for (const auto& caption : kCaptionKeys) {
            if (!shellpatch::entryInBuild(caption.entry, isIe4()))
                continue;
            step();
            auto& edit = captionEdit(caption.entry);
            readInto(edit, "StartMenu", caption.key);
            reportWrite(writeField(layout.captions[static_cast<int>(caption.entry)], edit));
        }
        int height =
            platform::readProfileIntExact(env.machine, index, "StartMenu", "LogoHeight", kNoLogoHeight);
        step();
        if (height < 1 || height > shellpatch::kLogoMaxHeight)
            height = shellpatch::kLogoMaxHeight;
        reportWrite(shellpatch::writeByte(env.machine, paths.explorerTmp,
                                          layout.logoOffset + shellpatch::kLogoHeight,
                                          static_cast<std::uint8_t>(height)));
        step();
        readInto(StartEdit, "StartButton", "Text");
        reportWrite(writeField(layout.startText, StartEdit));
        step();
        readInto(TooltipEdit, "StartButton", "ToolTip");
        reportWrite(writeField(layout.tooltip, TooltipEdit));

        for (const char* name : kStartIconFiles) {
            step();
            if (platform::fileExists(env.machine, folder + name))
                loadStartButtonIconWithRetry(folder + name);
        }
        if (platform::fileExists(env.machine, folder + "Logo.bmp"))
            loadLogo(folder + "Logo.bmp");
    }

    // Item icons: only their files are recorded now; the close writes them.
    for (int n = 1; n <= shellpatch::kEntryCount; ++n) {
        const auto entry = static_cast<Entry>(n - 1);
        if (!shellpatch::entryInBuild(entry, isIe4()))
            continue;
        const std::string file = folder + std::to_string(n) + ".ico";
        if (platform::fileExists(env.machine, file)) {
            iconSlots[n - 1].pending = file;
            ShellIconsChanged = true;
        }
    }
    if (progress)
        progress->setPosition(100);

    if (IconChanged)
        UserFileChanged = true;
    if (LogoChanged)
        LogoFileChanged = true;
    scheduleReplacements();
}

} // namespace velkan::app
