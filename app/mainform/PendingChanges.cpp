// The one place that reads what OK will change out of the controls and the
// flags; see PendingChanges.h.
#include "app/mainform/PendingChanges.h"

#include "app/mainform/MainForm.h"

namespace velkan::app {

using shellpatch::Entry;

std::string cutToLimit(const std::string& text, int limit) {
    if (limit <= 0)
        return text;
    return text.substr(0, static_cast<std::size_t>(limit));
}

std::string cutToLimit(const std::string& text, const platform::Edit& edit) {
    return cutToLimit(text, edit.maxLength());
}

PendingChanges TMainForm::pendingChanges() const {
    PendingChanges p;
    p.build = main.VersionRG.itemIndex();
    p.ie4 = isIe4();
    auto text = [](const platform::Edit& edit, shellpatch::TextField field) {
        return PendingText{edit.text(), field, edit.maxLength()};
    };
    if (StartTextChanged)
        p.startText = text(main.StartEdit, layout.startText);
    if (TooltipChanged)
        p.tooltip = text(main.TooltipEdit, layout.tooltip);
    if (CaptionsChanged)
        for (int i = 0; i < shellpatch::kEntryCount; ++i) {
            const auto entry = static_cast<Entry>(i);
            if (shellpatch::entryInBuild(entry, p.ie4))
                p.captions[i] = text(captionEdit(entry), layout.captions[i]);
        }
    const int barHeight = shellpatch::kLogoMaxHeight - main.ScrollBar.position();
    if (LogoHeightChanged)
        p.logoHeight = barHeight;

    if (IconChanged)
        p.startIcon = lastIconFile;
    if (LogoChanged)
        p.logo = PendingLogo{main.LogoImage.picture(), barHeight};

    if (PoliciesChanged) {
        auto& shown = p.visibility.emplace();
        shown.settings = main.ContrCB.ticked();
        shown.find = main.FindCB.ticked();
        shown.run = main.RunCB.ticked();
        shown.logOff = main.LogCB.ticked();
        shown.shutDown = main.ShutCB.ticked();
        // Without the APM device the box is disabled and there is no switch.
        if (main.SuspCB.enabled())
            shown.suspend = main.SuspCB.ticked();
    }

    if (ShellIconsChanged) {
        p.iconSlots = iconSlots;
        for (int i = 0; i < shellpatch::kEntryCount; ++i)
            if (!iconSlots[i].pending.empty())
                p.iconPictures[i] = entryImage(static_cast<Entry>(i)).picture();
    }
    p.bareIconFiles = AutoloadMode;
    p.restored = Restored;

    if (!programFolder.empty())
        p.autoloadAtStart = other.AutoCB.checked();
    // Never when it was not read: the box would only hold its default, not
    // the machine's setting.
    if (colourDepthRead_)
        p.shellIconBpp = other.ColorsCB.checked() ? "16" : "4";
    return p;
}

} // namespace velkan::app
