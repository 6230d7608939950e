// The Start-menu entry icons: what the Shell Icons key shows at start, the
// icon browser, choosing and restoring icons, and their way into the registry.
#include "app/BrwsIcnForm.h"
#include "app/IconFm.h"
#include "platform/IconFileWriter.h"
#include "platform/IconLibrary.h"
#include "platform/WinPath.h"
#include "tests/app/AppMachine.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/PeResourceWriter.h"
#include "tools/Shell32Image.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace velkan;
using app::TBrwsIcnForm;
using platform::Picture;
using shellpatch::Entry;
using test::AppMachine;
using test::Session;

namespace {

constexpr const char* kShellIcons =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";

// A library of `count` one-colour icons, icon i drawn in grey level i.
std::string iconLibrary(int count) {
    std::vector<machine::PeResource> resources;
    std::uint16_t next = 1;
    for (int i = 0; i < count; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 8);
        machine::Canvas canvas(32, 32, machine::Rgb{v, v, v});
        next = machine::addIconGroup(resources, static_cast<std::uint16_t>(i + 1),
                                     {machine::encodeIconImage(canvas, 8)}, next);
    }
    const auto bytes = machine::writePeResourceDll(resources);
    return std::string(bytes.begin(), bytes.end());
}

void setShellIcon(const AppMachine& m, const std::string& name, const std::string& value) {
    auto registry = m.registry();
    auto key = registry.createKey(platform::RootKey::LocalMachine, kShellIcons);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->setString(name, value));
    key->close();
}

std::optional<std::string> shellIcon(const AppMachine& m, const std::string& name) {
    auto registry = m.registry();
    auto key = registry.openKey(platform::RootKey::LocalMachine, kShellIcons);
    if (!key)
        return std::nullopt;
    auto value = key->queryString(name);
    if (!value)
        return std::nullopt;
    return *value;
}

// Runs the window thread's posted work until the browser's load is done.
void waitForLoad(Session& run, TBrwsIcnForm& browser) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (browser.busy() && std::chrono::steady_clock::now() < deadline) {
        run.questions.processPosted();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(browser.busy());
}

bool isDefault(const Picture& p, int number) {
    return p.kind == Picture::Kind::IconInLibrary && p.index == number &&
           std::filesystem::path(p.path).filename() == "SHELL32.DLL";
}

} // namespace

TEST(EntryIcons, StartShowsTheShellIconsValuesThatNameARealIcon) {
    AppMachine m;
    m.put("C:\\Icons\\Thirty.dll", iconLibrary(30));
    setShellIcon(m, "22", "C:\\Icons\\Thirty.dll,5");  // Find: sixth icon
    setShellIcon(m, "23", "C:\\Icons\\Thirty.dll,30"); // Help: past the end
    setShellIcon(m, "24", "C:\\Icons\\Thirty.dll,40"); // Run: far past it
    setShellIcon(m, "20", "C:\\Icons\\Thirty.dll");    // Documents: no index
    setShellIcon(m, "21", "C:\\Icons\\Thirty.dll,x1"); // Settings: not a number
    setShellIcon(m, "19", "C:\\Icons\\Missing.dll,0"); // Programs: no such file
    Session run(m);
    run.start();
    auto& f = run.form();
    const auto& find = f.main.FindImg.picture();
    EXPECT_EQ(find.kind, Picture::Kind::IconInLibrary);
    EXPECT_EQ(find.index, 5);
    // As the disk spells it: a FAT disk keeps an 8.3 name in upper case.
    EXPECT_TRUE(platform::sameFileName(std::filesystem::path(find.path).filename().string(),
                                       "Thirty.dll"));
    EXPECT_TRUE(isDefault(f.main.HelpImg.picture(), 23));
    EXPECT_TRUE(isDefault(f.main.RunImg.picture(), 24));
    EXPECT_TRUE(isDefault(f.main.DocImg.picture(), 20));
    EXPECT_TRUE(isDefault(f.main.ContrImg.picture(), 21));
    EXPECT_TRUE(isDefault(f.main.ProgImg.picture(), 19));
    EXPECT_TRUE(isDefault(f.main.FavImg.picture(), 43));
    EXPECT_TRUE(isDefault(f.main.LogImg.picture(), 44));
    for (const auto& slot : f.iconSlots)
        EXPECT_EQ(slot.pending, "");
    // Unusable values are left as they are.
    EXPECT_EQ(shellIcon(m, "21"), "C:\\Icons\\Thirty.dll,x1");
}

