#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/AutoThemeForm.h"
#include "app/Environment.h"
#include "app/FolderList.h"
#include "app/PopupMenu.h"
#include "app/RestoreForm.h"
#include "app/WarnForm.h"
#include "app/mainform/PendingChanges.h"
#include "hidden/SecretPanel.h"
#include "platform/Controls.h"
#include "shellpatch/BuildTable.h"
#include "shellpatch/ShellPaths.h"
#include "shellpatch/TextField.h"
#include "startmenu/IconSlots.h"
#include "startmenu/Visibility.h"

namespace velkan::app {

// The caption of the form's error boxes.
inline constexpr const char* kErrorCaption = "Error...";

// The place of the current build's texts and pictures in the shell files.
// Selecting a build puts its row in force; a build without Favorites and Log
// Off keeps the previous build's values for them, as they are unused then.
struct FieldLayout {
    shellpatch::TextField startText;
    shellpatch::TextField tooltip;
    std::array<shellpatch::TextField, shellpatch::kEntryCount> captions{};
    std::int32_t logoOffset = 0;
    std::int32_t iconShift = 0;
};

// A text cut to what the edit holds (no cut for an edit without a limit).
std::string cutToLimit(const std::string& text, const platform::Edit& edit);

class TCreateTh;
class TBrwsIcnForm;
class TIconFm;

// Whether the command line asks for the unattended autoload ("/t", any case).
bool isAutoloadArgument(const std::vector<std::string>& args);

// The customiser's main window: every control the user edits, one struct per
// page, the flags that say what changed, and the handlers under their window
// names, each defined in the file of this folder named after what it does.
// The whole run of the program lives here, from FormCreate to FormClose.
class TMainForm : public platform::Form {
public:
    explicit TMainForm(Environment& env);
    ~TMainForm() override;

    Environment& env;

    // Windows made after the main window; set by the application once made.
    TWarnForm* WarnForm = nullptr;
    TRestoreFm* RestoreFm = nullptr;
    TCreateTh* CreateTh = nullptr;
    TBrwsIcnForm* BrwsIcnForm = nullptr;
    TIconFm* IconFm = nullptr;
    // Lets go of the customiser's hold on the machine; the application sets
    // it. Called once everything is written, before a restart is requested.
    std::function<void()> releaseMachine;

    // --- Buttons and pages of the window -----------------------------------
    platform::Button OKBn{"OKBn"}, CancelBn{"CancelBn"}, RestoreBn{"RestoreBn"};
    platform::PageControl MainPC{"MainPC"};

    // The controls of each page, grouped as the pages show them.
    struct MainPage {
        platform::GroupBox StartButtonGB{"StartButtonGB"};
        platform::Edit StartEdit{"StartEdit"}, TooltipEdit{"TooltipEdit"};
        platform::Image MyImage{"MyImage"};
        platform::Button StartSE{"StartSE"};

        platform::GroupBox StartMenuGB{"StartMenuGB"};
        platform::Edit ProgEdit{"ProgEdit"}, FavEdit{"FavEdit"}, DocEdit{"DocEdit"},
            ContrEdit{"ContrEdit"}, FindEdit{"FindEdit"}, HelpEdit{"HelpEdit"}, RunEdit{"RunEdit"},
            LogEdit{"LogEdit"}, SuspEdit{"SuspEdit"}, ShutEdit{"ShutEdit"};
        platform::Image ProgImg{"ProgImg"}, FavImg{"FavImg"}, DocImg{"DocImg"},
            ContrImg{"ContrImg"}, FindImg{"FindImg"}, HelpImg{"HelpImg"}, RunImg{"RunImg"},
            LogImg{"LogImg"}, SuspImg{"SuspImg"}, ShutImg{"ShutImg"};
        platform::Button ProgImgSB{"ProgImgSB"}, FavImgSB{"FavImgSB"}, DocImgSB{"DocImgSB"},
            ContrImgSB{"ContrImgSB"}, FindImgSB{"FindImgSB"}, HelpImgSB{"HelpImgSB"},
            RunImgSB{"RunImgSB"}, LogImgSB{"LogImgSB"}, SuspImgSB{"SuspImgSB"},
            ShutImgSB{"ShutImgSB"};
        // The entry images' pop-up menu and its one item, "&Restore icon".
        PopupMenu PopMn{"PopMn"};
        platform::Button Restore{"Restore"};
        platform::CheckBox ContrCB{"ContrCB"}, FindCB{"FindCB"}, RunCB{"RunCB"}, LogCB{"LogCB"},
            SuspCB{"SuspCB"}, ShutCB{"ShutCB"};

        platform::Control Pnl2{"Pnl2"};
        platform::Image LogoImage{"LogoImage"};
        platform::Button WinlogoSE{"WinlogoSE"};
        platform::Label Metka{"Metka"};
        platform::ScrollBar ScrollBar{"ScrollBar"};
        platform::Label ScrollCount{"ScrollCount"};

