// The theme browser, loading and saving packs in the customiser, on real
// machines with Velkan installed: the stock packs, a saved pack read back,
// and packs made to hurt.
#include "tools/ThemePacks.h"

#include "app/CreateThemeForm.h"
#include "app/ProgramKeys.h"
#include "platform/Files.h"
#include "platform/IconLibrary.h"
#include "platform/ProfileString.h"
#include "platform/WinPath.h"
#include "startmenu/IconSlots.h"
#include "startmenu/LogoLoader.h"
#include "tests/app/AppMachine.h"
#include "tests/support/MachineDrive.h"
#include "tools/Install.h"
#include "tools/ShellView.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace velkan;
using platform::Picture;
using platform::RootKey;
using shellpatch::Entry;
using test::AppMachine;
using test::Session;

namespace {

const std::string kProgram = machine::kProgramFolder; // "C:\Program Files\Velkan\"

struct Installed : AppMachine {
    explicit Installed(int build = 0) : AppMachine(build) {
        if (auto done = machine::installVelkan(machine.root()); !done)
            throw std::runtime_error(done.error().message);
    }
    std::string read(const std::string& winPath) const {
        auto bytes = platform::readWholeFile(machine, winPath);
        return bytes ? *bytes : std::string();
    }
};

void browse(app::TMainForm& form, const std::string& folder) {
    ASSERT_TRUE(form.packs.DirListBox.setDirectory(folder)) << folder;
    form.DirListBoxClick();
}

// Scripts the save dialog: types the texts and presses OK.
void scriptSave(Session& run, std::string name, std::string author = "Me",
                std::string description = "Mine") {
    run.questions.onModal("TCreateTh", [=](platform::ModalWindow& window) {
        auto& dialog = dynamic_cast<app::TCreateTh&>(window);
        dialog.NameEd.userSetText(name);
        dialog.AuthEd.userSetText(author);
        dialog.DescrEd.userSetText(description);
        dialog.OkBn.click();
        return dialog.modalResult();
    });
}

std::string hostFile(const AppMachine& m, const std::string& winPath) {
    return platform::resolveWinPath(m.machine, winPath)->string();
}

std::vector<std::string> filesIn(const AppMachine& m, const std::string& folder) {
    std::vector<std::string> names;
    auto entries = platform::findFiles(m.machine, folder + "\\*.*");
    if (!entries)
        return names;
    for (const auto& e : *entries)
        if (!e.directory)
            names.push_back(e.name);
    return names;
}

machine::ShellView shown(const AppMachine& m) {
    auto view = machine::viewShell(m.machine);
    if (!view)
        throw std::runtime_error(view.error().message);
    return *view;
}

} // namespace

