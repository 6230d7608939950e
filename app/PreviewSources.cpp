#include "app/PreviewSources.h"

#include "platform/Files.h"
#include "preview/PackLook.h"
#include "shellpatch/BuildDetection.h"

namespace velkan::app {

using shellpatch::Entry;

namespace {

// The edit's text as it will stand in the field, when OK writes it.
std::u16string written(const TMainForm& form, const platform::Edit& edit,
                       shellpatch::TextField field, bool nulPadding) {
    return preview::shownAfterWrite(form.VersionRG.itemIndex(), cutToLimit(edit.text(), edit),
                                    field, nulPadding);
}

// The caption edits in entry order.
constexpr platform::Edit TMainForm::*kCaptionEdits[] = {
    &TMainForm::ProgEdit, &TMainForm::FavEdit,  &TMainForm::DocEdit, &TMainForm::ContrEdit,
    &TMainForm::FindEdit, &TMainForm::HelpEdit, &TMainForm::RunEdit, &TMainForm::LogEdit,
    &TMainForm::SuspEdit, &TMainForm::ShutEdit};

} // namespace

preview::LookSources previewSources(const TMainForm& f) {
    preview::LookSources s;
    auto& machine = f.env.machine;
    s.build = f.VersionRG.itemIndex();
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

    const auto& layout = f.layout;
    const bool ie4 = f.isIe4();
    if (f.StartTextChanged)
        s.startText = written(f, f.StartEdit, layout.startText, false);
    if (f.TooltipChanged)
        s.tooltip = written(f, f.TooltipEdit, layout.tooltip, true);
    if (f.CaptionsChanged)
        for (const auto& entry : shellpatch::kStartMenuEntries)
            if (shellpatch::entryInBuild(entry.entry, ie4)) {
                const int i = static_cast<int>(entry.entry);
                s.captions[i] = written(f, f.*kCaptionEdits[i], layout.captions[i], false);
            }
    if (f.LogoHeightChanged)
        s.logoHeight = 130 - f.ScrollBar.position();

    if (f.PoliciesChanged) {
        s.hidden[static_cast<int>(Entry::Settings)] = !f.ContrCB.ticked();
        s.hidden[static_cast<int>(Entry::Find)] = !f.FindCB.ticked();
        s.hidden[static_cast<int>(Entry::Run)] = !f.RunCB.ticked();
        s.hidden[static_cast<int>(Entry::LogOff)] = !f.LogCB.ticked();
        s.hidden[static_cast<int>(Entry::ShutDown)] = !f.ShutCB.ticked();
        // Without the APM device the switch is never written, and the shell
        // offers no Suspend.
        s.hidden[static_cast<int>(Entry::Suspend)] = !(f.SuspCB.enabled() && f.SuspCB.ticked());
    } else {
        s.hidden = preview::readHiddenEntries(f.env.registry);
    }

    s.shellIcons = preview::readShellIcons(f.env.registry);
    if (f.ShellIconsChanged && !f.Restored)
        for (int i = 0; i < shellpatch::kEntryCount; ++i) {
            const std::string& pending = f.iconSlots[std::size_t(i)].pending;
            if (pending == startmenu::kRestoreMarker)
                s.shellIcons[i].reset();
            else if (!pending.empty())
                s.shellIcons[i] = f.AutoloadMode ? pending + ",0" : pending;
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