        platform::Button IconBn{"IconBn"}, LogoBn{"LogoBn"}, SaveThBn{"SaveThBn"};
        platform::Button LangBn{"LangBn"};
        platform::Label DescrLb{"DescrLb"};
        platform::RadioGroup VersionRG{"VersionRG"};
    };

    struct ThemePacksPage {
        explicit ThemePacksPage(const platform::Machine& machine)
            : DirListBox{"DirListBox", machine}, DriveCB{"DriveCB", machine} {}

        // The Start-button icon sizes, with the mark on the one Windows uses.
        platform::Image Img10{"Img10"}, Img12{"Img12"}, Img14{"Img14"}, Img16{"Img16"},
            Img22{"Img22"}, Img32{"Img32"};
        platform::Control Bev1{"Bev1"}, Bev2{"Bev2"}, Bev3{"Bev3"}, Bev4{"Bev4"}, Bev5{"Bev5"},
            Bev6{"Bev6"};
        bool bevelsLowered = false;
        platform::Control MetrcBv{"MetrcBv"};
        platform::Image ImgLg{"ImgLg"};
        platform::Button TranspSB{"TranspSB"};
        platform::Button ThemeBn{"ThemeBn"};
        platform::GroupBox DircetoryGB{"DircetoryGB"};
        FolderList DirListBox;
        DriveBox DriveCB;
        platform::ProgressBar ProgressBar{"ProgressBar"};
        platform::Button OpenTh{"OpenTh"};
        platform::Label Info{"Info"};
        platform::GroupBox AboutThemeGB{"AboutThemeGB"}, DescrGB{"DescrGB"}, AuthorGB{"AuthorGB"},
            PrevGB{"PrevGB"};
        platform::Edit AboutRE{"AboutRE"}, AuthorRE{"AuthorRE"}; // read-only rich edits
        platform::Image Imag1{"Imag1"}, Imag2{"Imag2"}, Imag3{"Imag3"};
        // The seven item images of the "Other start menu icons" pop-up (items 4
        // to 10), set once the pop-up is made.
        std::array<platform::Image*, 7> IconFmImages{};
        // Opens the "Other start menu icons" pop-up when the mouse comes over it.
        platform::Button MoreBn{"MoreBn"};
    };

    struct OtherPage {
        platform::GroupBox StartUpGB{"StartUpGB"};
        platform::CheckBox AutoCB{"AutoCB"};
        platform::Label L13{"L13"};
        platform::GroupBox ColGB{"ColGB"};
        platform::Label L15{"L15"}, L16{"L16"};
        platform::CheckBox ColorsCB{"ColorsCB"};
        platform::GroupBox RebGB{"RebGB"};
        platform::Label L17{"L17"}, L18{"L18"};
        platform::Button RebBn{"RebBn"};
        platform::Edit IconSzEd{"IconSzEd"};
    };

    struct AboutPage {
        explicit AboutPage(platform::UserQuestions& questions) : SecrPn{questions} {}

        platform::GroupBox AboutGB{"AboutGB"};
        platform::Edit HomePageEd{"HomePageEd"}, MailEd{"MailEd"};
        platform::Button Go1{"Go1"}, Go2{"Go2"}, Readme{"Readme"};
        // The hidden panel with the two drawings.
        hidden::SecretPanel SecrPn;
    };

    MainPage main;
    ThemePacksPage packs{env.machine};
    OtherPage other;
    AboutPage about{env.questions};

    // --- State of the run --------------------------------------------------
    std::string windowsFolder;
    shellpatch::ShellPaths paths;
    std::string programFolder; // Location, with its trailing backslash
    int lastTheme = 0;
    FieldLayout layout;
    startmenu::IconSlots iconSlots{};
    std::string lastIconFile;
    std::uint8_t loadedIconCount = 0;
    // The entry image a mouse button was last pressed on; "&Restore icon" acts on it.
    platform::Image* popupTarget = nullptr;

    // What the user changed; pendingChanges() reads them with the controls.
    bool StartTextChanged = false, TooltipChanged = false, CaptionsChanged = false,
         IconChanged = false, LogoChanged = false, UserFileChanged = false,
         LogoFileChanged = false, LogoHeightChanged = false, PoliciesChanged = false,
         ShellIconsChanged = false, Restored = false, Loading = false, AutoloadMode = false,
         QuietClose = false, BuildVerified = false, SizeBumpedUp = false;

    // The "Processing..." window of an autoload, while it runs.
    std::unique_ptr<TAutoTheme> AutoTheme;

    // --- Handlers ----------------------------------------------------------
    void FormCreate();
    void FormClose();
    // Closes the window once; a second close does nothing.
    void close();

    void OKBnClick();
    void CancelBnClick();
    void RestoreBnClick();
    void LangBnClick();
    void MainPCChange();
    void ReadmeClick();
    void Go1Click();
    void Go2Click();
    void ProgEditDblClick(platform::Edit& edit);