TEST(ThemeBrowser, TheStockPacksPreviewLoadAndApply) {
    struct Stock {
        std::string folder;
        std::u16string startText;
        std::u16string programs;
        int logoHeight;
        int icons;
        bool itemIcons;
    };
    const Stock packs[] = {{"Ulmrit Theme Pack", u"Woods", u"&Trails", 100, 1, false},
                           {"Windows98 Theme Pack", u"Start", u"&Programs", 130, 1, false},
                           {"Sample Theme Pack", u"Demo", u"&My apps", 57, 6, true},
                           {"Sun Theme Pack", u"Sun", u"&Programs", 130, 6, false}};
    for (const auto& pack : packs) {
        SCOPED_TRACE(pack.folder);
        Installed m(0);
        Session run(m);
        run.start();
        auto& f = run.form();
        const std::string folder = kProgram + pack.folder;
        browse(f, folder);

        EXPECT_EQ(f.packs.AboutThemeGB.caption(), pack.folder);
        EXPECT_EQ(f.packs.AuthorRE.text(), "Velkan");
        EXPECT_TRUE(f.packs.AboutRE.visible());
        EXPECT_TRUE(f.packs.ThemeBn.enabled());
        EXPECT_TRUE(f.packs.OpenTh.enabled());
        int previewIcons = 0;
        for (auto* image : {&f.packs.Img10, &f.packs.Img12, &f.packs.Img14, &f.packs.Img16,
                            &f.packs.Img22, &f.packs.Img32})
            previewIcons += image->picture().kind == Picture::Kind::IconFile;
        EXPECT_EQ(previewIcons, pack.icons);
        EXPECT_EQ(f.packs.ImgLg.hint(), "Vertical logo 21x" + std::to_string(pack.logoHeight));
        EXPECT_EQ(f.packs.ImgLg.top(), pack.logoHeight >= 130 ? 23 : 153 - pack.logoHeight);
        EXPECT_EQ(f.packs.Imag1.picture().kind,
                  pack.itemIcons ? Picture::Kind::IconFile : Picture::Kind::None);

        f.packs.ThemeBn.click();
        EXPECT_EQ(f.main.StartSE.hint(),
                  "Loaded " + std::to_string(pack.icons) + (pack.icons == 1 ? " icon" : " icons"));
        EXPECT_EQ(f.packs.Info.caption(), "Note: Go to Main tab to see what has been changed");
        EXPECT_EQ(f.packs.Info.width(), 137);
        EXPECT_EQ(f.packs.ProgressBar.position(), 0);
        EXPECT_FALSE(f.packs.ThemeBn.enabled());
        EXPECT_EQ(f.main.ScrollBar.position(), 130 - pack.logoHeight);
        EXPECT_EQ(f.main.StartMenuGB.caption(), "Start Menu(*):");
        // "Start" is what the shell has already: no change of the Start button.
        EXPECT_TRUE(f.IconChanged && f.LogoChanged && f.CaptionsChanged);
        EXPECT_EQ(f.StartTextChanged, pack.startText != u"Start");
        EXPECT_EQ(f.ShellIconsChanged, pack.itemIcons);
        if (pack.itemIcons) {
            EXPECT_EQ(f.iconSlots[9].pending, folder + "\\10.ico,0");
        }
        EXPECT_TRUE(run.questions.asked().empty());

        run.declineRestart();
        f.OKBn.click();
        const auto view = shown(m);
        EXPECT_EQ(view.startText, pack.startText);
        // Cut to the field the build has for it.
        const auto field = shellpatch::kBuilds[0].caption(Entry::Programs);
        EXPECT_EQ(view.entries[0].caption,
                  pack.programs.substr(0, static_cast<std::size_t>(field.length)));
        EXPECT_EQ(view.logo.menuHeight, pack.logoHeight);
        if (pack.itemIcons) {
            ASSERT_FALSE(view.shellIcons.empty());
            EXPECT_EQ(view.shellIcons[0].icon, folder + "\\1.ico,0");
        }
    }
}

TEST(ThemeBrowser, AFolderWithoutIndexShowsNothingAndLoadsNothing) {
    Installed m(0);
    m.put("C:\\Pics\\icon16.ico", test::iconFile(16));
    m.put("C:\\Pics\\logo.bmp", test::bitmapFile(21, 57, 4, 0, 684, 0x11));
    Session run(m);
    run.start();
    auto& f = run.form();
    browse(f, kProgram + "Sample Theme Pack");
    ASSERT_TRUE(f.packs.ThemeBn.enabled());
    // A pack without item icons and with one Start-button icon shows no
    // picture left over from the pack before.
    browse(f, kProgram + "Ulmrit Theme Pack");
    EXPECT_EQ(f.packs.Imag1.picture().kind, Picture::Kind::None);
    EXPECT_EQ(f.packs.Img32.picture().kind, Picture::Kind::None);
    EXPECT_EQ(f.packs.Img16.picture().kind, Picture::Kind::IconFile);
    browse(f, "C:\\Pics");
    EXPECT_EQ(f.packs.AboutThemeGB.caption(), "");
    EXPECT_FALSE(f.packs.AboutRE.visible());
    EXPECT_FALSE(f.packs.AuthorRE.visible());
    EXPECT_FALSE(f.packs.ThemeBn.enabled());
    EXPECT_FALSE(f.packs.OpenTh.enabled());
    for (auto* image : {&f.packs.Img10, &f.packs.Img16, &f.packs.Img32, &f.packs.ImgLg,
                        &f.packs.Imag1, &f.packs.Imag3})
        EXPECT_EQ(image->picture().kind, Picture::Kind::None) << image->name();
    f.ThemeBnClick();
    EXPECT_FALSE(f.CaptionsChanged || f.IconChanged || f.LogoChanged || f.ShellIconsChanged);
    EXPECT_EQ(f.packs.Info.caption(), "");
    run.form().CancelBn.click();
}

