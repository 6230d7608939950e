#include "app/MainForm.h"

#include <cctype>

#include "app/ProgramKeys.h"
#include "platform/Files.h"
#include "platform/ProfileString.h"
#include "platform/SystemMetrics.h"
#include "shellpatch/BuildDetection.h"
#include "startmenu/IconMetrics.h"

namespace velkan::app {

using platform::CheckState;
using platform::ControlColor;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::RootKey;
using shellpatch::Entry;

namespace {

constexpr const char* kChangeIconHint = "Click here to change icon";
constexpr const char* kShowHideHint = "Show/hide item on start menu";
constexpr int kLangListWidth = 136;

// The addresses of the About page.
constexpr const char* kHomePage = "http://velkan.example.org/";
constexpr const char* kMailAddress = "velkan@example.org";

} // namespace

bool isAutoloadArgument(const std::vector<std::string>& args) {
    if (args.empty())
        return false;
    std::string first = args.front();
    for (char& c : first)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return first == "/T";
}

TMainForm::TMainForm(Environment& environment) : Form("MainForm"), env(environment) {
    buildControls();
    buildEntryIcons();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildControls() {
    setCaption("Velkan ' 97 ver. 2.51");
    OKBn.setCaption("&OK");
    CancelBn.setCaption("&Cancel");
    RestoreBn.setCaption("&Restore");
    MainPC.setPages({"Main", "Theme Packs", "Other", "About"});

    StartButtonGB.setCaption("Start Button:");
    StartMenuGB.setCaption("Start Menu:");
    StartSE.setHint(kChangeIconHint);
    IconBn.setCaption("Load &icon");
    LogoBn.setCaption("Load &logo");
    SaveThBn.setCaption("&Save as theme");
    LangBn.setCaption(" &Languages >>");
    DescrLb.setCaption("If text in edit boxes is incorrect then press this button and choose "
                       "your version of Win'95 ( 29 versions are supporting)");
    VersionRG.setCaption("Your Win95 version:");
    std::vector<std::string> items;
    for (const auto& build : shellpatch::kBuilds)
        items.emplace_back(build.itemCaption);
    VersionRG.setItems(std::move(items));
    VersionRG.setVisible(false);

    ContrCB.setHint(kShowHideHint);
    for (auto* box : {&ContrCB, &FindCB, &RunCB, &LogCB, &SuspCB, &ShutCB})
        box->onClick = [this, box] { ContrCBClick(*box); };

    Pnl2.setBounds(4, 0, 29, 336);
    LogoImage.setBounds(4, 206, 21, 130);
    LogoImage.setPicture({platform::Picture::Kind::Resource, "DefaultLogo", 0});
    WinlogoSE.setHint("Click here to change logo");
    Metka.setCaption("=====");
    Metka.setFontColor(0x00FF00);
    Metka.setTop(198);
    ScrollBar.setRange(0, 129);
    ScrollBar.setHint("Drag this scrollbar to change logo's height");
    ScrollCount.setHint("Logo's height");
    ScrollCount.setCaption("130");

    for (auto* image : {&Img10, &Img12, &Img14, &Img16, &Img22, &Img32})
        image->setHint(image->name().substr(3) + "x" + image->name().substr(3));
    MetrcBv.setBounds(0, 0, 40, 40);
    TranspSB.setHint("Transparency (do nothing)");
    ThemeBn.setCaption("&Load theme");

    StartUpGB.setCaption("StartUp:");
    AutoCB.setCaption("&Autoload Velkan's Theme Packs on startup");
    L13.setCaption("If this option is checked, every time after starting Windows 95 will be "
                   "loaded Velkan and it automatically will load one of the Theme Packs which has "
                   "to be located in the VKR directory.");
    ColGB.setCaption("Colors:");
    L15.setCaption("By default, Windows shows icons as they are all 16 colors icons. So if your "
                   "icon is in 256 colors it will look ugly. To correct this problem check option "
                   "below. ");
    ColorsCB.setCaption("&Show icons in all possible colors");
    L16.setCaption("NOTE: This option will work correctly only with color palette greater than "
                   "256 colors.");
    RebGB.setCaption("Rebuild icons:");
    L17.setCaption("Sometimes icons may look incorrectly. To fix this problem change icon size and "
                   "press 'Rebuild icons' button otherwise try to relogoff or restart your "
                   "Windows.");
    RebBn.setCaption("Re&build icons");
    L18.setCaption("&Icon size:");
    IconSzEd.setMaxLength(2);
    IconSzEd.setText("32");
    IconSzEd.setHint("Enter a new value and press 'Rebuild icons' button");

    AboutGB.setHint("Press and hold SHIFT and CTRL and click here");
    HomePageEd.setText(kHomePage);
    HomePageEd.setReadOnly(true);
    MailEd.setText(kMailAddress);
    MailEd.setReadOnly(true);
    Readme.setCaption("Readme.txt");

    // Handlers, wired as the window's form file wires them.
    OKBn.onClick = [this] { OKBnClick(); };
    CancelBn.onClick = [this] { CancelBnClick(); };
    RestoreBn.onClick = [this] { RestoreBnClick(); };
    LangBn.onClick = [this] { LangBnClick(); };
    MainPC.onChange = [this] { MainPCChange(); };
    Readme.onClick = [this] { ReadmeClick(); };
    Go1.onClick = [this] { Go1Click(); };
    Go2.onClick = [this] { Go2Click(); };
    VersionRG.onClick = [this] { VersionRGClick(); };
    StartEdit.onChange = [this] { StartEditChange(); };
    TooltipEdit.onChange = [this] { StartEditChange(); };
    for (int i = 0; i < shellpatch::kEntryCount; ++i)
        captionEdit(static_cast<Entry>(i)).onChange = [this] { ProgEditChange(); };
    ScrollBar.onChange = [this] { ScrollBarChange(); };
    StartSE.onClick = [this] { StartSEClick(); };
    IconBn.onClick = [this] { StartSEClick(); };
    WinlogoSE.onClick = [this] { WinlogoSEClick(); };
    LogoBn.onClick = [this] { WinlogoSEClick(); };
    TranspSB.onClick = [this] { TranspSBClick(); };
    RebBn.onClick = [this] { RebBnClick(); };
    IconSzEd.onKeyPress = [this](char key) { return IconSzEdKeyPress(key); };
    buildThemeControls();
}

platform::Edit& TMainForm::captionEdit(Entry entry) {
    platform::Edit* edits[] = {&ProgEdit, &FavEdit, &DocEdit, &ContrEdit, &FindEdit,
                               &HelpEdit, &RunEdit, &LogEdit, &SuspEdit,  &ShutEdit};
    return *edits[static_cast<int>(entry)];
}

platform::Image& TMainForm::entryImage(Entry entry) {
    platform::Image* images[] = {&ProgImg, &FavImg, &DocImg, &ContrImg, &FindImg,
                                 &HelpImg, &RunImg, &LogImg, &SuspImg,  &ShutImg};
    return *images[static_cast<int>(entry)];
}

platform::Button& TMainForm::entryButton(Entry entry) {
    platform::Button* buttons[] = {&ProgImgSB, &FavImgSB, &DocImgSB, &ContrImgSB, &FindImgSB,
                                   &HelpImgSB, &RunImgSB, &LogImgSB, &SuspImgSB,  &ShutImgSB};
    return *buttons[static_cast<int>(entry)];
}

startmenu::VisibilityBoxes TMainForm::visibilityBoxes() {
    return {ContrCB, FindCB, RunCB, LogCB, SuspCB, ShutCB};
}

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
    MyImage.setPicture({platform::Picture::Kind::SystemIcon, "IDI_WINLOGO", 0});
    const auto& mark = startmenu::iconSizeMarkFor(platform::GetSystemMetrics(platform::SM_CXSIZE));
    bevelsLowered = true;
    MetrcBv.setLeft(mark.markLeft);
    MetrcBv.setTop(mark.markTop);
    for (auto* image : {&Img10, &Img12, &Img14, &Img16, &Img22, &Img32})
        if (image->name() == mark.previewImage)
            image->setHint("Windows is currently using " + std::to_string(mark.size) + "x" +
                           std::to_string(mark.size) + " icon on start button");

    // 4.-5. Hints shared between controls, and the icon numbers of the slots.
    for (int i = 0; i < shellpatch::kEntryCount; ++i) {
        entryButton(static_cast<Entry>(i)).setHint(StartSE.hint());
        iconSlots[i].number = shellpatch::kStartMenuEntries[i].shellIconNumber;
    }
    for (auto* box : {&FindCB, &RunCB, &LogCB, &SuspCB, &ShutCB})
        box->setHint(ContrCB.hint());

    // 6.-7. The Windows folder, taken as it is; "Error" makes every file
    // operation below fail, and no build is found.
    windowsFolder = platform::readProfileString(env.machine, "C:\\Msdos.sys", "Paths", "WinDir",
                                                "Error");
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
    for (int next = VersionRG.itemIndex() + 1; next < shellpatch::kBuildCount && !BuildVerified;
         ++next)
        VersionRG.setItemIndex(next);
    detecting_ = false;

    if (BuildVerified) {
        // 10. The settings that only mean something on a supported build.
        colourDepthRead_ = true;
        if (auto metrics = startmenu::readWindowMetrics(env.registry)) {
            IconSzEd.setText(metrics->shellIconSize.value_or(""));
            if (metrics->shellIconBpp == std::optional<std::string>("16"))
                ColorsCB.setChecked(true);
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
                AutoCB.setChecked(true);
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
    AutoCB.setChecked(false);
    AutoCB.setEnabled(false);
    for (auto* control : std::initializer_list<platform::Control*>{&LogoBn, &IconBn, &ThemeBn,
                                                                   &ScrollBar, &WinlogoSE,
                                                                   &StartSE})
        control->setEnabled(false);
    for (auto* edit : {&StartEdit, &TooltipEdit}) {
        edit->setEnabled(false);
        edit->setColor(ControlColor::ButtonFace);
    }
    for (int i = 0; i < shellpatch::kEntryCount; ++i) {
        auto& edit = captionEdit(static_cast<Entry>(i));
        edit.setEnabled(false);
        edit.setColor(ControlColor::ButtonFace);
    }
    VersionRG.setItemIndex(-1);
    ScrollCount.setCaption("");
    Metka.setVisible(false);
    StartSE.setShowHint(false);
    WinlogoSE.setShowHint(false);
    LogCB.setEnabled(true);
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
    SecrPn.stopDrawings();
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
    if (ShellIconsChanged && AutoloadMode && !Restored) {
        writeIconSlots(true);
        rebuildIconsBump();
    }

    // 4. The colour depth, on every close, but never when it was not read:
    // the box would only hold its default, not the machine's setting.
    if (colourDepthRead_)
        (void)startmenu::writeWindowMetric(env.registry, startmenu::kShellIconBppValue,
                                           ColorsCB.checked() ? "16" : "4");

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
        if (RestoreFm && (RestoreFm->CB1.checked() || RestoreFm->CB2.checked() ||
                          RestoreFm->CB4.checked()))
            runRestartPrompt();
    } else {
        runRestartPrompt();
    }
}

void TMainForm::CancelBnClick() {
    QuietClose = true;
    close();
}

void TMainForm::LangBnClick() {
    const bool show = !VersionRG.visible();
    VersionRG.setVisible(show);
    LangBn.setDown(show);
    const int change = show ? kLangListWidth : -kLangListWidth;
    setWidth(width() + change);
    MainPC.setWidth(MainPC.width() + change);
}

void TMainForm::MainPCChange() {
    if (LangBn.down()) {
        LangBnClick();
        LangBn.setDown(false);
    }
}

void TMainForm::ReadmeClick() {
    // The program folder comes from the registry of the machine: only a path
    // on one of its drives is opened, never an address it might spell.
    const std::string readme = programFolder + "Readme.txt";
    const bool onDrive = readme.size() >= 3 && std::isalpha(static_cast<unsigned char>(readme[0])) &&
                         readme[1] == ':' && (readme[2] == '\\' || readme[2] == '/');
    if (onDrive)
        env.shell.ShellExecute("open", readme, "", "", platform::SW_SHOWNORMAL);
}

void TMainForm::Go1Click() {
    env.shell.ShellExecute("open", "Mailto:" + MailEd.text(), "", "", platform::SW_SHOWNORMAL);
}

void TMainForm::Go2Click() {
    env.shell.ShellExecute("open", HomePageEd.text(), "", "", platform::SW_SHOWNORMAL);
}

void TMainForm::ProgEditDblClick(platform::Edit& edit) { edit.selectAll(); }

} // namespace velkan::app
