// The Start-menu preview of the customiser promises what Windows shows after
// OK and the next start: the look from the pending edits equals the look of
// the machine once it has started with the patched files.
#include "app/PreviewSources.h"

#include "app/BrwsIcnForm.h"
#include "preview/StartMenuLook.h"
#include "tests/app/AppMachine.h"
#include "tools/MachineLook.h"

#include <gtest/gtest.h>

namespace velkan::test {
namespace {

using shellpatch::Entry;

void expectSameLook(const preview::StartMenuLook& promised, const preview::StartMenuLook& shown) {
    EXPECT_EQ(promised.startText, shown.startText);
    EXPECT_EQ(promised.tooltip, shown.tooltip);
    EXPECT_EQ(promised.startIcon.pixels, shown.startIcon.pixels);
    EXPECT_EQ(promised.logo.height, shown.logo.height);
    EXPECT_EQ(promised.logo.pixels, shown.logo.pixels);
    EXPECT_EQ(promised.separatorBefore, shown.separatorBefore);
    ASSERT_EQ(promised.entries.size(), shown.entries.size());
    for (std::size_t i = 0; i < shown.entries.size(); ++i) {
        EXPECT_EQ(promised.entries[i].entry, shown.entries[i].entry);
        EXPECT_EQ(promised.entries[i].caption, shown.entries[i].caption);
        EXPECT_EQ(promised.entries[i].icon.pixels, shown.entries[i].icon.pixels) << "entry " << i;
    }
}

const preview::LookEntry* entryOf(const preview::StartMenuLook& look, Entry entry) {
    for (const auto& e : look.entries)
        if (e.entry == entry)
            return &e;
    return nullptr;
}

TEST(PreviewSources, TheEditsLookAsWindowsShowsThemAfterOkAndTheNextStart) {
    AppMachine m(0);
    m.put("C:\\Looks\\start16.ico", iconFile(16));
    m.put("C:\\Looks\\logo.bmp", bitmapFile(21, 57, 4, 0, 57 * 12, '\x3C'));
    preview::StartMenuLook promised;
    {
        Session run(m);
        run.start();
        auto& f = run.form();
        const auto before = preview::buildLook(m.machine, app::previewSources(f));
        ASSERT_TRUE(before.ok());

        f.main.StartEdit.userSetText("Hi");
        f.main.ProgEdit.userSetText("&Apps");
        f.main.FindCB.userClick(); // hides Find
        f.loadStartButtonIcon("C:\\Looks\\start16.ico");
        f.loadLogo("C:\\Looks\\logo.bmp");
        f.main.ScrollBar.setPosition(130 - 57);
        f.BrwsIcnForm->selectedIconIndex = 3;
        f.setSlotIcon(f.main.RunImgSB, "SHELL32.DLL");

        auto look = preview::buildLook(m.machine, app::previewSources(f));
        ASSERT_TRUE(look.ok());
        promised = *look;
        EXPECT_EQ(promised.startText, u"Hi");
        EXPECT_EQ(entryOf(promised, Entry::Find), nullptr);
        EXPECT_EQ(promised.logo.height, 57);
        EXPECT_NE(entryOf(promised, Entry::Run)->icon.pixels,
                  entryOf(*before, Entry::Run)->icon.pixels);

        run.declineRestart();
        f.OKBn.click();
    }
    m.boot();
    auto sources = machine::machineLookSources(m.machine, machine::ShellMoment::Now);
    ASSERT_TRUE(sources.ok());
    auto shown = preview::buildLook(m.machine, *sources);
    ASSERT_TRUE(shown.ok());
    expectSameLook(promised, *shown);
}

TEST(PreviewSources, RestoringAnEntryIconPromisesShell32sIconAgain) {
    AppMachine m(15);
    Session run(m);
    run.start();
    auto& f = run.form();
    auto helpIcon = [&] {
        auto look = preview::buildLook(m.machine, app::previewSources(f));
        EXPECT_TRUE(look.ok());
        return look.ok() ? entryOf(*look, Entry::Help)->icon.pixels : std::vector<std::uint32_t>{};
    };
    const auto stock = helpIcon();
    {
        auto registry = m.registry();
        auto key = registry.createKey(
            platform::RootKey::LocalMachine,
            "\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons");
        ASSERT_TRUE(key.ok());
        ASSERT_TRUE(key->setString("23", "SHELL32.DLL,5").ok());
    }
    EXPECT_NE(helpIcon(), stock); // the registry's value is what Windows would show
    f.ShutImgMouseDown(f.main.HelpImg, app::MouseButton::Left);
    f.RestoreClick();
    EXPECT_EQ(helpIcon(), stock);
    f.CancelBnClick();
}

} // namespace
} // namespace velkan::test