TEST(ThemeBrowser, FolderListWalksTheDriveAndTheDriveBoxComesBackFromADriveNotReady) {
    Installed m(0);
    test::makeFolders(m.machine.dosDevices());
    std::filesystem::create_symlink(m.machine.root() / "no-such-disc",
                                    m.machine.dosDevices() / "d:");
    Session run(m);
    run.start();
    auto& f = run.form();
    EXPECT_EQ(f.packs.DriveCB.drives(), (std::vector<char>{'C', 'D'}));
    browse(f, kProgram);
    // Ancestors first, then the packs as subfolders.
    const auto& items = f.packs.DirListBox.items();
    ASSERT_GE(items.size(), 7u);
    EXPECT_EQ(items[0].caption, "C:\\");
    EXPECT_EQ(items[2].caption, "Velkan");
    int sample = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].caption == "Sample Theme Pack")
            sample = static_cast<int>(i);
    ASSERT_GE(sample, 3);
    f.packs.DirListBox.userClick(sample);
    EXPECT_EQ(f.packs.DirListBox.directory(), kProgram + "Sample Theme Pack");
    EXPECT_EQ(f.packs.AboutThemeGB.caption(), "Sample Theme Pack");

    // The folder opens on the desktop through the shell.
    ::setenv("VELKAN_OPENER", "/bin/true", 1);
    f.packs.OpenTh.click();
    ::unsetenv("VELKAN_OPENER");
    ASSERT_FALSE(m.journal().empty());
    EXPECT_EQ(m.journal().back(), "open " + kProgram + "Sample Theme Pack");

    run.pressOk();
    f.packs.DriveCB.userSelect('D');
    EXPECT_EQ(run.messageBoxes(), std::vector<std::string>{"Error...|Drive not ready."});
    EXPECT_EQ(run.questions.asked().back().box.icon, platform::MessageIcon::Error);
    EXPECT_EQ(f.packs.DriveCB.drive(), 'C');
    EXPECT_EQ(f.packs.DirListBox.directory(), kProgram + "Sample Theme Pack");
    run.form().CancelBn.click();
}

TEST(ThemeBrowser, UnsupportedBuildPreviewsButCannotLoad) {
    Installed m(0);
    // A shell file no build recognises.
    test::resizeFile(m.windowsFile("Explorer.exe"), 4096);
    Session run(m);
    run.pressOk(); // the unsupported-version message
    run.start();
    auto& f = run.form();
    browse(f, kProgram + "Sun Theme Pack");
    EXPECT_EQ(f.packs.AboutThemeGB.caption(), "Sun Theme Pack");
    EXPECT_FALSE(f.packs.ThemeBn.enabled());
    EXPECT_FALSE(f.packs.OpenTh.enabled());
    run.form().CancelBn.click();
}

