// The main job end to end on machines made by the machine tools: start,
// edit, OK, Windows' next start, and Restore.
#include "app/ProgramKeys.h"
#include "platform/Registry.h"
#include "shellpatch/BuildTable.h"
#include "tests/app/AppMachine.h"
#include "tests/support/MachineDrive.h"
#include "tools/BuildTexts.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace velkan;
using shellpatch::Entry;
using test::AppMachine;
using test::Session;

namespace {

const char* kExplorerRename = "C:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new";
const char* kUserRename = "C:\\WINDOWS\\System\\User.exe=C:\\WINDOWS\\System\\User.new";

std::u16string padded(std::u16string text, int length, char16_t pad) {
    text.resize(static_cast<std::size_t>(length), pad);
    return text;
}

} // namespace

TEST(StartUp, RecognisesEachOfTheBuildsAndShowsItsTexts) {
    for (int position = 0; position < shellpatch::kBuildCount; ++position) {
        SCOPED_TRACE("build " + std::to_string(position));
        AppMachine m(position);
        Session run(m);
        run.start();
        auto& f = run.form();
        // The "PE" rows share Explorer.exe with their "US" twins, found first.
        const int expected =
            shellpatch::variantSwitch(position - 1) == position ? position - 1 : position;
        EXPECT_EQ(f.main.VersionRG.itemIndex(), expected);
        EXPECT_TRUE(f.BuildVerified);
        EXPECT_TRUE(run.questions.asked().empty());

        const auto& build = shellpatch::kBuilds[static_cast<std::size_t>(position)];
        const auto& texts = machine::buildTexts(position);
        const char* cp = test::codePageOfBuild(position);
        EXPECT_EQ(f.main.StartEdit.text(), test::toCodePage(texts.startText, cp));
        EXPECT_EQ(f.main.TooltipEdit.text(), test::toCodePage(texts.tooltip, cp));
        EXPECT_EQ(f.main.StartEdit.maxLength(), build.startText.length);
        EXPECT_EQ(f.main.TooltipEdit.maxLength(), build.tooltip.length);
        for (int i = 0; i < shellpatch::kEntryCount; ++i) {
            const auto entry = static_cast<Entry>(i);
            auto& edit = f.captionEdit(entry);
            if (!shellpatch::entryInBuild(entry, build.ie4)) {
                EXPECT_EQ(edit.text(), "");
                EXPECT_FALSE(edit.enabled());
                continue;
            }
            EXPECT_EQ(edit.text(), test::toCodePage(texts.caption(entry), cp)) << "entry " << i;
            EXPECT_EQ(edit.maxLength(), build.caption(entry).length) << "entry " << i;
            EXPECT_TRUE(edit.enabled());
        }
        EXPECT_EQ(f.main.LogCB.enabled(), build.ie4);
        EXPECT_EQ(f.main.ScrollCount.caption(), "130");
        EXPECT_EQ(f.other.IconSzEd.text(), "32");
        // Nothing was changed, so leaving asks nothing and schedules nothing.
        f.CancelBn.click();
        EXPECT_TRUE(run.app.terminated());
        EXPECT_TRUE(m.renameLines().empty());
        EXPECT_FALSE(m.exists("Explorer.tmp"));
        EXPECT_FALSE(m.exists("System\\User.tmp"));
    }
}