TEST(EntryIcons, ABuildWithoutTheDesktopUpdateNeverReadsFavoritesAndLogOff) {
    AppMachine m(15);
    setShellIcon(m, "43", "C:\\WINDOWS\\SYSTEM\\SHELL32.DLL,1");
    Session run(m);
    run.start();
    EXPECT_EQ(run.form().main.FavImg.picture().kind, Picture::Kind::None);
    EXPECT_EQ(run.form().main.LogImg.picture().kind, Picture::Kind::None);
    EXPECT_TRUE(isDefault(run.form().main.ShutImg.picture(), 27));
}

TEST(EntryIcons, ChoosingIconThreeForRunWritesItUnder24AtOk) {
    AppMachine m;
    Session run(m);
    run.questions.onModal("TBrwsIcnForm", [&run](platform::ModalWindow& window) {
        auto& browser = dynamic_cast<TBrwsIcnForm&>(window);
        // The first showing loads SHELL32.DLL while the dialog opens.
        EXPECT_EQ(browser.browserFile, "SHELL32.DLL");
        waitForLoad(run, browser);
        EXPECT_EQ(browser.LstVw.items().size(),
                  static_cast<std::size_t>(machine::kShell32IconCount));
        EXPECT_EQ(browser.LstVw.items()[12], "Icon 12");
        EXPECT_EQ(browser.LstVw.selected(), 0);
        EXPECT_EQ(browser.Status.panel(1), "SHELL32.DLL,0");
        EXPECT_EQ(browser.Status.panel(0), "");
        EXPECT_TRUE(browser.SaveBn.enabled());
        browser.LstVw.select(3);
        browser.LstVwClick();
        EXPECT_EQ(browser.Status.panel(1), "SHELL32.DLL,3");
        browser.OKBnClick();
        return browser.modalResult();
    });
    run.start();
    auto& f = run.form();
    f.main.RunImgSB.click();
    EXPECT_EQ(f.iconSlots[static_cast<int>(Entry::Run)].pending, "SHELL32.DLL,3");
    EXPECT_TRUE(f.ShellIconsChanged);
    EXPECT_EQ(f.main.RunImg.hint(), "Changed");
    EXPECT_TRUE(isDefault(f.main.RunImg.picture(), 3));
    // Nothing reaches the registry before OK.
    EXPECT_FALSE(shellIcon(m, "24"));
    f.OKBnClick();
    EXPECT_EQ(shellIcon(m, "24"), "SHELL32.DLL,3");
    EXPECT_NE(m.registry().exportText()->find("\"24\"=\"SHELL32.DLL,3\""), std::string::npos);

    // The machine tool lists the override.
    auto shown =
        test::runProcess(test::tool("velkan-machine"), {"show", m.machine.root().string()});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.out.find("SHELL32.DLL,3"), std::string::npos) << shown.out;
}