TEST(ThemeLoad, CaptionsAreCutIconsAreCountedAndHeightsOutsideTheRangeAreIgnored) {
    Installed m(17); // a build without Favorites and Log Off
    ASSERT_FALSE(shellpatch::isIe4Build(17));
    const std::string pack = "C:\\Packs\\Odd";
    m.put(pack + "\\index.vkr", "[StartMenu]\r\nPrograms=" + std::string(3000, 'P') +
                                    "\r\nFind=MyErr\r\nHelp=\r\nFavorites=Fav\r\nLogoHeight=131\r\n"
                                    "[StartButton]\r\nText=Begin here\r\n");
    m.put(pack + "\\Icon16.ico", test::iconFile(16));
    m.put(pack + "\\ICON22.ICO", test::iconFile(22, 8)); // 256 colours: refused
    m.put(pack + "\\2.ico", test::iconFile(32));
    m.put(pack + "\\3.ico", test::iconFile(32));
    Session run(m);
    run.start();
    auto& f = run.form();
    const std::string find = f.main.FindEdit.text(), fav = f.main.FavEdit.text();
    const int position = f.main.ScrollBar.position();
    browse(f, pack);
    run.pressOk(); // "Incorrect icon..."
    f.packs.ThemeBn.click();
    EXPECT_EQ(run.messageBoxes().size(), 1u);
    EXPECT_EQ(run.messageBoxes()[0].substr(0, 17), "Incorrect icon...");
    EXPECT_EQ(f.main.StartSE.hint(), "Loaded 1 icon");
    EXPECT_EQ(f.main.ProgEdit.text(),
              std::string(static_cast<std::size_t>(f.main.ProgEdit.maxLength()), 'P'));
    EXPECT_EQ(f.main.FindEdit.text(), find);
    EXPECT_EQ(f.main.HelpEdit.text(), "");
    EXPECT_EQ(f.main.FavEdit.text(), fav);
    EXPECT_EQ(f.main.StartEdit.text(), "Begin");
    EXPECT_EQ(f.main.ScrollBar.position(), position);
    EXPECT_FALSE(f.LogoHeightChanged);
    // Item 2 is Favorites, which this build does not have.
    EXPECT_EQ(f.iconSlots[1].pending, "");
    EXPECT_EQ(f.iconSlots[2].pending, pack + "\\3.ico,0");
    EXPECT_EQ(f.main.DocImg.hint(), "Changed");
    run.form().CancelBn.click();
}

TEST(ThemeLoad, HostilePacksAreRefusedWithTheProductsMessagesAndLoseNothing) {
    Installed m(0);
    const std::string pack = "C:\\Packs\\Bad";
    std::string garbage;
    for (int i = 0; i < 300000; ++i)
        garbage += static_cast<char>((i * 131 + i / 7) % 256);
    m.put(pack + "\\index.vkr", garbage);
    m.put(pack + "\\Logo.bmp", test::bitmapFile(21, 57, 8, 0, 21 * 57, 1)); // 256 colours
    test::makeFolders(hostFile(m, pack) + "/Icon32.ico");
    test::makeFolders(hostFile(m, pack) + "/1.ico");
    m.put(pack + "\\3.ico", "not an icon at all");
    Session run(m);
    run.start();
    auto& f = run.form();
    const std::string before = m.bytes("Explorer.tmp");
    const std::string programs = f.main.ProgEdit.text();

    // The preview says the item icon is no picture and stops there.
    run.pressOk();
    browse(f, pack);
    ASSERT_EQ(run.messageBoxes(), std::vector<std::string>{"Error...|Icon image is not valid"});
    EXPECT_EQ(f.packs.ImgLg.hint(), "Vertical logo 21x57");
    EXPECT_EQ(f.packs.Img32.picture().kind, Picture::Kind::None);

    run.pressOk(); // "Incorrect bitmap..."
    f.ThemeBnClick();
    ASSERT_EQ(run.messageBoxes().size(), 2u);
    EXPECT_EQ(run.messageBoxes()[1].substr(0, 19), "Incorrect bitmap...");
    EXPECT_EQ(f.main.ProgEdit.text(), programs);
    EXPECT_EQ(m.bytes("Explorer.tmp"), before);
    EXPECT_FALSE(f.LogoChanged || f.IconChanged);
    // The icon that is no icon still goes into its slot, as a hand choice would.
    EXPECT_EQ(f.iconSlots[2].pending, pack + "\\3.ico,0");
    EXPECT_EQ(f.iconSlots[0].pending, "");
    run.form().CancelBn.click();
}