    void VersionRGClick();
    void StartEditChange();
    void ProgEditChange();
    void ContrCBClick(platform::CheckBox& box);
    void ScrollBarChange();
    void StartSEClick();
    void WinlogoSEClick();
    void TranspSBClick();

    void DirListBoxClick();
    void DriveCBChange();
    void OpenThClick();
    void ThemeBnClick();
    void SaveThBnClick();

    // Start-menu entry icons.
    void showCurrentIcons();
    void ProgImgSBClick(platform::Button& sender);
    void ProgImgSBMouseDown(platform::Button& sender, MouseButton button);
    void ShutImgMouseDown(platform::Image& sender, MouseButton button);
    void RestoreClick();
    // The icon the browser's selected index names in `file`, for the entry
    // whose button this is; in autoload mode only the bare file is kept.
    void setSlotIcon(platform::Button& button, const std::string& file);
    void MoreBnMouseMove();
    void Imag1MouseMove();
    // What ExtractIcon gives for `file` and `index` (a bare name is looked
    // for in the System and Windows folders), or nothing.
    platform::Picture extractedIcon(const std::string& file, int index) const;

    void RebBnClick();
    bool IconSzEdKeyPress(char key);

    // --- Operations other windows and the theme packs use ------------------
    bool isIe4() const { return shellpatch::isIe4Build(main.VersionRG.itemIndex()); }
    platform::Edit& captionEdit(shellpatch::Entry entry);
    const platform::Edit& captionEdit(shellpatch::Entry entry) const {
        return const_cast<TMainForm*>(this)->captionEdit(entry);
    }
    platform::Image& entryImage(shellpatch::Entry entry);
    const platform::Image& entryImage(shellpatch::Entry entry) const {
        return const_cast<TMainForm*>(this)->entryImage(entry);
    }
    platform::Button& entryButton(shellpatch::Entry entry);
    startmenu::VisibilityBoxes visibilityBoxes();

    // Reads the texts, the logo height and the header test out of the shell
    // working copy. Returns the error of opening the file.
    platform::Status readTexts();
    // Start-button icon loader: false only when User.tmp is not the selected build.
    bool loadStartButtonIcon(const std::string& file);
    // The loader with the retry on the matching "PE" row after a false result.
    void loadStartButtonIconWithRetry(const std::string& file);
    void loadLogo(const std::string& file);
    // What OK would change now, read from the controls and the flags.
    PendingChanges pendingChanges() const;
    // OK's work: each change written in its order, then the swap of the
    // changed files scheduled and the window closed. A failure on the way
    // leaves the window open with the edits.
    void applyChanges(const PendingChanges& changes);
    // Writes a text into the shell working copy at its field.
    platform::Status writeText(const PendingText& text);
    // The same for an edit's text.
    platform::Status writeField(shellpatch::TextField field, const platform::Edit& edit);
    // The swap of each changed file at the next start: backups, .new files,
    // [Rename]. False, after saying why, when the swap is not scheduled.
    bool scheduleReplacements();
    void rebuildIconsBump();
    void rebuildIconsEntered();
    void runRestartPrompt();

    // The unattended start with "/t": the next theme pack of the rotation.
    void runAutoload();
    // Puts the pack in `folder` into the working copies and schedules the swap,
    // as an autoload does: no window, icons recorded for the close.
    void applyPackUnattended(const std::string& folder);

    shellpatch::TextCodec codec() const {
        return shellpatch::TextCodec::forBuild(main.VersionRG.itemIndex());
    }

    // A message box of the product: error icon, OK button.
    void showError(const std::string& text, const std::string& caption);

private:
    void buildControls();
    void buildEntryIcons();
    // The icon browser's list load stops; its thread is gone afterwards.
    void abandonIconLoad();
    void buildThemeControls();
    // The browser's first folder, before the first DirListBoxClick.
    void startBrowser();
    // Item icon `index` (0..9) of the preview; nothing for the pop-up's
    // images while there is no pop-up.
    platform::Image* previewItemImage(int index);
    bool showPreviewIcon(platform::Image& image, const std::string& file);
    bool showPreviewLogo(const std::string& file);
    // The pack's "1.ico" .. "10.ico" into the item slots, as icon choices.
    void loadPackItemIcons(const std::string& folder);
    void selectBuild(int position);
    void disableForUnknownBuild();
    void markStartMenuChanged();
    void writeShellIconSize(std::string_view text);
    void bumpShellIconSize();
    void startShell();
    // The file the working copy of the shell starts from: the backup while it
    // is the same build as the live file.
    const std::string& explorerBase();
    bool closing_ = false;
    bool detecting_ = false; // the start-up's build detection is running
    // The colour depth was read at start; only then is it written back.
    bool colourDepthRead_ = false;
    // A picture loader told the user of a file error.
    bool fileErrorShown_ = false;
    // An autoload ended at a file error: the close writes nothing more.
    bool abandoned_ = false;
};

} // namespace velkan::app