TEST(EntryIcons, RestoreIconOnHelpDeletesItsValueAndANewChoiceWins) {
    AppMachine m;
    setShellIcon(m, "23", "C:\\WINDOWS\\SYSTEM\\SHELL32.DLL,7");
    setShellIcon(m, "24", "C:\\WINDOWS\\SYSTEM\\SHELL32.DLL,8");
    Session run(m);
    run.questions.onModal("TBrwsIcnForm", [&run](platform::ModalWindow& window) {
        auto& browser = dynamic_cast<TBrwsIcnForm&>(window);
        waitForLoad(run, browser);
        browser.LstVw.select(12);
        browser.LstVwKeyUp(TBrwsIcnForm::kEnter);
        return browser.modalResult();
    });
    run.start();
    auto& f = run.form();
    EXPECT_TRUE(isDefault(f.main.HelpImg.picture(), 7));

    // A right click on the Help image opens the menu beside it.
    f.main.HelpImg.setBounds(40, 100, 32, 32);
    f.setBounds(200, 150, 500, 400);
    f.ShutImgMouseDown(f.main.HelpImg, app::MouseButton::Right);
    EXPECT_EQ(f.main.PopMn.openings(), 1);
    EXPECT_EQ(f.main.PopMn.popupX(), 300);
    EXPECT_EQ(f.main.PopMn.popupY(), 310);
    f.main.Restore.click();
    EXPECT_EQ(f.iconSlots[static_cast<int>(Entry::Help)].pending, "\x01\x02\x03");
    EXPECT_TRUE(isDefault(f.main.HelpImg.picture(), 23));

    // Run: restored, then chosen anew through its button's menu.
    f.ProgImgSBMouseDown(f.main.RunImgSB, app::MouseButton::Right);
    EXPECT_EQ(f.popupTarget, &f.main.RunImg);
    f.RestoreClick();
    f.main.RunImgSB.click();
    EXPECT_EQ(f.BrwsIcnForm->selectedIconIndex, 12);

    // A left click only chooses the target.
    f.ShutImgMouseDown(f.main.FindImg, app::MouseButton::Left);
    EXPECT_EQ(f.main.PopMn.openings(), 2);
    f.OKBnClick();
    EXPECT_FALSE(shellIcon(m, "23"));
    EXPECT_EQ(shellIcon(m, "24"), "SHELL32.DLL,12");
}

TEST(IconBrowser, AFileWithoutIconsListsNothingAndCannotBeAccepted) {
    AppMachine m;
    m.put("C:\\Readme.txt", "Nothing but text.\r\n");
    m.put("C:\\Empty.dll", "");
    m.put("C:\\Cut.dll", iconLibrary(4).substr(0, 0x180));
    for (const char* file : {"C:\\Readme.txt", "C:\\Empty.dll", "C:\\Cut.dll", "C:\\None.dll"}) {
        SCOPED_TRACE(file);
        Session run(m);
        run.start();
        auto& browser = *run.app.BrwsIcnForm;
        browser.NameEd.setText(file);
        browser.NameEdKeyPress(TBrwsIcnForm::kEnter, &browser.NameEd);
        waitForLoad(run, browser);
        EXPECT_TRUE(browser.LstVw.items().empty());
        EXPECT_EQ(browser.Status.panel(1), TBrwsIcnForm::kNotFound);
        EXPECT_FALSE(browser.SaveBn.enabled());
        browser.OKBnClick();
        EXPECT_FALSE(browser.accepted);
        run.form().close();
    }
}

TEST(IconBrowser, OneLoadAtATimeAndEscapeDoesNotAccept) {
    AppMachine m;
    Session run(m);
    run.start();
    auto& browser = *run.app.BrwsIcnForm;
    EXPECT_EQ(browser.browserFile, "");
    browser.NameEdKeyPress(TBrwsIcnForm::kEnter, &browser.NameEd);
    EXPECT_EQ(browser.NameEd.selLength(), 11); // the focus goes to the whole file box
    browser.NameEd.setText("C:\\Readme.txt");
    browser.NameEdKeyPress(TBrwsIcnForm::kEnter, &browser.NameEd);
    EXPECT_EQ(browser.browserFile, "SHELL32.DLL");
    EXPECT_EQ(browser.Status.panel(0), "Loading...");
    waitForLoad(run, browser);
    // Only the first load ran: one set of items, not two.
    EXPECT_EQ(browser.LstVw.items().size(), static_cast<std::size_t>(machine::kShell32IconCount));

    browser.LstVw.select(5);
    browser.LstVwKeyUp(TBrwsIcnForm::kEscape);
    EXPECT_FALSE(browser.accepted);
    EXPECT_EQ(browser.modalResult(), platform::IDCANCEL);
    browser.LstVw.select(-1);
    browser.setModalResult(0);
    browser.LstVwDblClick();
    EXPECT_EQ(browser.modalResult(), 0);
    EXPECT_EQ(browser.selectedIconIndex, 5);
    browser.LstVwClick();
    EXPECT_EQ(browser.selectedIconIndex, 0);
}

