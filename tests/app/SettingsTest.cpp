// The registry side of the main window: visibility policies and the APM
// switch, colour depth and Options at close, the icon rebuild, the autoload
// entry, and the window's own controls.
#include "app/ProgramKeys.h"
#include "platform/Registry.h"
#include "tests/app/AppMachine.h"

#include <gtest/gtest.h>

using namespace velkan;
using platform::RootKey;
using test::AppMachine;
using test::Session;

namespace {

const char* kPolicies = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const char* kApm = "Enum\\Root\\*PNP0C05\\0000";
const char* kMetrics = "Control Panel\\desktop\\WindowMetrics";

std::optional<platform::RegValue> value(const AppMachine& m, RootKey root, const char* key,
                                        const char* name) {
    auto k = m.registry().openKey(root, key);
    if (!k)
        return std::nullopt;
    auto v = k->query(name);
    k->close();
    if (!v)
        return std::nullopt;
    return *v;
}

void setValue(const AppMachine& m, RootKey root, const char* key, const char* name,
              const platform::RegValue& v) {
    auto k = m.registry().createKey(root, key);
    ASSERT_TRUE(k);
    ASSERT_TRUE(k->set(name, v));
    k->close();
}

std::string iconSize(const AppMachine& m) {
    auto v = value(m, RootKey::CurrentUser, kMetrics, "Shell Icon Size");
    return v ? v->asString() : "(absent)";
}

int shellStarts(const AppMachine& m) {
    int n = 0;
    for (const auto& e : m.journal())
        n += e == "start shell C:\\WINDOWS\\Explorer.exe";
    return n;
}

const std::string kHidden("\x01\0\0\0", 4);
const std::string kShown("\0\0\0\0", 4);

} // namespace

