#include "preview/StartMenuLook.h"

#include "platform/SystemMetrics.h"
#include "preview/ShellPictures.h"
#include "startmenu/IconMetrics.h"

namespace velkan::preview {

using namespace shellpatch;

namespace {

// The shell's large icons follow "Shell Icon Size"; a value the shell could
// not use leaves the standard size.
int menuIconSizeOf(const std::optional<std::string>& value) {
    if (!value)
        return platform::kLargeIconSize;
    auto size = startmenu::parseIconSize(*value);
    if (!size || *size < 16 || *size > 64)
        return platform::kLargeIconSize;
    return *size;
}

bool isLowerGroup(Entry entry) {
    return entry == Entry::LogOff || entry == Entry::Suspend || entry == Entry::ShutDown;
}

} // namespace

bool hasSubmenu(Entry entry) {
    switch (entry) {
    case Entry::Programs:
    case Entry::Favorites:
    case Entry::Documents:
    case Entry::Settings:
    case Entry::Find:
        return true;
    default:
        return false;
    }
}

platform::Result<StartMenuLook> buildLook(const platform::Machine& machine,
                                          const LookSources& sources) {
    const ShellBuild* build = buildAt(sources.build);
    if (!build)
        return platform::Error::of(platform::WinError::InvalidData,
                                   "the shell file is none of the supported Windows 95 builds");
    StartMenuLook look;
    look.build = build->position;
    look.ie4 = build->ie4;
    look.startText = sources.startText.value_or(shownFieldText(sources.explorer, build->startText));
    look.tooltip = sources.tooltip.value_or(shownFieldText(sources.explorer, build->tooltip));

    look.startIconSize =
        startmenu::iconSizeMarkFor(platform::GetSystemMetrics(platform::SM_CXSIZE)).size;
    if (sources.iconShift)
        look.startIcon = startButtonImage(sources.user, look.startIconSize, *sources.iconShift);

    const int height = sources.logoHeight ? *sources.logoHeight
                                          : storedLogoHeight(sources.explorer, *build).value_or(0);
    look.logo = decodeShellLogo(sources.explorer, *build, height);

    look.menuIconSize = menuIconSizeOf(sources.shellIconSize);
    const bool fullColour = sources.shellIconBpp == std::optional<std::string>("16");
    EntryIconFinder icons(machine, sources.windowsFolder, look.menuIconSize);
    bool upperShown = false;
    for (const auto& entry : kStartMenuEntries) {
        const int i = static_cast<int>(entry.entry);
        if (!entryInBuild(entry.entry, build->ie4))
            continue;
        // On IE4 builds the policies take away only some items of Settings;
        // the entry itself stays.
        const bool hidden = sources.hidden[i] && !(build->ie4 && entry.entry == Entry::Settings);
        if (hidden)
            continue;
        LookEntry shown;
        shown.entry = entry.entry;
        shown.caption = sources.captions[i].value_or(
            shownFieldText(sources.explorer, build->caption(entry.entry)));
        shown.icon = icons.find(sources.shellIcons[i], entry.shellIconNumber);
        if (!fullColour && shown.icon.width > 0)
            shown.icon = toVgaColours(shown.icon);
        shown.submenu = hasSubmenu(entry.entry);
        if (isLowerGroup(entry.entry) && upperShown && look.separatorBefore < 0)
            look.separatorBefore = static_cast<int>(look.entries.size());
        upperShown = upperShown || !isLowerGroup(entry.entry);
        look.entries.push_back(std::move(shown));
    }
    return look;
}

} // namespace velkan::preview