TEST(ThemeLoad, HugeIndexFilesAndNamesDifferingInCase) {
    Installed m(0);
    const std::string pack = "C:\\Packs\\Big";
    std::string big = "[About]\r\nName=Big\r\n[Filler]\r\n";
    while (big.size() < (10u << 20))
        big += "key" + std::to_string(big.size()) + "=" + std::string(200, 'z') + "\r\n";
    big += "[StartMenu]\r\nRun=" + std::string(5000, 'R') + "\r\n";
    m.put(pack + "\\INDEX.VKR", big);
    m.put(pack + "\\logo.bmp", test::bitmapFile(21, 57, 4, 0, 684, 0x22));
    m.put(pack + "\\LOGO.BMP", test::bitmapFile(21, 130, 4, 0, 1560, 0x33));
    Session run(m);
    run.start();
    auto& f = run.form();
    browse(f, pack);
    EXPECT_EQ(f.packs.AboutThemeGB.caption(), "Big");
    // Both spellings are one name: one of them, always the same, is taken.
    const std::string hint = f.packs.ImgLg.hint();
    EXPECT_TRUE(hint == "Vertical logo 21x57" || hint == "Vertical logo 21x130") << hint;
    f.ThemeBnClick();
    EXPECT_EQ(f.main.RunEdit.text(),
              std::string(static_cast<std::size_t>(f.main.RunEdit.maxLength()), 'R'));
    EXPECT_TRUE(f.LogoChanged);
    EXPECT_TRUE(run.questions.asked().empty());
    run.form().CancelBn.click();
}

TEST(ThemeSave, ALoadedPackSavedAgainLoadsBackToTheSameLook) {
    Installed first(0), second(0);
    const std::string sample = kProgram + "Sample Theme Pack";
    std::string explorerNew, userNew;
    {
        Session run(first);
        run.start();
        auto& f = run.form();
        browse(f, sample);
        f.packs.ThemeBn.click();
        scriptSave(run, "Mine");
        f.main.SaveThBn.click();
        EXPECT_EQ(run.form().CreateTh->modalResult(), platform::IDOK);
        // The browser lists the new folder.
        bool listed = false;
        for (const auto& item : f.packs.DirListBox.items())
            listed |= item.caption == "Mine";
        EXPECT_TRUE(listed ||
                    f.packs.DirListBox.directory() != kProgram.substr(0, kProgram.size() - 1));
        run.declineRestart();
        f.OKBn.click();
        explorerNew = first.bytes("Explorer.new");
        userNew = first.bytes("System\\User.new");
    }
    const std::string mine = kProgram + "Mine";
    // Only the last Start-button icon handed to the loader is carried.
    auto files = filesIn(first, mine);
    std::vector<std::string> expected{"1.ico", "10.ico", "2.ico", "3.ico", "4.ico",
                                      "5.ico", "6.ico", "7.ico", "8.ico", "9.ico",
                                      "Icon32.ico", "index.vkr", "logo.bmp"};
    // A FAT disk holds these 8.3 names in upper case.
    if (test::imageMachines())
        for (auto& name : expected)
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, expected);
    EXPECT_EQ(first.read(mine + "\\Icon32.ico"), first.read(sample + "\\Icon32.ico"));
    EXPECT_EQ(first.read(mine + "\\4.ico").size(), 766u);
    const std::string index = first.read(mine + "\\index.vkr");
    // The texts as the edits hold them, cut to the build's fields.
    EXPECT_EQ(index.substr(0, index.find("[StartButton]")),
              "[About]\r\nName=Mine\r\nAuthor=Me\r\nDescription=Mine\r\n\r\n");
    EXPECT_NE(index.find("[StartButton]\r\nText=Demo\r\nTooltip=The sample pack\r\n"),
              std::string::npos);
    EXPECT_NE(index.find("Logoff="), std::string::npos);
    EXPECT_NE(index.find("\r\nLogoHeight=57\r\n"), std::string::npos);
    // The item icons keep their pixels.
    for (int n : {1, 10}) {
        auto a =
            platform::IconLibrary::open(hostFile(first, sample + "\\" + std::to_string(n) + ".ico"))
                .icon(0);
        auto b =
            platform::IconLibrary::open(hostFile(first, mine + "\\" + std::to_string(n) + ".ico"))
                .icon(0);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->pixels, b->pixels) << n;
    }

    // The pack taken to another machine gives the same shell file.
    test::copyTree(hostFile(first, mine), second.machine.driveC() / "Mine");
    Session run(second);
    run.start();
    auto& f = run.form();
    browse(f, "C:\\Mine");
    f.packs.ThemeBn.click();
    EXPECT_TRUE(run.questions.asked().empty());
    EXPECT_EQ(f.iconSlots[3].pending, "C:\\Mine\\4.ico,0");
    run.declineRestart();
    f.OKBn.click();
    EXPECT_EQ(second.bytes("Explorer.new"), explorerNew);
    // The 32x32 image of the Start button is the same; the other sizes were not carried.
    const auto& build = shellpatch::kBuilds[0];
    const std::size_t at32 = static_cast<std::size_t>(448128 + build.iconShift);
    EXPECT_EQ(second.bytes("System\\User.new").substr(at32, 744), userNew.substr(at32, 744));
}

