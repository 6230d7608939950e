// The window's controls: their captions, hints and wiring, the lookups by
// Start-menu entry, and the handlers that only move controls about (the
// languages list, the pages, the About page's links).
#include "app/mainform/MainForm.h"

#include <cctype>

namespace velkan::app {

using shellpatch::Entry;

namespace {

constexpr const char* kChangeIconHint = "Click here to change icon";
constexpr const char* kShowHideHint = "Show/hide item on start menu";
constexpr int kLangListWidth = 136;

// The addresses of the About page.
constexpr const char* kHomePage = "http://velkan.example.org/";
constexpr const char* kMailAddress = "velkan@example.org";

} // namespace

void TMainForm::buildControls() {
    setCaption("Velkan ' 97 ver. 2.51");
    OKBn.setCaption("&OK");
    CancelBn.setCaption("&Cancel");
    RestoreBn.setCaption("&Restore");
    MainPC.setPages({"Main", "Theme Packs", "Other", "About"});

    main.StartButtonGB.setCaption("Start Button:");
    main.StartMenuGB.setCaption("Start Menu:");
    main.StartSE.setHint(kChangeIconHint);
    main.IconBn.setCaption("Load &icon");
    main.LogoBn.setCaption("Load &logo");
    main.SaveThBn.setCaption("&Save as theme");
    main.LangBn.setCaption(" &Languages >>");
    main.DescrLb.setCaption("If text in edit boxes is incorrect then press this button and choose "
                            "your version of Win'95 ( 29 versions are supporting)");
    main.VersionRG.setCaption("Your Win95 version:");
    std::vector<std::string> items;
    for (const auto& build : shellpatch::kBuilds)
        items.emplace_back(build.itemCaption);
    main.VersionRG.setItems(std::move(items));
    main.VersionRG.setVisible(false);

    main.ContrCB.setHint(kShowHideHint);
    for (auto* box :
         {&main.ContrCB, &main.FindCB, &main.RunCB, &main.LogCB, &main.SuspCB, &main.ShutCB})
        box->onClick = [this, box] { ContrCBClick(*box); };

    main.Pnl2.setBounds(4, 0, 29, 336);
    main.LogoImage.setBounds(4, 206, 21, 130);
    main.LogoImage.setPicture({platform::Picture::Kind::Resource, "DefaultLogo", 0});
    main.WinlogoSE.setHint("Click here to change logo");
    main.Metka.setCaption("=====");
    main.Metka.setFontColor(0x00FF00);
    main.Metka.setTop(198);
    main.ScrollBar.setRange(0, 129);
    main.ScrollBar.setHint("Drag this scrollbar to change logo's height");
    main.ScrollCount.setHint("Logo's height");
    main.ScrollCount.setCaption("130");

    for (auto* image :
         {&packs.Img10, &packs.Img12, &packs.Img14, &packs.Img16, &packs.Img22, &packs.Img32})
        image->setHint(image->name().substr(3) + "x" + image->name().substr(3));
    packs.MetrcBv.setBounds(0, 0, 40, 40);
    packs.TranspSB.setHint("Transparency (do nothing)");
    packs.ThemeBn.setCaption("&Load theme");

    other.StartUpGB.setCaption("StartUp:");
    other.AutoCB.setCaption("&Autoload Velkan's Theme Packs on startup");
    other.L13.setCaption(
        "If this option is checked, every time after starting Windows 95 will be "
        "loaded Velkan and it automatically will load one of the Theme Packs which has "
        "to be located in the VKR directory.");
    other.ColGB.setCaption("Colors:");
    other.L15.setCaption(
        "By default, Windows shows icons as they are all 16 colors icons. So if your "
        "icon is in 256 colors it will look ugly. To correct this problem check option "
        "below. ");
    other.ColorsCB.setCaption("&Show icons in all possible colors");
    other.L16.setCaption(
        "NOTE: This option will work correctly only with color palette greater than "
        "256 colors.");
    other.RebGB.setCaption("Rebuild icons:");
    other.L17.setCaption(
        "Sometimes icons may look incorrectly. To fix this problem change icon size and "
        "press 'Rebuild icons' button otherwise try to relogoff or restart your "
        "Windows.");
    other.RebBn.setCaption("Re&build icons");
    other.L18.setCaption("&Icon size:");
    other.IconSzEd.setMaxLength(2);
    other.IconSzEd.setText("32");
    other.IconSzEd.setHint("Enter a new value and press 'Rebuild icons' button");

    about.AboutGB.setHint("Press and hold SHIFT and CTRL and click here");
    about.HomePageEd.setText(kHomePage);
    about.HomePageEd.setReadOnly(true);
    about.MailEd.setText(kMailAddress);
    about.MailEd.setReadOnly(true);
    about.Readme.setCaption("Readme.txt");

    // Handlers, wired as the window's form file wires them.
    OKBn.onClick = [this] { OKBnClick(); };
    CancelBn.onClick = [this] { CancelBnClick(); };
    RestoreBn.onClick = [this] { RestoreBnClick(); };
    main.LangBn.onClick = [this] { LangBnClick(); };
    MainPC.onChange = [this] { MainPCChange(); };
    about.Readme.onClick = [this] { ReadmeClick(); };
    about.Go1.onClick = [this] { Go1Click(); };
    about.Go2.onClick = [this] { Go2Click(); };
    main.VersionRG.onClick = [this] { VersionRGClick(); };
    main.StartEdit.onChange = [this] { StartEditChange(); };
    main.TooltipEdit.onChange = [this] { StartEditChange(); };
    for (int i = 0; i < shellpatch::kEntryCount; ++i)
        captionEdit(static_cast<Entry>(i)).onChange = [this] { ProgEditChange(); };
    main.ScrollBar.onChange = [this] { ScrollBarChange(); };
    main.StartSE.onClick = [this] { StartSEClick(); };
    main.IconBn.onClick = [this] { StartSEClick(); };
    main.WinlogoSE.onClick = [this] { WinlogoSEClick(); };
    main.LogoBn.onClick = [this] { WinlogoSEClick(); };
    packs.TranspSB.onClick = [this] { TranspSBClick(); };
    other.RebBn.onClick = [this] { RebBnClick(); };
    other.IconSzEd.onKeyPress = [this](char key) { return IconSzEdKeyPress(key); };
    buildThemeControls();
}

platform::Edit& TMainForm::captionEdit(Entry entry) {
    platform::Edit* edits[] = {&main.ProgEdit, &main.FavEdit,  &main.DocEdit, &main.ContrEdit,
                               &main.FindEdit, &main.HelpEdit, &main.RunEdit, &main.LogEdit,
                               &main.SuspEdit, &main.ShutEdit};
    return *edits[static_cast<int>(entry)];
}

platform::Image& TMainForm::entryImage(Entry entry) {
    platform::Image* images[] = {&main.ProgImg, &main.FavImg,  &main.DocImg, &main.ContrImg,
                                 &main.FindImg, &main.HelpImg, &main.RunImg, &main.LogImg,
                                 &main.SuspImg, &main.ShutImg};
    return *images[static_cast<int>(entry)];
}

platform::Button& TMainForm::entryButton(Entry entry) {
    platform::Button* buttons[] = {
        &main.ProgImgSB, &main.FavImgSB, &main.DocImgSB, &main.ContrImgSB, &main.FindImgSB,
        &main.HelpImgSB, &main.RunImgSB, &main.LogImgSB, &main.SuspImgSB,  &main.ShutImgSB};
    return *buttons[static_cast<int>(entry)];
}

startmenu::VisibilityBoxes TMainForm::visibilityBoxes() {
    return {main.ContrCB, main.FindCB, main.RunCB, main.LogCB, main.SuspCB, main.ShutCB};
}

void TMainForm::LangBnClick() {
    const bool show = !main.VersionRG.visible();
    main.VersionRG.setVisible(show);
    main.LangBn.setDown(show);
    const int change = show ? kLangListWidth : -kLangListWidth;
    setWidth(width() + change);
    MainPC.setWidth(MainPC.width() + change);
}

void TMainForm::MainPCChange() {
    if (main.LangBn.down()) {
        LangBnClick();
        main.LangBn.setDown(false);
    }
}

void TMainForm::ReadmeClick() {
    // The program folder comes from the registry of the machine: only a path
    // on one of its drives is opened, never an address it might spell.
    const std::string readme = programFolder + "Readme.txt";
    const bool onDrive = readme.size() >= 3 &&
                         std::isalpha(static_cast<unsigned char>(readme[0])) && readme[1] == ':' &&
                         (readme[2] == '\\' || readme[2] == '/');
    if (onDrive)
        env.shell.ShellExecute("open", readme, "", "", platform::SW_SHOWNORMAL);
}

void TMainForm::Go1Click() {
    env.shell.ShellExecute("open", "Mailto:" + about.MailEd.text(), "", "",
                           platform::SW_SHOWNORMAL);
}

void TMainForm::Go2Click() {
    env.shell.ShellExecute("open", about.HomePageEd.text(), "", "", platform::SW_SHOWNORMAL);
}

void TMainForm::ProgEditDblClick(platform::Edit& edit) {
    edit.selectAll();
}

} // namespace velkan::app