TEST(Apply, EveryBuildTakesAnEditThroughTheSwapAndReadsItBack) {
    for (int position = 0; position < shellpatch::kBuildCount; ++position) {
        SCOPED_TRACE("build " + std::to_string(position));
        AppMachine m(position);
        int detected = -1;
        {
            Session run(m);
            run.start();
            detected = run.form().main.VersionRG.itemIndex();
            run.form().main.StartEdit.userSetText("Ok");
            run.form().main.ShutEdit.userSetText("Off");
            run.declineRestart();
            run.form().OKBn.click();
            EXPECT_EQ(run.restartPrompts, std::vector<std::string>{"&Reboot"});
        }
        m.boot();
        // Without the backup the start reads the swapped shell itself.
        test::removeAll(m.windowsFile("Explorer.sav"));
        Session run(m);
        run.start();
        EXPECT_EQ(run.form().main.VersionRG.itemIndex(), detected);
        EXPECT_EQ(run.form().main.StartEdit.text(), "Ok");
        EXPECT_EQ(run.form().main.ShutEdit.text(), "Off");
        EXPECT_EQ(run.form().main.TooltipEdit.text(),
                  test::toCodePage(machine::buildTexts(position).tooltip,
                                   test::codePageOfBuild(position)));
        run.form().CancelBn.click();
    }
}

TEST(StartUp, ShowsTheBackupNoticeOnceAndAnUnknownShellDisablesTheEditing) {
    AppMachine m(0, {}, /*firstRun=*/true);
    {
        Session run(m);
        run.pressOk();
        run.start();
        ASSERT_EQ(run.messageBoxes().size(), 1u);
        EXPECT_EQ(run.messageBoxes()[0],
                  "Velkan'97|Backuped Explorer.exe will be stored as Explorer.sav\r  file in your "
                  "Windows directory and User.exe as\r     User.sav in Windows System directory.");
        run.form().CancelBn.click();
    }
    {
        Session run(m);
        run.start();
        EXPECT_TRUE(run.questions.asked().empty());
        run.form().CancelBn.click();
    }
    // A shell that is none of the builds: its logo headers read nothing like 40.
    std::string explorer = m.bytes("Explorer.exe");
    const auto& build = shellpatch::kBuilds[0];
    explorer[static_cast<std::size_t>(build.logoOffset + shellpatch::kLogoHeaderSize)] = 41;
    test::writeFile(m.windowsFile("Explorer.exe"), explorer);
    Session run(m);
    run.pressOk();
    run.start();
    ASSERT_EQ(run.messageBoxes().size(), 1u);
    EXPECT_EQ(run.messageBoxes()[0],
              "Incorrect version of Windows`95...|    Your version is not supported !\r      Some "
              "options will not work.\r  If you want to support it contact me\r by email, see "
              "Readme.txt for more info.\rVKR doesn't support Win98 and WinNT (yet).");
    auto& f = run.form();
    EXPECT_FALSE(f.BuildVerified);
    EXPECT_EQ(f.main.VersionRG.itemIndex(), -1);
    EXPECT_FALSE(f.main.StartEdit.enabled());
    EXPECT_FALSE(f.main.ProgEdit.enabled());
    EXPECT_EQ(f.main.ProgEdit.color(), platform::ControlColor::ButtonFace);
    EXPECT_FALSE(f.main.IconBn.enabled());
    EXPECT_FALSE(f.main.ScrollBar.enabled());
    EXPECT_FALSE(f.other.AutoCB.enabled());
    EXPECT_FALSE(f.main.Metka.visible());
    EXPECT_EQ(f.main.ScrollCount.caption(), "");
    EXPECT_TRUE(f.main.LogCB.enabled());
}