TEST(ThemeSave, OnlyWhatChangedIsWritten) {
    Installed m(17); // no Favorites, no Log Off
    {
        Session run(m);
        run.start();
        scriptSave(run, "Nothing", "", "");
        run.form().main.SaveThBn.click();
        EXPECT_EQ(m.read(kProgram + "Nothing\\index.vkr"),
                  "[About]\r\nName=Nothing\r\nAuthor=\r\nDescription=\r\n");
        run.form().CancelBn.click();
    }
    {
        Session run(m);
        run.start();
        auto& f = run.form();
        f.main.StartEdit.userSetText("Go");
        f.main.ScrollBar.setPosition(40); // the height alone is no logo
        f.main.ProgEdit.userSetText("Progs");
        scriptSave(run, "Some");
        f.main.SaveThBn.click();
        const std::string index = m.read(kProgram + "Some\\index.vkr");
        EXPECT_NE(index.find("[StartButton]\r\nText=Go\r\nTooltip="), std::string::npos);
        EXPECT_NE(index.find("Programs=Progs"), std::string::npos);
        EXPECT_NE(index.find("Shut Down="), std::string::npos);
        for (const char* absent : {"Favorites", "Logoff", "LogoHeight"})
            EXPECT_EQ(index.find(absent), std::string::npos) << absent;
        const auto written = filesIn(m, kProgram + "Some");
        ASSERT_EQ(written.size(), 1u);
        EXPECT_TRUE(platform::sameFileName(written[0], "index.vkr")) << written[0];
        f.CancelBn.click();
    }
}

TEST(ThemeSave, AnEmptyNameSavesNothingAndAFolderThatCannotBeMadeKeepsTheDialogOpen) {
    Installed m(0);
    Session run(m);
    run.start();
    auto& f = run.form();
    auto& dialog = *f.CreateTh;
    dialog.NameEd.setText("");
    dialog.OkBnClick();
    EXPECT_EQ(dialog.modalResult(), platform::IDCANCEL);

    // Without a Location the pack goes beside the browser's folder.
    f.programFolder.clear();
    browse(f, "C:\\");
    dialog.setModalResult(0);
    dialog.NameEd.setText("AtRoot");
    EXPECT_FALSE(dialog.NameEdKeyPress(13));
    EXPECT_EQ(dialog.modalResult(), platform::IDOK);
    EXPECT_TRUE(platform::fileExists(m.machine, "C:\\AtRoot\\index.vkr"));

    dialog.setModalResult(0);
    dialog.NameEd.setText("Missing\\Deeper");
    run.pressOk();
    dialog.OkBn.click();
    EXPECT_EQ(
        run.messageBoxes(),
        std::vector<std::string>{"Error...|Unable to write to C:\\Missing\\Deeper\\index.vkr"});
    EXPECT_EQ(dialog.modalResult(), 0);
    EXPECT_TRUE(dialog.NameEdKeyPress('a'));
    EXPECT_FALSE(dialog.NameEdKeyPress(27));
    EXPECT_EQ(dialog.modalResult(), platform::IDCANCEL);
    f.CancelBn.click();
}

