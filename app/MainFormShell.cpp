// The main window's work on the shell files: choosing the build, reading the
// texts, applying the changes, restoring the backups and the restart prompt.
#include <memory>

#include "app/MainForm.h"
#include "app/ProgramKeys.h"
#include "app/RebootForm.h"
#include "platform/Files.h"
#include "shellpatch/Replacement.h"
#include "shellpatch/ShellFile.h"
#include "startmenu/IconSlots.h"

namespace velkan::app {

using platform::ControlColor;
using platform::RootKey;
using shellpatch::Entry;
using shellpatch::ShellFileKind;

namespace {
constexpr const char* kErrorCaption = "Error...";
} // namespace

void TMainForm::VersionRGClick() {
    selectBuild(VersionRG.itemIndex());
}

void TMainForm::selectBuild(int position) {
    if (const auto* build = shellpatch::buildAt(position)) {
        layout.iconShift = build->iconShift;
        layout.startText = build->startText;
        layout.logoOffset = build->logoOffset;
        layout.tooltip = build->tooltip;
        TooltipEdit.setMaxLength(build->tooltip.length);
        StartEdit.setMaxLength(build->startText.length);
        for (int i = 0; i < shellpatch::kEntryCount; ++i) {
            const auto field = build->captions[i];
            if (!field.present())
                continue;
            layout.captions[i] = field;
            captionEdit(static_cast<Entry>(i)).setMaxLength(field.length);
        }
    }
    // A try that fails to read is no verdict on the build; the detection
    // moves on to the next one.
    // The start-up's detection ignores a working copy that cannot be read;
    // a choice made later shows why nothing was read.
    if (auto read = readTexts(); !read && !detecting_)
        showError(read.error().message, kErrorCaption);
    Loading = true;
    startmenu::readVisibility(env.registry, visibilityBoxes(), isIe4());
    Loading = false;
}

platform::Status TMainForm::readTexts() {
    Loading = true;
    StartEdit.setText("");
    TooltipEdit.setText("");
    auto file = platform::openFile(env.machine, paths.explorerTmp, platform::OpenMode::Read);
    if (!file) {
        Loading = false;
        return file.error();
    }
    const auto textCodec = codec();
    auto readInto = [&](platform::Edit& edit, shellpatch::TextField field) {
        auto text = shellpatch::readTextField(*file, field, textCodec);
        if (text)
            edit.setText(*text);
        return text.ok();
    };
    auto readAll = [&]() -> bool {
        if (!readInto(StartEdit, layout.startText) || !readInto(TooltipEdit, layout.tooltip))
            return false;
        for (Entry e : {Entry::Programs, Entry::Documents, Entry::Settings, Entry::Find,
                        Entry::Help, Entry::Run, Entry::Suspend, Entry::ShutDown})
            if (!readInto(captionEdit(e), layout.captions[static_cast<int>(e)]))
                return false;
        if (isIe4()) {
            for (auto* image : {&FavImg, &LogImg}) {
                image->setShowHint(true);
                image->setEnabled(true);
            }
            LogCB.setEnabled(true);
            for (Entry e : {Entry::Favorites, Entry::LogOff}) {
                auto& edit = captionEdit(e);
                edit.setEnabled(true);
                edit.setColor(ControlColor::Window);
                if (!readInto(edit, layout.captions[static_cast<int>(e)]))
                    return false;
            }
        } else {
            for (auto* edit : {&FavEdit, &LogEdit}) {
                edit->setText("");
                edit->setEnabled(false);
                edit->setColor(ControlColor::ButtonFace);
            }
            for (auto* image : {&FavImg, &LogImg}) {
                image->setEnabled(false);
                image->setShowHint(false);
            }
            LogCB.setEnabled(false);
        }
        auto height = shellpatch::readInt32(*file, layout.logoOffset + shellpatch::kLogoHeight);
        if (!height)
            return false;
        ScrollBar.setPosition(*height > shellpatch::kLogoMaxHeight ? shellpatch::kLogoMaxHeight
                                                                   : shellpatch::kLogoMaxHeight -
                                                                         *height);
        ScrollCount.setCaption(std::to_string(shellpatch::kLogoMaxHeight - ScrollBar.position()));
        auto header = shellpatch::readInt32(*file, layout.logoOffset + shellpatch::kLogoHeaderSize);
        if (!header)
            return false;
        BuildVerified = static_cast<std::uint32_t>(*header) == shellpatch::kBitmapInfoHeaderSize;
        return true;
    };
    if (!readAll()) {
        for (Entry e : {Entry::Programs, Entry::Favorites, Entry::Documents, Entry::Settings,
                        Entry::Find, Entry::Help, Entry::Run, Entry::LogOff, Entry::Suspend,
                        Entry::ShutDown})
            captionEdit(e).setText("");
        StartEdit.setText("");
        TooltipEdit.setText("");
    }
    (void)file->close();
    Loading = false;
    return {};
}

platform::Status TMainForm::writeField(shellpatch::TextField field, const platform::Edit& edit) {
    // The field is as long as the edit allows; the tooltip alone is padded
    // with NULs, the others with spaces.
    field.length = edit.maxLength();
    const bool nulPadding = edit.maxLength() == layout.tooltip.length;
    return shellpatch::writeTextField(env.machine, paths.explorerTmp, field, edit.text(),
                                      nulPadding, codec());
}

void TMainForm::OKBnClick() {
    // 1. The autoload entry, when the program folder is known.
    if (!programFolder.empty()) {
        if (auto run = env.registry.createKey(RootKey::CurrentUser, kRunKey)) {
            if (AutoCB.checked())
                (void)run->setString(kRunValue, programFolder + kRunCommand);
            else
                (void)run->deleteValue(kRunValue);
            run->close();
        }
    }

    // 2.-3. Start-menu icons and the visibility policies, straight into the registry.
    if (ShellIconsChanged && !Restored)
        writeIconSlots(false);
    if (PoliciesChanged) {
        Restored = true;
        if (RestoreFm) {
            RestoreFm->CB1.setChecked(false);
            RestoreFm->CB2.setChecked(false);
        }
        if (auto apm = startmenu::writeVisibility(env.registry, visibilityBoxes(), isIe4()); !apm) {
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
    if (StartTextChanged && fail(writeField(layout.startText, StartEdit)))
        return;
    if (TooltipChanged && fail(writeField(layout.tooltip, TooltipEdit)))
        return;
    if (IconChanged)
        UserFileChanged = true;
    if (LogoChanged)
        LogoFileChanged = true;
    if (CaptionsChanged) {
        for (Entry e : {Entry::Programs, Entry::Documents, Entry::Settings, Entry::Find,
                        Entry::Help, Entry::Run, Entry::Suspend, Entry::ShutDown})
            if (fail(writeField(layout.captions[static_cast<int>(e)], captionEdit(e))))
                return;
        if (isIe4())
            for (Entry e : {Entry::Favorites, Entry::LogOff})
                if (fail(writeField(layout.captions[static_cast<int>(e)], captionEdit(e))))
                    return;
    }
    if (LogoHeightChanged &&
        fail(shellpatch::writeByte(env.machine, paths.explorerTmp,
                                   layout.logoOffset + shellpatch::kLogoHeight,
                                   static_cast<std::uint8_t>(shellpatch::kLogoMaxHeight -
                                                             ScrollBar.position()))))
        return;

    // 10. New Start-menu icons show only after the shell rebuilt its icons.
    if (ShellIconsChanged && !Restored)
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

void TMainForm::writeIconSlots(bool appendIndex) {
    startmenu::writeIconSlots(env.registry, iconSlots, appendIndex);
}

} // namespace velkan::app