TEST(Apply, EditOkBootAndStartAgain) {
    AppMachine m(0);
    const std::string originalExplorer = m.bytes("Explorer.exe");
    const auto& build = shellpatch::kBuilds[0];
    {
        Session run(m);
        run.start();
        auto& f = run.form();
        f.main.StartEdit.userSetText("Hi");
        f.main.ProgEdit.userSetText("&Apps");
        EXPECT_EQ(f.main.StartButtonGB.caption(), "Start Button(*):");
        EXPECT_EQ(f.main.StartMenuGB.caption(), "Start Menu(*):");
        run.declineRestart();
        f.OKBn.click();
        EXPECT_TRUE(run.app.terminated());
        EXPECT_EQ(run.restartPrompts, std::vector<std::string>{"&Reboot"});
        EXPECT_FALSE(f.RestoreBn.enabled());
    }
    // Only the shell file changed; the live file is untouched until Windows starts.
    EXPECT_EQ(m.renameLines(), std::vector<std::string>{kExplorerRename});
    EXPECT_EQ(m.bytes("Explorer.exe"), originalExplorer);
    EXPECT_EQ(m.bytes("Explorer.sav"), originalExplorer);
    EXPECT_FALSE(m.exists("System\\User.new"));
    EXPECT_FALSE(m.exists("Explorer.tmp"));
    const std::string patched = m.bytes("Explorer.new");
    EXPECT_EQ(test::fieldUnits(patched, build.startText), u"Hi   ");
    // A change in either Start-button edit rewrites both fields: the tooltip
    // comes back as it was, padded with NUL units.
    EXPECT_EQ(test::fieldUnits(patched, build.tooltip), padded(u"Click here to begin.", 20, 0));
    EXPECT_EQ(test::fieldUnits(patched, build.caption(Entry::Programs)), u"&Apps    ");
    EXPECT_EQ(test::fieldUnits(patched, build.caption(Entry::Favorites)), u"F&avorites");
    EXPECT_EQ(patched.size(), originalExplorer.size());

    m.boot();
    EXPECT_EQ(m.bytes("Explorer.exe"), patched);
    EXPECT_FALSE(m.exists("Explorer.new"));
    EXPECT_TRUE(m.renameLines().empty());
    {
        // With a backup the working copy comes from it: the edits show the
        // unpatched texts, and a new OK patches the original again.
        Session run(m);
        run.start();
        EXPECT_EQ(run.form().main.StartEdit.text(), "Start");
        EXPECT_EQ(run.form().main.ProgEdit.text(), "&Programs");
        run.form().CancelBn.click();
    }
    test::removeAll(m.windowsFile("Explorer.sav"));
    Session run(m);
    run.start();
    EXPECT_EQ(run.form().main.StartEdit.text(), "Hi");
    EXPECT_EQ(run.form().main.TooltipEdit.text(), "Click here to begin.");
    EXPECT_EQ(run.form().main.ProgEdit.text(), "&Apps");
    EXPECT_EQ(run.form().main.FavEdit.text(), "F&avorites");
    run.form().CancelBn.click();
}

TEST(Apply, ASecondOkBeforeTheRestartKeepsTheFirstBackupAndTheLastOkWins) {
    AppMachine m(15);
    const std::string original = m.bytes("Explorer.exe");
    const auto& build = shellpatch::kBuilds[15];
    for (const char* text : {"One", "Two"}) {
        Session run(m);
        run.start();
        run.form().main.TooltipEdit.userSetText(text);
        run.declineRestart();
        run.form().OKBn.click();
    }
    EXPECT_EQ(m.bytes("Explorer.sav"), original);
    EXPECT_EQ(test::fieldUnits(m.bytes("Explorer.new"), build.tooltip), padded(u"Two", 19, 0));
    EXPECT_EQ(m.renameLines(), std::vector<std::string>{kExplorerRename});
}