TEST(Autoload, AnUnsupportedBuildEndsQuietlyAfterTheMessage) {
    Installed m(0);
    test::resizeFile(m.windowsFile("Explorer.exe"), 4096);
    Session run(m, {"/t"});
    run.pressOk();
    run.start();
    EXPECT_TRUE(run.app.terminated());
    EXPECT_FALSE(run.form().AutoTheme);
    EXPECT_EQ(run.messageBoxes().size(), 1u);
    EXPECT_EQ(run.messageBoxes()[0].substr(0, 34), "Incorrect version of Windows`95...");
    EXPECT_TRUE(m.renameLines().empty());
}

TEST(Autoload, TheProgressBarStepsOncePerKeyAndIcon) {
    for (int build : {0, 17}) {
        SCOPED_TRACE(build);
        Installed m(build);
        // The program folder holds the stock packs; the first in search order is applied.
        Session run(m, {"/t"});
        std::vector<int> positions;
        run.env.showProgressWindow = [&positions](app::TAutoTheme& window) {
            window.AutoThemePB.onUpdate = [&positions, &window] {
                positions.push_back(window.AutoThemePB.position());
            };
            return std::shared_ptr<void>();
        };
        run.start();
        EXPECT_TRUE(run.app.terminated());
        ASSERT_GE(positions.size(), 2u);
        EXPECT_EQ(positions.back(), 100);
        EXPECT_EQ(positions[positions.size() - 2], shellpatch::isIe4Build(build) ? 95 : 85);
        auto key = m.registry().openKey(RootKey::CurrentUser, app::kProgramKey);
        EXPECT_EQ(key->queryDword(app::kLastThemeValue).valueOr(0), 1u);
        const auto view = shown(m);
        // Search order is the folder's own on a FAT disk, where the stock
        // packs stand in the order they were installed, Ulmrit's first.
        EXPECT_EQ(view.startText, test::imageMachines() ? u"Woods" : u"Demo");
        EXPECT_EQ(view.logo.menuHeight, test::imageMachines() ? 100 : 57);
    }
}

TEST(ThemeBrowser, TheTextStageEndsAt90Or100AndATopDownLogoShowsItsSize) {
    for (int build : {0, 15}) {
        SCOPED_TRACE(build);
        Installed m(build);
        const std::string topDown = kProgram + "TopDown", texts = kProgram + "Texts";
        m.put(topDown + "\\index.vkr", "[StartMenu]\r\nPrograms=&Apps\r\n");
        // 21x57 stored top-down: the height field holds -57.
        m.put(topDown + "\\Logo.bmp", test::bitmapFile(21, -57, 4, 0, 12 * 57, 0x11));
        m.put(texts + "\\index.vkr", "[StartMenu]\r\nPrograms=&Apps\r\n");
        Session run(m);
        run.start();
        auto& f = run.form();
        browse(f, topDown);
        EXPECT_EQ(f.packs.ImgLg.hint(), "Vertical logo 21x57");

        browse(f, texts);
        std::vector<int> positions;
        f.packs.ProgressBar.onUpdate = [&] { positions.push_back(f.packs.ProgressBar.position()); };
        f.packs.ThemeBn.click();
        // One step of 5 per icon name, the item icons, each caption key, each
        // Start-button key and the closing of the index; then 100 and 0.
        int stageEnd = 0;
        for (int p : positions) {
            if (p != stageEnd + 5)
                break;
            stageEnd = p;
        }
        EXPECT_EQ(stageEnd, build == 0 ? 100 : 90);
        EXPECT_EQ(positions.back(), 0);
        f.CancelBn.click();
    }
}