TEST(IconBrowser, SavesTheSelectedIconAsA766ByteIconFile) {
    AppMachine m;
    Session run(m);
    run.start();
    auto& browser = *run.app.BrwsIcnForm;
    browser.NameEdKeyPress(TBrwsIcnForm::kEnter, &browser.OKBn);
    waitForLoad(run, browser);
    browser.LstVw.select(22);
    browser.LstVwClick();
    run.questions.chooseFile("C:\\Icon 22.ico");
    browser.SaveBn.click();
    ASSERT_EQ(run.questions.asked().size(), 1u);
    const auto& request = run.questions.asked()[0].file;
    EXPECT_EQ(request.fileName, "Icon 22");
    EXPECT_EQ(request.defaultExtension, "ico");
    EXPECT_EQ(request.filter, "Icon file (*.ico)|*.ico");
    const std::string saved = m.bytes("..\\Icon 22.ico");
    ASSERT_EQ(saved.size(), 766u);
    EXPECT_EQ(saved[8], 16);
    EXPECT_EQ(test::le32(saved, 18), 22u);
    // The saved picture is the 256-colour image of icon 22 (Find) in the
    // nearest of the 16 standard colours.
    const auto canvas = machine::drawShell32Icon(22, 32, true);
    platform::IconLibrary back{std::vector<std::uint8_t>(saved.begin(), saved.end())};
    auto icon = back.icon(0);
    ASSERT_TRUE(icon);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(icon->masked(x, y), !canvas.opaque(x, y));
            if (canvas.opaque(x, y)) {
                const auto c = canvas.pixel(x, y);
                const int nearest = platform::nearestStandardColour(c.r << 16 | c.g << 8 | c.b);
                ASSERT_EQ(icon->pixel(x, y), 0xFF000000u | platform::standardPalette16()[nearest])
                    << x << "," << y;
            }
        }

    // A cancelled dialog saves nothing.
    run.questions.cancelFileDialog();
    browser.SaveBn.click();
}

TEST(IconBrowser, ClosingTheMainWindowAbandonsALoadStillRunning) {
    AppMachine m;
    m.put("C:\\Big.dll", iconLibrary(400));
    Session run(m);
    run.start();
    auto& browser = *run.app.BrwsIcnForm;
    browser.NameEd.setText("C:\\Big.dll");
    browser.NameEdKeyPress(TBrwsIcnForm::kEnter, &browser.NameEd);
    EXPECT_TRUE(browser.busy());
    run.form().CancelBnClick();
    EXPECT_FALSE(browser.busy());
    // What the worker had posted is dropped.
    run.questions.processPosted();
    EXPECT_TRUE(browser.LstVw.items().empty());
    EXPECT_EQ(browser.Status.panel(1), "");
}

TEST(OtherStartMenuIcons, ThePopUpFollowsTheMouseUnlessHeld) {
    AppMachine m;
    Session run(m);
    run.start();
    auto& f = run.form();
    auto& pop = *run.app.IconFm;
    EXPECT_EQ(pop.caption(), "Other start menu icons");
    EXPECT_EQ(pop.Imag7.hint(), "Shut down (10.ico)");
    EXPECT_EQ(f.packs.IconFmImages[0], &pop.Imag1);
    f.setBounds(100, 50, 500, 400);
    EXPECT_FALSE(pop.visible());
    f.MoreBnMouseMove();
    EXPECT_TRUE(pop.visible());
    EXPECT_TRUE(f.packs.MoreBn.down());
    EXPECT_EQ(pop.left(), 250);
    EXPECT_EQ(pop.top(), 450);
    f.Imag1MouseMove();
    EXPECT_FALSE(pop.visible());
    EXPECT_FALSE(f.packs.MoreBn.down());

    f.MoreBnMouseMove();
    pop.UpBn.click();
    f.Imag1MouseMove();
    pop.FormDeactivate();
    EXPECT_TRUE(pop.visible());
    pop.FormClose();
    EXPECT_FALSE(pop.visible());
    EXPECT_FALSE(pop.UpBn.down());
    EXPECT_FALSE(f.packs.MoreBn.down());
    f.MoreBnMouseMove();
    pop.FormDeactivate();
    EXPECT_FALSE(pop.visible());
}