TEST(Restore, PutsTheOriginalsBackAfterTheNextStart) {
    AppMachine m(2);
    const std::string explorer = m.bytes("Explorer.exe");
    const std::string user = m.bytes("System\\User.exe");
    m.put("C:\\Icons\\i16.ico", test::iconFile(16));
    {
        Session run(m);
        run.start();
        run.form().main.SuspEdit.userSetText("Nap");
        run.questions.chooseFile("C:\\Icons\\i16.ico");
        run.form().main.IconBn.click();
        run.declineRestart();
        run.form().OKBn.click();
    }
    EXPECT_EQ(m.renameLines(), (std::vector<std::string>{kExplorerRename, kUserRename}));
    m.boot();
    EXPECT_NE(m.bytes("Explorer.exe"), explorer);
    EXPECT_NE(m.bytes("System\\User.exe"), user);
    {
        Session run(m);
        run.start();
        run.questions.onModal("TRestoreFm", [](platform::ModalWindow& w) {
            auto& dialog = dynamic_cast<app::TRestoreFm&>(w);
            EXPECT_EQ(dialog.caption(), "Restoring original settings...");
            for (auto* box : {&dialog.CB1, &dialog.CB2, &dialog.CB3, &dialog.CB4}) {
                EXPECT_TRUE(box->enabled());
                EXPECT_TRUE(box->checked());
            }
            dialog.OKBn.click();
            return dialog.modalResult();
        });
        run.declineRestart();
        run.form().RestoreBn.click();
        EXPECT_TRUE(run.app.terminated());
        EXPECT_EQ(run.restartPrompts, std::vector<std::string>{"&Reboot"});
    }
    EXPECT_EQ(m.renameLines(), (std::vector<std::string>{
                                   "C:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.sav",
                                   "C:\\WINDOWS\\System\\User.exe=C:\\WINDOWS\\System\\User.sav"}));
    m.boot();
    EXPECT_EQ(m.bytes("Explorer.exe"), explorer);
    EXPECT_EQ(m.bytes("System\\User.exe"), user);
}

TEST(Restore, AfterAnOkInTheSameWindowsRunTheBackupReplacesTheReplacement) {
    AppMachine m(0);
    {
        Session run(m);
        run.start();
        run.form().main.HelpEdit.userSetText("?");
        run.declineRestart();
        run.form().OKBn.click();
    }
    Session run(m);
    run.start();
    run.questions.onModal("TRestoreFm", [](platform::ModalWindow& w) {
        auto& dialog = dynamic_cast<app::TRestoreFm&>(w);
        // No User.sav yet: its box cannot be ticked.
        EXPECT_FALSE(dialog.CB1.enabled());
        EXPECT_FALSE(dialog.CB1.checked());
        dialog.OKBn.click();
        return dialog.modalResult();
    });
    run.declineRestart();
    run.form().RestoreBn.click();
    EXPECT_EQ(m.renameLines(),
              std::vector<std::string>{"C:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.sav"});
}

