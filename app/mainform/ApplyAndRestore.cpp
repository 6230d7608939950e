// OK and Restore: the pending changes applied in their order, the swap of the
// shell files at the next start, the backups put back, the restart prompt.
#include "app/ProgramKeys.h"
#include "app/RebootForm.h"
#include "app/mainform/MainForm.h"
#include "platform/Files.h"
#include "shellpatch/RenameSchedule.h"
#include "shellpatch/ShellFile.h"
#include "startmenu/IconSlots.h"

#include <memory>

namespace velkan::app {

using platform::RootKey;
using shellpatch::Entry;
using shellpatch::ShellFileKind;

void TMainForm::OKBnClick() {
    applyChanges(pendingChanges());
}

platform::Status TMainForm::writeText(const PendingText& pending) {
    // The field is as long as the edit allows; the tooltip alone is padded
    // with NULs, the others with spaces.
    auto field = pending.field;
    field.length = pending.limit;
    const bool nulPadding = pending.limit == layout.tooltip.length;
    return shellpatch::writeTextField(env.machine, paths.explorerTmp, field, pending.text,
                                      nulPadding, codec());
}

void TMainForm::applyChanges(const PendingChanges& changes) {
    // 1. The autoload entry, when the program folder is known.
    if (changes.autoloadAtStart) {
        if (auto run = env.registry.createKey(RootKey::CurrentUser, kRunKey)) {
            if (*changes.autoloadAtStart)
                (void)run->setString(kRunValue, programFolder + kRunCommand);
            else
                (void)run->deleteValue(kRunValue);
            run->close();
        }
    }

    // 2.-3. Start-menu icons and the visibility policies, straight into the registry.
    if (changes.iconSlots && !changes.restored)
        startmenu::writeIconSlots(env.registry, *changes.iconSlots, false);
    if (changes.visibility) {
        Restored = true;
        if (RestoreFm) {
            RestoreFm->CB1.setChecked(false);
            RestoreFm->CB2.setChecked(false);
        }
        if (auto apm = startmenu::writeVisibility(env.registry, *changes.visibility, changes.ie4);
            !apm) {
            showError(apm.error().message, kErrorCaption);
            return;
        }
    }

    // 4. The shell check: a build that does not match would be patched blind.
    // A working copy that cannot be read says nothing about the build: its
    // error is shown and the window stays open with the edits.
    {
        auto file = platform::openFile(env.machine, paths.explorerTmp, platform::OpenMode::Read);
        if (!file) {
            showError(file.error().message, kErrorCaption);
            return;
        }
        auto marker = shellpatch::readUInt16(
            *file, layout.captions[static_cast<int>(Entry::Programs)].offset - 2);
        if (!marker) {
            showError(marker.error().message, kErrorCaption);
            return;
        }
        if (*marker != 1) {
            env.questions.messageBox("Your version of Windows 95 is\r  not supported or you have\r"
                                     "selected an incorrect version.",
                                     kErrorCaption, platform::MessageIcon::Error,
                                     platform::MessageButtons::OK);
            QuietClose = true;
            close();
            return;
        }
    }

    // 5.-9. The texts and the logo height into the working copy.
    auto fail = [this](const platform::Status& s) {
        if (s)
            return false;
        showError(s.error().message, kErrorCaption);
        return true;
    };
    if (changes.startText && fail(writeText(*changes.startText)))
        return;
    if (changes.tooltip && fail(writeText(*changes.tooltip)))
        return;
    if (changes.startIcon)
        UserFileChanged = true;
    if (changes.logo)
        LogoFileChanged = true;
    // The entries of the desktop update come after the others.
    for (Entry e : {Entry::Programs, Entry::Documents, Entry::Settings, Entry::Find, Entry::Help,
                    Entry::Run, Entry::Suspend, Entry::ShutDown, Entry::Favorites, Entry::LogOff})
        if (const auto& caption = changes.captions[static_cast<int>(e)];
            caption && fail(writeText(*caption)))
            return;
    if (changes.logoHeight &&
        fail(shellpatch::writeByte(env.machine, paths.explorerTmp,
                                   layout.logoOffset + shellpatch::kLogoHeight,
                                   static_cast<std::uint8_t>(*changes.logoHeight))))
        return;

    // 10. New Start-menu icons show only after the shell rebuilt its icons;
    // policies written above count as a restore and leave them be.
    if (changes.iconSlots && !Restored)
        rebuildIconsBump();

    // 11.-13. A swap that is not scheduled leaves the window open with the
    // edits: closing would delete them and offer a restart that changes nothing.
    if (!scheduleReplacements())
        return;
    RestoreBn.setEnabled(false);
    close();
}

bool TMainForm::scheduleReplacements() {
    std::vector<ShellFileKind> kinds;
    if (StartTextChanged || TooltipChanged || CaptionsChanged || LogoFileChanged ||
        LogoHeightChanged)
        kinds.push_back(ShellFileKind::Explorer);
    if (UserFileChanged)
        kinds.push_back(ShellFileKind::User);
    if (kinds.empty())
        return true;
    const auto errors = shellpatch::scheduleReplacements(env.machine, paths, kinds);
    for (const auto& error : errors)
        showError("The file swap at the next Windows start was not scheduled:\r" + error.message,
                  kErrorCaption);
    return errors.empty();
}

void TMainForm::RestoreBnClick() {
    if (!RestoreFm)
        return;
    RestoreFm->setModalResult(0);
    int result = env.questions.showModal(*RestoreFm);
    // A view that only answers (a terminal) leaves the pressing to us; closing
    // the dialog without a choice is taken as Cancel, never as "restore all".
    if (RestoreFm->modalResult() == 0) {
        if (result == platform::IDOK)
            RestoreFm->OKBnClick();
        else
            RestoreFm->CancelBnClick();
    }

    std::vector<ShellFileKind> restored;
    if (RestoreFm->CB2.checked())
        restored.push_back(ShellFileKind::Explorer);
    if (RestoreFm->CB1.checked())
        restored.push_back(ShellFileKind::User);
    // Nothing else is restored when the swap back is not scheduled: the user
    // sees the error and the window stays as it was.
    if (auto s = shellpatch::scheduleRestores(env.machine, paths, restored); !s) {
        showError(s.error().message, kErrorCaption);
        return;
    }
    if (RestoreFm->CB4.checked())
        startmenu::deletePolicies(env.registry);
    if (RestoreFm->CB3.checked()) {
        startmenu::deleteShellIcons(env.registry);
        rebuildIconsBump();
    }
    Restored = true;
    close();
}

void TMainForm::runRestartPrompt() {
    if (!(PoliciesChanged || StartTextChanged || UserFileChanged || LogoFileChanged ||
          TooltipChanged || Restored || CaptionsChanged || LogoHeightChanged))
        return;
    auto logoffOnly = [this] {
        return Restored && !UserFileChanged && !TooltipChanged && !StartTextChanged &&
               !CaptionsChanged && !LogoHeightChanged && !LogoFileChanged &&
               !(RestoreFm && (RestoreFm->CB1.checked() || RestoreFm->CB2.checked()));
    };
    auto prompt = std::make_unique<TRebootForm>(env.shell, logoffOnly, releaseMachine);
    int result = env.questions.showModal(*prompt);
    if (prompt->modalResult() == 0 && result == platform::IDOK)
        prompt->RebootBnClick();
}

} // namespace velkan::app
