#include "app/PreviewSources.h"

#include "platform/Files.h"
#include "preview/PackLook.h"
#include "shellpatch/BuildDetection.h"

namespace velkan::app {

using shellpatch::Entry;

namespace {

// A text as it will stand in its field once OK writes it.
std::u16string written(int build, const PendingText& text, bool nulPadding) {
    return preview::shownAfterWrite(build, cutToLimit(text.text, text.limit), text.field,
                                    nulPadding);
}

} // namespace

preview::LookSources previewSources(const TMainForm& f) {
    preview::LookSources s;
    auto& machine = f.env.machine;
    const PendingChanges changes = f.pendingChanges();
    s.build = changes.build;
    s.windowsFolder = f.windowsFolder;
    if (auto bytes = platform::readWholeFile(machine, f.paths.explorerTmp))
        s.explorer = std::move(*bytes);
    if (auto bytes = platform::readWholeFile(machine, f.paths.userTmp))
        s.user = std::move(*bytes);
    // The Start-button images lie where the selected build's shift puts them;
    // a working copy laid out otherwise shows no image.
    if (auto base = shellpatch::iconBaseOffset(shellpatch::kTestIconSize);
        base && shellpatch::readLe32(s.user, std::int64_t(*base) + f.layout.iconShift) ==
                    shellpatch::kBitmapInfoHeaderSize)
        s.iconShift = f.layout.iconShift;

    if (changes.startText)
        s.startText = written(changes.build, *changes.startText, false);
    if (changes.tooltip)
        s.tooltip = written(changes.build, *changes.tooltip, true);
    for (int i = 0; i < shellpatch::kEntryCount; ++i)
        if (const auto& caption = changes.captions[std::size_t(i)])
            s.captions[i] = written(changes.build, *caption, false);
    s.logoHeight = changes.logoHeight;

    if (const auto& shown = changes.visibility) {
        s.hidden[static_cast<int>(Entry::Settings)] = !shown->settings;
        s.hidden[static_cast<int>(Entry::Find)] = !shown->find;
        s.hidden[static_cast<int>(Entry::Run)] = !shown->run;
        s.hidden[static_cast<int>(Entry::LogOff)] = !shown->logOff;
        s.hidden[static_cast<int>(Entry::ShutDown)] = !shown->shutDown;
        // Without the APM device the switch is never written, and the shell
        // offers no Suspend.
        s.hidden[static_cast<int>(Entry::Suspend)] = !shown->suspend.value_or(false);
    } else {
        s.hidden = preview::readHiddenEntries(f.env.registry);
    }

    s.shellIcons = preview::readShellIcons(f.env.registry);
    if (changes.iconSlots && !changes.restored)
        for (int i = 0; i < shellpatch::kEntryCount; ++i) {
            const std::string& pending = (*changes.iconSlots)[std::size_t(i)].pending;
            if (pending == startmenu::kRestoreMarker)
                s.shellIcons[i].reset();
            else if (!pending.empty())
                s.shellIcons[i] = changes.bareIconFiles ? pending + ",0" : pending;
        }
    preview::readWindowMetrics(f.env.registry, s);
    return s;
}

preview::LookSources packPreviewSources(const TMainForm& form, const std::string& folder) {
    auto sources = previewSources(form);
    preview::applyPack(sources, form.env.machine, folder);
    return sources;
}

} // namespace velkan::app
