// The unattended start with "/t": the next theme pack of the rotation goes
// into the working copies and is scheduled for the next Windows start.
#include "app/mainform/MainForm.h"
#include "app/ProgramKeys.h"
#include "platform/Files.h"
#include "shellpatch/ShellFile.h"
#include "themes/PackFormat.h"
#include "themes/PackIndex.h"
#include "themes/Rotation.h"

namespace velkan::app {

using shellpatch::Entry;

using themes::inFolder;

void TMainForm::runAutoload() {
    // Which subfolder is next: the one after the last applied, in the order
    // the folder search gives them, starting again at the first.
    const auto step =
        themes::nextInRotation(themes::rotationCandidates(env.machine, programFolder), lastTheme);
    if (auto key = env.registry.createKey(platform::RootKey::CurrentUser, kProgramKey)) {
        (void)key->setDword(kLastThemeValue, step.stored);
        key->close();
    }
    applyPackUnattended(programFolder + step.folder);
}

void TMainForm::applyPackUnattended(const std::string& pack) {
    AutoloadMode = true;
    platform::ProgressBar* progress = AutoTheme ? &AutoTheme->AutoThemePB : nullptr;
    auto step = [progress] {
        if (progress)
            progress->stepIt();
    };
    const std::string folder = inFolder(pack, "");
    // A file error ends the autoload: it is told once, nothing more is
    // written and nothing is scheduled, so Windows starts with the shell it
    // has (a full disk would otherwise bring one box per field and icon).
    auto abandon = [this](const platform::Status& s) {
        if (s && !fileErrorShown_)
            return false;
        if (!s)
            showError(s.error().message, "Error...");
        abandoned_ = true;
        return true;
    };

    if (themes::holdsPack(env.machine, folder)) {
        const themes::PackIndex index(env.machine, folder);
        auto readInto = [](platform::Edit& edit, const std::optional<std::string>& value) {
            if (value)
                edit.setText(cutToLimit(*value, edit));
        };
        for (const auto& caption : themes::kCaptionKeys) {
            if (!shellpatch::entryInBuild(caption.entry, isIe4()))
                continue;
            step();
            auto& edit = captionEdit(caption.entry);
            readInto(edit, index.caption(themes::kStartMenuSection, caption.key));
            if (abandon(writeField(layout.captions[static_cast<int>(caption.entry)], edit)))
                return;
        }
        const int height = index.logoHeight().value_or(shellpatch::kLogoMaxHeight);
        step();
        if (abandon(shellpatch::writeByte(env.machine, paths.explorerTmp,
                                          layout.logoOffset + shellpatch::kLogoHeight,
                                          static_cast<std::uint8_t>(height))))
            return;
        step();
        readInto(main.StartEdit, index.startText());
        if (abandon(writeField(layout.startText, main.StartEdit)))
            return;
        step();
        readInto(main.TooltipEdit, index.tooltip());
        if (abandon(writeField(layout.tooltip, main.TooltipEdit)))
            return;

        fileErrorShown_ = false;
        for (int size : themes::kStartIconSizes) {
            step();
            const std::string file = folder + themes::startIconFile(size);
            if (platform::fileExists(env.machine, file))
                loadStartButtonIconWithRetry(file);
            if (abandon({}))
                return;
        }
        if (platform::fileExists(env.machine, folder + themes::kLogoFile))
            loadLogo(folder + themes::kLogoFile);
        if (abandon({}))
            return;
    }

    // Item icons: only their files are recorded now; the close writes them.
    for (int n = 1; n <= shellpatch::kEntryCount; ++n) {
        const auto entry = static_cast<Entry>(n - 1);
        if (!shellpatch::entryInBuild(entry, isIe4()))
            continue;
        const std::string file = folder + themes::itemIconFile(n);
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
    if (!scheduleReplacements())
        abandoned_ = true;
}

} // namespace velkan::app