TEST(Visibility, OnlyAFourByteBinaryOneHidesAnEntry) {
    struct Case {
        const char* name;
        platform::RegValue stored;
        bool runShown;
    };
    const Case cases[] = {
        {"binary 01 00 00 00", platform::RegValue::binary(kHidden), false},
        {"string \"1\"", platform::RegValue::string("\x01"), true},
        {"dword 1", platform::RegValue::dword(1), true},
        {"eight bytes", platform::RegValue::binary(std::string("\x01\0\0\0\0\0\0\0", 8)), true},
        {"binary 2", platform::RegValue::binary(std::string("\x02\0\0\0", 4)), true},
        {"binary 0", platform::RegValue::binary(kShown), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppMachine m(0);
        setValue(m, RootKey::LocalMachine, kPolicies, "NoRun", c.stored);
        Session run(m);
        run.start();
        EXPECT_EQ(run.form().main.RunCB.checked(), c.runShown);
        EXPECT_TRUE(run.form().main.FindCB.checked());
        run.form().CancelBn.click();
    }
}

TEST(Visibility, Ie4SettingsAreGrayedWarnedAboutAndWrittenToBothValues) {
    AppMachine m(0);
    Session run(m);
    run.start();
    auto& f = run.form();
    EXPECT_EQ(f.main.ContrCB.state(), platform::CheckState::Grayed);
    EXPECT_TRUE(f.main.LogCB.checked());
    EXPECT_TRUE(f.main.SuspCB.checked()); // the fresh machine's APMMenuSuspend is 1
    f.main.ShutCB.userClick();
    run.declineRestart();
    f.OKBn.click();
    EXPECT_EQ(value(m, RootKey::LocalMachine, kPolicies, "NoSetFolders")->data, kShown);
    EXPECT_EQ(value(m, RootKey::LocalMachine, kPolicies, "NoSetTaskbar")->data, kShown);
    EXPECT_EQ(value(m, RootKey::LocalMachine, kPolicies, "NoClose")->data, kHidden);
    EXPECT_EQ(value(m, RootKey::LocalMachine, kPolicies, "NoLogoff")->data, kShown);
    EXPECT_EQ(value(m, RootKey::LocalMachine, kApm, "APMMenuSuspend")->data, "\x01");

    AppMachine again(0);
    Session second(again);
    second.start();
    second.pressOk();
    second.form().main.ContrCB.userClick(); // grayed -> unchecked
    ASSERT_EQ(second.messageBoxes().size(), 1u);
    EXPECT_EQ(second.messageBoxes()[0],
              "Warning...| You can't hide this item, because some\ritems in this submenu in IE4 "
              "are unhidable.\rThis option will hide only some of them.");
    EXPECT_EQ(second.questions.asked()[0].box.icon, platform::MessageIcon::Error);
    EXPECT_FALSE(second.form().main.ContrCB.ticked());
    second.form().main.SuspCB.userClick();
    second.declineRestart();
    second.form().OKBn.click();
    EXPECT_EQ(value(again, RootKey::LocalMachine, kPolicies, "NoSetTaskbar")->data, kHidden);
    EXPECT_EQ(value(again, RootKey::LocalMachine, kApm, "APMMenuSuspend")->data,
              std::string(1, '\0'));
}

TEST(Visibility, NonIe4BuildsNeverWarnNorWriteNoLogoffAndNoApmKeyStaysAbsent) {
    AppMachine m(15);
    ASSERT_TRUE(m.registry().deleteKey(RootKey::LocalMachine, "Enum\\Root\\*PNP0C05"));
    Session run(m);
    run.start();
    auto& f = run.form();
    EXPECT_EQ(f.main.ContrCB.state(), platform::CheckState::Checked);
    EXPECT_FALSE(f.main.LogCB.enabled());
    EXPECT_FALSE(f.main.SuspCB.enabled());
    f.main.ContrCB.userClick();
    EXPECT_TRUE(run.questions.asked().empty());
    run.declineRestart();
    f.OKBn.click();
    EXPECT_EQ(run.restartPrompts, std::vector<std::string>{"&Logoff"});
    EXPECT_EQ(value(m, RootKey::LocalMachine, kPolicies, "NoSetFolders")->data, kHidden);
    EXPECT_FALSE(value(m, RootKey::LocalMachine, kPolicies, "NoLogoff"));
    EXPECT_FALSE(m.registry().openKey(RootKey::LocalMachine, kApm));
}

TEST(Visibility, RestoreDeletesThePoliciesButLeavesTheApmSwitch) {
    AppMachine m(0);
    for (const char* name :
         {"NoSetFolders", "NoFind", "NoRun", "NoClose", "NoSetTaskbar", "NoLogoff"})
        setValue(m, RootKey::LocalMachine, kPolicies, name, platform::RegValue::binary(kHidden));
    setValue(m, RootKey::LocalMachine, kPolicies, "NoDesktop", platform::RegValue::binary(kHidden));
    Session run(m);
    run.start();
    EXPECT_FALSE(run.form().main.RunCB.checked());
    run.questions.onModal("TRestoreFm", [](platform::ModalWindow& w) {
        auto& dialog = dynamic_cast<app::TRestoreFm&>(w);
        dialog.OKBn.click();
        return dialog.modalResult();
    });
    run.declineRestart();
    run.form().RestoreBn.click();
    for (const char* name :
         {"NoSetFolders", "NoFind", "NoRun", "NoClose", "NoSetTaskbar", "NoLogoff"})
        EXPECT_FALSE(value(m, RootKey::LocalMachine, kPolicies, name)) << name;
    EXPECT_TRUE(value(m, RootKey::LocalMachine, kPolicies, "NoDesktop"));
    EXPECT_EQ(value(m, RootKey::LocalMachine, kApm, "APMMenuSuspend")->data, "\x01");
}

TEST(CloseSettings, CancelWritesTheColourDepthButNotOptions) {
    for (const char* stored : {"16", "8"}) {
        SCOPED_TRACE(stored);
        AppMachine m(0);
        setValue(m, RootKey::CurrentUser, kMetrics, "Shell Icon BPP",
                 platform::RegValue::string(stored));
        Session run(m);
        run.start();
        EXPECT_EQ(run.form().other.ColorsCB.checked(), std::string(stored) == "16");
        run.form().CancelBn.click();
        EXPECT_EQ(value(m, RootKey::CurrentUser, kMetrics, "Shell Icon BPP")->asString(),
                  stored == std::string("16") ? "16" : "4");
        EXPECT_FALSE(value(m, RootKey::CurrentUser, app::kProgramKey, app::kOptionsValue));
    }
    AppMachine m(0);
    setValue(m, RootKey::CurrentUser, kMetrics, "Shell Icon BPP", platform::RegValue::string("16"));
    Session run(m);
    run.start();
    run.form().other.ColorsCB.userClick();
    run.form().CancelBn.click();
    EXPECT_EQ(value(m, RootKey::CurrentUser, kMetrics, "Shell Icon BPP")->asString(), "4");
}

TEST(IconRebuild, TheWarningFollowsOptionsAndTheEnteredSizeIsWrittenOnce) {
    AppMachine m(0);
    {
        Session run(m);
        run.start();
        auto& f = run.form();
        EXPECT_TRUE(f.WarnForm->DontFutCB.checked());
        run.questions.onModal("TWarnForm", [](platform::ModalWindow& w) {
            auto& warn = dynamic_cast<app::TWarnForm&>(w);
            EXPECT_EQ(warn.caption(), "Future problems");
            warn.DontFutCB.userClick();
            warn.CloseBn.click();
            return warn.modalResult();
        });
        // Only digits and Backspace get through, and two of them at most.
        EXPECT_FALSE(f.IconSzEdKeyPress('a'));
        EXPECT_FALSE(f.IconSzEdKeyPress('-'));
        EXPECT_TRUE(f.IconSzEdKeyPress('7'));
        EXPECT_TRUE(f.IconSzEdKeyPress('\b'));
        f.other.IconSzEd.userSetText("485");
        EXPECT_EQ(f.other.IconSzEd.text(), "48");
        f.other.RebBn.click();
        EXPECT_EQ(iconSize(m), "48");
        EXPECT_EQ(shellStarts(m), 1);
        EXPECT_TRUE(run.clock.waits().empty());
        f.OKBn.click();
    }
    EXPECT_EQ(value(m, RootKey::CurrentUser, app::kProgramKey, app::kOptionsValue)->asDword(), 0u);
    Session run(m);
    run.start();
    EXPECT_FALSE(run.form().WarnForm->DontFutCB.checked());
    run.form().other.IconSzEd.userSetText("");
    run.form().other.RebBn.click(); // no dialog now
    EXPECT_EQ(iconSize(m), "");
    EXPECT_EQ(shellStarts(m), 2);
    run.form().CancelBn.click();
}

TEST(IconRebuild, TheBumpGoesUpWaitsAndComesBackStartingTheShellTwice) {
    AppMachine m(0);
    Session run(m);
    run.start();
    auto& f = run.form();
    std::vector<std::string> seenDuringWait;
    for (int rebuild = 0; rebuild < 2; ++rebuild) {
        // Work posted to the window thread runs during the pause.
        run.questions.post([&] { seenDuringWait.push_back(iconSize(m)); });
        f.rebuildIconsBump();
        EXPECT_EQ(iconSize(m), "32");
        EXPECT_FALSE(f.SizeBumpedUp);
    }
    EXPECT_EQ(seenDuringWait, (std::vector<std::string>{"33", "33"}));
    EXPECT_EQ(shellStarts(m), 4);
    EXPECT_EQ(run.clock.waits(),
              (std::vector<platform::Clock::Duration>{std::chrono::milliseconds(4320),
                                                      std::chrono::milliseconds(4320)}));
    // Restore of the Start-menu icons rebuilds the same way.
    run.questions.onModal("TRestoreFm", [](platform::ModalWindow& w) {
        auto& dialog = dynamic_cast<app::TRestoreFm&>(w);
        dialog.CB4.setChecked(false);
        dialog.OKBn.click();
        return dialog.modalResult();
    });
    run.form().RestoreBn.click();
    EXPECT_EQ(shellStarts(m), 6);
    EXPECT_EQ(iconSize(m), "32");
}

TEST(AutoloadEntry, OkWritesOrDeletesTheRunValueOnlyWithAProgramFolder) {
    const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    {
        AppMachine m(0);
        setValue(m, RootKey::CurrentUser, run, "VKR Theme Packs",
                 platform::RegValue::string("old"));
        Session s(m);
        s.start();
        EXPECT_TRUE(s.form().other.AutoCB.checked());
        s.form().other.AutoCB.userClick();
        s.form().OKBn.click();
        // No Location: the value is left alone.
        EXPECT_EQ(value(m, RootKey::CurrentUser, run, "VKR Theme Packs")->asString(), "old");
    }
    AppMachine m(0);
    setValue(m, RootKey::CurrentUser, app::kProgramKey, "Location",
             platform::RegValue::string("C:\\Velkan\\"));
    {
        Session s(m);
        s.start();
        EXPECT_FALSE(s.form().other.AutoCB.checked());
        s.form().other.AutoCB.userClick();
        s.form().OKBn.click();
        EXPECT_EQ(value(m, RootKey::CurrentUser, run, "VKR Theme Packs")->asString(),
                  "C:\\Velkan\\Velkrun.exe /t");
    }
    Session s(m);
    s.start();
    EXPECT_TRUE(s.form().other.AutoCB.checked());
    s.form().other.AutoCB.userClick();
    s.form().OKBn.click();
    EXPECT_FALSE(value(m, RootKey::CurrentUser, run, "VKR Theme Packs"));
}

TEST(MainWindow, LanguageListWidensOnceAndAPageSwitchHidesIt) {
    AppMachine m(0);
    Session run(m);
    run.start();
    auto& f = run.form();
    f.setWidth(500);
    f.MainPC.setWidth(480);
    EXPECT_FALSE(f.main.VersionRG.visible());
    f.main.LangBn.click();
    EXPECT_TRUE(f.main.VersionRG.visible());
    EXPECT_EQ(f.width(), 636);
    EXPECT_EQ(f.MainPC.width(), 616);
    f.main.LangBn.click();
    EXPECT_FALSE(f.main.VersionRG.visible());
    EXPECT_EQ(f.width(), 500);
    f.main.LangBn.click();
    f.MainPC.userSelectPage(2);
    EXPECT_FALSE(f.main.VersionRG.visible());
    EXPECT_FALSE(f.main.LangBn.down());
    EXPECT_EQ(f.width(), 500);
    EXPECT_EQ(f.MainPC.width(), 480);
    f.MainPC.userSelectPage(0);
    EXPECT_EQ(f.width(), 500);
    f.CancelBn.click();
}

TEST(MainWindow, ChangeMarkersAppearOnceAndAUsersBuildChoiceReadsAgain) {
    AppMachine m(0);
    Session run(m);
    run.start();
    auto& f = run.form();
    f.main.TooltipEdit.userSetText("Tip");
    f.main.StartEdit.userSetText("Go");
    f.main.TooltipEdit.userSetText("Tip 2");
    EXPECT_EQ(f.main.StartButtonGB.caption(), "Start Button(*):");
    f.main.ProgEdit.userSetText("P");
    f.main.ScrollBar.setPosition(5);
    f.main.FavEdit.userSetText("F");
    EXPECT_EQ(f.main.StartMenuGB.caption(), "Start Menu(*):");
    // Choosing another build re-reads every text without adding a marker.
    f.main.VersionRG.setItemIndex(15);
    EXPECT_EQ(f.main.StartEdit.maxLength(), 5);
    EXPECT_EQ(f.main.FavEdit.text(), "");
    EXPECT_FALSE(f.main.FavEdit.enabled());
    EXPECT_EQ(f.main.FavEdit.maxLength(), 10); // kept from the IE4 row
    EXPECT_EQ(f.main.StartButtonGB.caption(), "Start Button(*):");
    EXPECT_EQ(f.main.StartMenuGB.caption(), "Start Menu(*):");
    f.ProgEditDblClick(f.main.ProgEdit);
    EXPECT_EQ(f.main.ProgEdit.selLength(), static_cast<int>(f.main.ProgEdit.text().size()));
    f.CancelBn.click();
}
