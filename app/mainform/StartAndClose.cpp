// The run of the window from FormCreate to FormClose: the working copies,
// the build detection, the settings read at start, and what the close writes.
#include "app/ProgramKeys.h"
#include "app/mainform/MainForm.h"
#include "platform/Files.h"
#include "platform/ProfileString.h"
#include "platform/SystemMetrics.h"
#include "platform/Text.h"
#include "shellpatch/BuildDetection.h"
#include "startmenu/IconMetrics.h"

#include <cctype>

namespace velkan::app {

using platform::ControlColor;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::RootKey;
using shellpatch::Entry;

bool isAutoloadArgument(const std::vector<std::string>& args) {
    if (args.empty())
        return false;
    return platform::asciiUppercase(args.front()) == "/T";
}

TMainForm::TMainForm(Environment& environment) : Form("MainForm"), env(environment) {
    buildControls();
    buildEntryIcons();
}

TMainForm::~TMainForm() = default;

void TMainForm::showError(const std::string& text, const std::string& caption) {
    env.questions.messageBox(text, caption, MessageIcon::Error, MessageButtons::OK);
}

void TMainForm::FormCreate() {
    // 1. An autoload runs hidden, with only its progress window on the screen.
    const bool autoload = isAutoloadArgument(env.arguments);
    if (autoload) {
        setWindowState(platform::WindowState::Minimized);
        AutoTheme = std::make_unique<TAutoTheme>();
        AutoTheme->showNow();
        if (env.showProgressWindow)
            AutoTheme->view = env.showProgressWindow(*AutoTheme);
    }

    // 2.-3. The Start button's stock picture, and which icon size Windows uses.
    main.MyImage.setPicture({platform::Picture::Kind::SystemIcon, "IDI_WINLOGO", 0});
    const auto& mark = startmenu::iconSizeMarkFor(platform::GetSystemMetrics(platform::SM_CXSIZE));
    packs.bevelsLowered = true;
    packs.MetrcBv.setLeft(mark.markLeft);
    packs.MetrcBv.setTop(mark.markTop);
    for (auto* image :
         {&packs.Img10, &packs.Img12, &packs.Img14, &packs.Img16, &packs.Img22, &packs.Img32})
        if (image->name() == mark.previewImage)
            image->setHint("Windows is currently using " + std::to_string(mark.size) + "x" +
                           std::to_string(mark.size) + " icon on start button");

    // 4.-5. Hints shared between controls, and the icon numbers of the slots.
    for (int i = 0; i < shellpatch::kEntryCount; ++i) {
        entryButton(static_cast<Entry>(i)).setHint(main.StartSE.hint());
        iconSlots[i].number = shellpatch::kStartMenuEntries[i].shellIconNumber;
    }
    for (auto* box : {&main.FindCB, &main.RunCB, &main.LogCB, &main.SuspCB, &main.ShutCB})
        box->setHint(main.ContrCB.hint());

    // 6.-7. The Windows folder, taken as it is; "Error" makes every file
    // operation below fail, and no build is found.
    windowsFolder =
        platform::readProfileString(env.machine, "C:\\Msdos.sys", "Paths", "WinDir", "Error");
    paths = shellpatch::ShellPaths::fromWindowsFolder(windowsFolder);

    // 8. Working copies, from the unpatched backups when there are any. A
    // missing shell file is left to the build detection to tell; a copy that
    // the disk refuses (full, read-only) is told here, or the user would only
    // hear that the version is not supported.
    bool copyRefused = false;
    auto makeWorkingCopy = [this, &copyRefused](const std::string& from,
                                                const std::string& working) {
        auto copied = platform::copyFile(env.machine, from, working, false);
        if (!copied && platform::fileExists(env.machine, from)) {
            showError("The working copy could not be made:\r" + copied.error().message, "Error...");
            copyRefused = true;
        }
    };
    makeWorkingCopy(explorerBase(), paths.explorerTmp);
    // One refusal is told once: the second copy would fail on the same disk.
    if (!copyRefused)
        makeWorkingCopy(platform::fileExists(env.machine, paths.userSav) ? paths.userSav
                                                                         : paths.userExe,
                        paths.userTmp);

    // 9. Build detection: each build after the current one in turn, until
    // one's logo header reads as expected.
    detecting_ = true;
    for (int next = main.VersionRG.itemIndex() + 1;
         next < shellpatch::kBuildCount && !BuildVerified; ++next)
        main.VersionRG.setItemIndex(next);
    detecting_ = false;

    if (BuildVerified) {
        // 10. The settings that only mean something on a supported build.
        colourDepthRead_ = true;
        if (auto metrics = startmenu::readWindowMetrics(env.registry)) {
            other.IconSzEd.setText(metrics->shellIconSize.value_or(""));
            if (metrics->shellIconBpp == std::optional<std::string>("16"))
                other.ColorsCB.setChecked(true);
        }
        if (auto key = env.registry.openKey(RootKey::CurrentUser, kProgramKey)) {
            if (auto location = key->queryString(kLocationValue))
                programFolder = *location;
            if (auto last = key->queryDword(kLastThemeValue))
                lastTheme = static_cast<int>(*last);
            key->close();
        }
        SizeBumpedUp = false;

        if (autoload) {
            if (programFolder.empty())
                QuietClose = true;
            else
                runAutoload();
            AutoTheme.reset();
            close();
        }

        if (auto run = env.registry.openKey(RootKey::CurrentUser, kRunKey)) {
            if (run->query(kRunValue))
                other.AutoCB.setChecked(true);
            run->close();
        }
    } else if (autoload && copyRefused) {
        // The disk refused the working copies and the user has been told: an
        // autoload ends here, without a second message about the build.
        abandoned_ = true;
        QuietClose = true;
        AutoTheme.reset();
        close();
    } else {
        // 11. An unknown shell: say so, and leave nothing that could patch it.
        showError("    Your version is not supported !\r      Some options will not work.\r"
                  "  If you want to support it contact me\r by email, see Readme.txt for more "
                  "info.\rVKR doesn't support Win98 and WinNT (yet).",
                  "Incorrect version of Windows`95...");
        disableForUnknownBuild();
        // Nothing can be applied unattended: end once the user has been told.
        if (autoload) {
            QuietClose = true;
            AutoTheme.reset();
            close();
        }
    }

    // 12. The backup notice, once per machine. An autoload that ended at a
    // file error writes nothing more, the notice's mark included: the disk
    // may be damaged, and the notice comes when the customiser can work.
    if (!abandoned_) {
        if (auto key = env.registry.createKey(RootKey::CurrentUser, kProgramKey)) {
            if (!key->query(kFirstRunValue)) {
                (void)key->setString(kFirstRunValue, "1");
                env.questions.messageBox("Backuped Explorer.exe will be stored as Explorer.sav\r"
                                         "  file in your Windows directory and User.exe as\r"
                                         "     User.sav in Windows System directory.",
                                         "Velkan'97", MessageIcon::Information, MessageButtons::OK);
            }
            key->close();
        }
    }

    // 13. The theme browser shows its starting folder.
    if (!closed()) {
        startBrowser();
        DirListBoxClick();
    }
    showCurrentIcons();

    // 14.
    MainPC.setActivePage(0);
}

const std::string& TMainForm::explorerBase() {
    if (!platform::fileExists(env.machine, paths.explorerSav))
        return paths.explorerExe;
    // An update of Windows may have replaced the live shell since the backup
    // was made; patching the older backup would quietly install the old shell
    // again. Both files stay as they are: the backup is still the original of
    // the older shell.
    auto backup = platform::readWholeFile(env.machine, paths.explorerSav);
    auto live = platform::readWholeFile(env.machine, paths.explorerExe);
    if (!backup || !live)
        return backup ? paths.explorerSav : paths.explorerExe;
    if (shellpatch::detectBuild(*backup) == shellpatch::detectBuild(*live))
        return paths.explorerSav;
    // Told when the user opens the window; the autoload at every Windows
    // start takes the live file without asking for attention each time.
    if (!isAutoloadArgument(env.arguments))
        env.questions.messageBox(
            "Explorer.exe has been replaced by another version since Explorer.sav was saved.\r"
            "Your changes will be made to the Explorer.exe in use;\r"
            "Explorer.sav is kept as it is.",
            "Warning...", MessageIcon::Warning, MessageButtons::OK);
    return paths.explorerExe;
}

void TMainForm::disableForUnknownBuild() {
    other.AutoCB.setChecked(false);
    other.AutoCB.setEnabled(false);
    for (auto* control :
         std::initializer_list<platform::Control*>{&main.LogoBn, &main.IconBn, &packs.ThemeBn,
                                                   &main.ScrollBar, &main.WinlogoSE, &main.StartSE})
        control->setEnabled(false);
    for (auto* edit : {&main.StartEdit, &main.TooltipEdit}) {
        edit->setEnabled(false);
        edit->setColor(ControlColor::ButtonFace);
    }
    for (int i = 0; i < shellpatch::kEntryCount; ++i) {
        auto& edit = captionEdit(static_cast<Entry>(i));
        edit.setEnabled(false);
        edit.setColor(ControlColor::ButtonFace);
    }
    main.VersionRG.setItemIndex(-1);
    main.ScrollCount.setCaption("");
    main.Metka.setVisible(false);
    main.StartSE.setShowHint(false);
    main.WinlogoSE.setShowHint(false);
    main.LogCB.setEnabled(true);
}

void TMainForm::close() {
    if (closing_)
        return;
    closing_ = true;
    FormClose();
    markClosed();
    // Nothing is written after the close: the machine may start now.
    if (releaseMachine)
        releaseMachine();
}

void TMainForm::FormClose() {
    // 1. A drawing still running stops before the window it draws into goes.
    about.SecrPn.stopDrawings();
    if (BrwsIcnForm)
        abandonIconLoad();

    // 2. The working copies go; what they held is in the .new files by now.
    (void)platform::deleteFile(env.machine, paths.explorerTmp);
    (void)platform::deleteFile(env.machine, paths.userTmp);

    // An autoload that ended at a file error has told it; anything more
    // written now would only fail again on the same disk.
    if (abandoned_)
        return;

    // 3. An autoload's Start-menu icons take effect now.
    const PendingChanges changes = pendingChanges();
    if (changes.iconSlots && changes.bareIconFiles && !changes.restored) {
        startmenu::writeIconSlots(env.registry, *changes.iconSlots, true);
        rebuildIconsBump();
    }

    // 4. The colour depth, on every close, whichever button closed the window.
    if (changes.shellIconBpp)
        (void)startmenu::writeWindowMetric(env.registry, startmenu::kShellIconBppValue,
                                           *changes.shellIconBpp);

    // 5. Whether the rebuild warning is wanted next time.
    if (!AutoloadMode && !QuietClose && WarnForm) {
        if (auto key = env.registry.openKey(RootKey::CurrentUser, kProgramKey)) {
            (void)key->setDword(kOptionsValue, WarnForm->DontFutCB.checked() ? 1 : 0);
            key->close();
        }
    }

    // The run's registry writes pass over their errors one by one; a disk that
    // could not take them must not look like a run that worked.
    if (auto lost = env.registry.takeWriteFailure())
        showError("Some settings could not be saved in the registry:\r" + lost->message,
                  "Error...");

    // 6. The restart prompt.
    if (QuietClose || AutoloadMode)
        return;
    if (Restored) {
        if (RestoreFm &&
            (RestoreFm->CB1.checked() || RestoreFm->CB2.checked() || RestoreFm->CB4.checked()))
            runRestartPrompt();
    } else {
        runRestartPrompt();
    }
}

void TMainForm::CancelBnClick() {
    QuietClose = true;
    close();
}

} // namespace velkan::app