TEST(RestartPrompt, VariantFollowsWhatChanged) {
    // Each case scripts its dialogs and then the prompt, and does its step.
    struct Case {
        const char* name;
        std::function<void(Session&)> act;
        std::vector<std::string> prompts;
    };
    auto ok = [](Session& run) {
        run.declineRestart();
        run.form().OKBn.click();
    };
    auto restoreOnly = [](std::vector<platform::CheckBox app::TRestoreFm::*> boxes) {
        return [boxes](Session& run) {
            run.questions.onModal("TRestoreFm", [boxes](platform::ModalWindow& w) {
                auto& dialog = dynamic_cast<app::TRestoreFm&>(w);
                for (auto* box : {&dialog.CB1, &dialog.CB2, &dialog.CB3, &dialog.CB4})
                    box->setChecked(false);
                for (auto member : boxes)
                    (dialog.*member).setChecked(true);
                dialog.OKBn.click();
                return dialog.modalResult();
            });
            run.declineRestart();
            run.form().RestoreBn.click();
        };
    };
    const Case cases[] = {
        {"visibility only: log off",
         [&](Session& run) {
             run.form().main.FindCB.userClick();
             ok(run);
         },
         {"&Logoff"}},
        {"visibility and a caption: restart",
         [&](Session& run) {
             run.form().main.FindCB.userClick();
             run.form().main.FindEdit.userSetText("Seek");
             ok(run);
         },
         {"&Reboot"}},
        {"logo height only: restart",
         [&](Session& run) {
             run.form().main.ScrollBar.setPosition(30);
             ok(run);
         },
         {"&Reboot"}},
        {"nothing changed: no prompt", ok, {}},
        {"edited, closed by the close box: prompt although nothing was applied",
         [](Session& run) {
             run.form().main.RunEdit.userSetText("Go");
             run.declineRestart();
             run.form().close();
         },
         {"&Reboot"}},
        {"edited, Cancel: no prompt",
         [](Session& run) {
             run.form().main.RunEdit.userSetText("Go");
             run.declineRestart();
             run.form().CancelBn.click();
         },
         {}},
        {"restore of the show/hide values only: log off",
         restoreOnly({&app::TRestoreFm::CB4}),
         {"&Logoff"}},
        {"restore of the icon values only: no prompt", restoreOnly({&app::TRestoreFm::CB3}), {}},
        {"restore cancelled: no prompt",
         [](Session& run) {
             run.questions.onModal("TRestoreFm", [](platform::ModalWindow& w) {
                 auto& dialog = dynamic_cast<app::TRestoreFm&>(w);
                 dialog.CancelBn.click();
                 return dialog.modalResult();
             });
             run.declineRestart();
             run.form().RestoreBn.click();
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppMachine m(0);
        Session run(m);
        run.start();
        c.act(run);
        EXPECT_TRUE(run.app.terminated());
        EXPECT_EQ(run.restartPrompts, c.prompts);
        EXPECT_EQ(run.questions.unusedAnswers(), c.prompts.empty() ? 1u : 0u);
        if (c.prompts.empty()) {
            EXPECT_TRUE(m.renameLines().empty());
        }
    }
}

TEST(RestartPrompt, RebootRestartsTheMachineWhichPerformsTheSwap) {
    AppMachine m(0);
    Session run(m);
    run.start();
    run.form().main.ShutEdit.userSetText("Bye");
    run.acceptRestart();
    run.form().OKBn.click();
    EXPECT_EQ(run.restartPrompts, std::vector<std::string>{"&Reboot"});
    const auto journal = m.journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_NE(journal.front().find("restart requested"), std::string::npos) << journal.front();
    for (const auto& event : journal)
        EXPECT_EQ(event.find("machine start"), std::string::npos) << event;
    // The restart ran Windows' start: the new shell is in place.
    EXPECT_FALSE(m.exists("Explorer.new"));
    EXPECT_EQ(
        test::fieldUnits(m.bytes("Explorer.exe"), shellpatch::kBuilds[0].caption(Entry::ShutDown)),
        padded(u"Bye", 13, u' '));
}

TEST(RestartPrompt, LogoffAsksTheSessionToEnd) {
    AppMachine m(15);
    Session run(m);
    run.start();
    run.form().main.RunCB.userClick();
    run.acceptRestart();
    run.form().OKBn.click();
    EXPECT_EQ(run.restartPrompts, std::vector<std::string>{"&Logoff"});
    const auto journal = m.journal();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_NE(journal[0].find("log-off requested"), std::string::npos) << journal[0];
    EXPECT_NE(journal[0].find("0xFFFFFFFF"), std::string::npos) << journal[0];
}

TEST(StartUp, WithoutMsdosSysNothingIsReadOrWrittenAnywhere) {
    AppMachine m(0);
    test::removeAll(m.machine.driveC() / "MSDOS.SYS");
    const auto cwd = std::filesystem::current_path();
    test::TempDir elsewhere;
    std::filesystem::current_path(elsewhere.path());
    {
        Session run(m);
        run.pressOk();
        run.start();
        EXPECT_EQ(run.form().windowsFolder, "Error");
        ASSERT_EQ(run.messageBoxes().size(), 1u);
        EXPECT_EQ(run.messageBoxes()[0].rfind("Incorrect version of Windows`95...|", 0), 0u);
        run.form().close();
        EXPECT_TRUE(run.questions.asked().size() == 1);
    }
    std::filesystem::current_path(cwd);
    // The relative "Error" folder is no licence to touch the host's folders.
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m.machine.root()))
        EXPECT_EQ(entry.path().filename().string().find("Error"), std::string::npos)
            << entry.path();
}
