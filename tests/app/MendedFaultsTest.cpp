// Faults the customiser must not have: accented texts turned into Cyrillic,
// a swap scheduled onto a file that was never completed, a restore onto a
// missing backup, settings lost on a Windows without their keys.
#include "platform/Registry.h"
#include "tests/app/AppMachine.h"
#include "tests/support/MachineDrive.h"
#include "tools/BuildTexts.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace velkan;
using platform::RootKey;
using shellpatch::Entry;
using test::AppMachine;
using test::Session;

namespace {

std::u16string padded(std::u16string text, int length, char16_t pad) {
    text.resize(static_cast<std::size_t>(length), pad);
    return text;
}

} // namespace

TEST(AccentedTexts, SurviveAnEditOfTheOtherStartButtonFieldAndOfOtherCaptions) {
    for (int position : {4, 20, 6, 7, 9, 23}) {
        SCOPED_TRACE("build " + std::to_string(position));
        const auto& build = shellpatch::kBuilds[static_cast<std::size_t>(position)];
        const auto& texts = machine::buildTexts(position);
        AppMachine m(position);
        {
            Session run(m);
            run.start();
            run.form().main.TooltipEdit.userSetText("Tip");
            run.form().main.ProgEdit.userSetText("&Apps");
            run.declineRestart();
            run.form().OKBn.click();
        }
        const std::string patched = m.bytes("Explorer.new");
        // The Start-button text is rewritten with the tooltip, unchanged and
        // padded with spaces.
        EXPECT_EQ(test::fieldUnits(patched, build.startText),
                  padded(std::u16string(texts.startText), build.startText.length, u' '));
        for (int i = 1; i < shellpatch::kEntryCount; ++i) {
            const auto entry = static_cast<Entry>(i);
            if (!build.caption(entry).present())
                continue;
            EXPECT_EQ(test::fieldUnits(patched, build.caption(entry))
                          .substr(0, texts.caption(entry).size()),
                      texts.caption(entry))
                << "entry " << i;
        }
        m.boot();
        test::removeAll(m.windowsFile("Explorer.sav"));
        Session run(m);
        run.start();
        EXPECT_EQ(run.form().main.StartEdit.text(),
                  test::toCodePage(texts.startText, test::codePageOfBuild(position)));
        run.form().CancelBn.click();
    }
    // "Démarrer" exactly, unit for unit, padding included.
    AppMachine m(4);
    Session run(m);
    run.start();
    EXPECT_EQ(run.form().main.StartEdit.text(), "D\xE9marrer");
    run.form().main.TooltipEdit.userSetText("Cliquez");
    run.declineRestart();
    run.form().OKBn.click();
    EXPECT_EQ(test::fieldUnits(m.bytes("Explorer.new"), shellpatch::kBuilds[4].startText),
              u"Démarrer");
}

TEST(Swap, ACopyThatFailsLeavesWinInitAsItWasAndSaysSo) {
    struct Case {
        const char* name;
        const char* blocked;
        bool withIcon;
        std::vector<std::string> linesAdded;
    };
    const Case cases[] = {
        {"Explorer.new cannot be written", "WINDOWS/Explorer.new", false, {}},
        {"the first backup cannot be made", "WINDOWS/Explorer.sav", false, {}},
        // All or none: a new shell beside the old user file is a look nobody chose.
        {"User.new cannot be written; Explorer.exe is not swapped either",
         "WINDOWS/SYSTEM/User.new",
         true,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppMachine m(0);
        const std::string earlier = "[Rename]\r\nC:\\WINDOWS\\Old.dll=C:\\WINDOWS\\Old.new\r\n";
        test::writeFile(m.windowsFile("WinInit.ini"), earlier);
        m.put("C:\\i.ico", test::iconFile(16));
        std::filesystem::path blocked = m.machine.driveC() / c.blocked;
        test::makeFolders(blocked);
        test::writeFile(blocked / "keep", "x");

        {
            Session run(m);
            run.start();
            run.form().main.StartEdit.userSetText("Go");
            if (c.withIcon) {
                run.questions.chooseFile("C:\\i.ico");
                run.form().main.IconBn.click();
            }
            run.pressOk();
            run.declineRestart();
            run.form().OKBn.click();
            const auto boxes = run.messageBoxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].rfind("Error...|", 0), 0u) << boxes[0];
            const std::string file = std::filesystem::path(c.blocked).filename().string();
            EXPECT_NE(boxes[0].find(file), std::string::npos) << boxes[0];
            std::vector<std::string> lines{"C:\\WINDOWS\\Old.dll=C:\\WINDOWS\\Old.new"};
            lines.insert(lines.end(), c.linesAdded.begin(), c.linesAdded.end());
            EXPECT_EQ(m.renameLines(), lines);
            if (c.linesAdded.empty()) {
                EXPECT_EQ(test::readFile(m.windowsFile("WinInit.ini")), earlier);
            }
        } // the window closes: a start waits for a running customiser
        // Windows' next start keeps the shell it has.
        const std::string live = m.bytes("Explorer.exe");
        m.boot();
        if (c.linesAdded.empty()) {
            EXPECT_EQ(m.bytes("Explorer.exe"), live);
        }
    }
}

TEST(Swap, RestoreNeverSchedulesABackupThatIsGone) {
    AppMachine m(0);
    {
        Session run(m);
        run.start();
        run.form().main.StartEdit.userSetText("Go");
        run.declineRestart();
        run.form().OKBn.click();
    }
    Session run(m);
    run.start();
    run.questions.onModal("TRestoreFm", [&m](platform::ModalWindow& w) {
        auto& dialog = dynamic_cast<app::TRestoreFm&>(w);
        EXPECT_TRUE(dialog.CB2.checked());
        // The backup disappears while the dialog is open.
        test::removeAll(m.windowsFile("Explorer.sav"));
        dialog.OKBn.click();
        return dialog.modalResult();
    });
    run.declineRestart();
    run.form().RestoreBn.click();
    for (const auto& line : m.renameLines())
        EXPECT_EQ(line.find(".sav"), std::string::npos) << line;
}

TEST(MissingKeys, TheWindowMetricsKeyIsMadeWhenItsValuesAreWritten) {
    AppMachine m(0);
    ASSERT_TRUE(
        m.registry().deleteKey(RootKey::CurrentUser, "Control Panel\\desktop\\WindowMetrics"));
    Session run(m);
    run.start();
    EXPECT_EQ(run.form().other.IconSzEd.text(), "32"); // nothing read: the box keeps its default
    run.form().other.IconSzEd.userSetText("40");
    run.questions.onModal("TWarnForm", [](platform::ModalWindow& w) {
        auto& warn = dynamic_cast<app::TWarnForm&>(w);
        warn.CloseBn.click();
        return warn.modalResult();
    });
    run.form().other.RebBn.click();
    run.form().CancelBn.click();
    auto key = m.registry().openKey(RootKey::CurrentUser, "Control Panel\\desktop\\WindowMetrics");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->queryString("Shell Icon Size").valueOr("?"), "40");
    EXPECT_EQ(key->queryString("Shell Icon BPP").valueOr("?"), "4");
}

TEST(MissingKeys, AnAbsentIconSizeEmptiesTheBoxAndOptionsOfAnotherTypeKeepsTheWarning) {
    AppMachine m(0);
    {
        auto metrics =
            m.registry().openKey(RootKey::CurrentUser, "Control Panel\\desktop\\WindowMetrics");
        ASSERT_TRUE(metrics);
        ASSERT_TRUE(metrics->deleteValue("Shell Icon Size"));
        auto program = m.registry().createKey(RootKey::CurrentUser, "Software\\Velkan");
        ASSERT_TRUE(program->setString("Options", "0"));
    }
    Session run(m);
    run.start();
    EXPECT_EQ(run.form().other.IconSzEd.text(), "");
    EXPECT_TRUE(run.form().WarnForm->DontFutCB.checked());
    // A bump rebuild has no size to move: the value stays absent.
    run.form().rebuildIconsBump();
    auto metrics =
        m.registry().openKey(RootKey::CurrentUser, "Control Panel\\desktop\\WindowMetrics");
    EXPECT_FALSE(metrics->query("Shell Icon Size"));
    run.form().CancelBn.click();
}

TEST(StaleBackup, AnUpdatedShellIsPatchedItselfAndBothFilesAreKept) {
    AppMachine m(15); // English (US), without the IE4 desktop update
    {
        Session run(m);
        run.start();
        run.form().main.StartEdit.userSetText("Go");
        run.declineRestart();
        run.form().OKBn.click();
    }
    m.boot();
    const std::string backup = m.bytes("Explorer.sav");
    // Installing the IE4 update replaces the live shell by another build.
    const std::string updated = AppMachine(0).bytes("Explorer.exe");
    test::writeFile(m.windowsFile("Explorer.exe"), updated);

    Session run(m);
    run.pressOk();
    run.start();
    const auto boxes = run.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Warning...|", 0), 0u) << boxes[0];
    EXPECT_NE(boxes[0].find("Explorer.sav"), std::string::npos);
    EXPECT_EQ(run.form().main.VersionRG.itemIndex(), 0) << "the build of the live shell";
    run.form().main.TooltipEdit.userSetText("Tip");
    run.declineRestart();
    run.form().OKBn.click();
    EXPECT_EQ(m.bytes("Explorer.sav"), backup);
    m.boot();
    const std::string live = m.bytes("Explorer.exe");
    EXPECT_EQ(live.size(), updated.size()) << "the updated shell, not the old backup";
    EXPECT_EQ(test::fieldUnits(live, shellpatch::kBuilds[0].tooltip).substr(0, 4),
              std::u16string(u"Tip") + u'\0');
}

TEST(Swap, AFailedSwapKeepsTheWindowAndItsEditsAndOffersNoRestart) {
    AppMachine m(0);
    const std::filesystem::path blocked = m.machine.driveC() / "WINDOWS/Explorer.new";
    test::makeFolders(blocked);
    test::writeFile(blocked / "keep", "x");
    Session run(m);
    run.start();
    run.form().main.StartEdit.userSetText("Go");
    run.pressOk();
    run.form().OKBn.click();
    EXPECT_FALSE(run.form().closed());
    EXPECT_TRUE(run.restartPrompts.empty());
    EXPECT_TRUE(m.exists("Explorer.tmp")) << "the edited working copy is kept";
    EXPECT_EQ(run.form().main.StartEdit.text(), "Go");
    // Once the disk lets it, the same window applies.
    test::removeAll(blocked);
    run.declineRestart();
    run.form().OKBn.click();
    EXPECT_TRUE(run.form().closed());
    EXPECT_EQ(run.restartPrompts.size(), 1u);
    EXPECT_EQ(m.renameLines(),
              (std::vector<std::string>{"C:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new"}));
}

TEST(Swap, ARestoreThatCannotBeScheduledKeepsTheWindow) {
    AppMachine m(0);
    {
        Session run(m);
        run.start();
        run.form().main.StartEdit.userSetText("Go");
        run.declineRestart();
        run.form().OKBn.click();
    }
    m.boot();
    // WinInit.ini cannot be replaced: a folder stands where its new copy goes.
    test::removeAll(m.windowsFile("WinInit.ini"));
    test::makeFolders(m.machine.driveC() / "WINDOWS/WININIT.INI");
    Session run(m);
    run.start();
    run.questions.onModal("TRestoreFm", [](platform::ModalWindow& w) {
        auto& dialog = dynamic_cast<app::TRestoreFm&>(w);
        dialog.OKBn.click();
        return dialog.modalResult();
    });
    run.pressOk();
    run.form().RestoreBn.click();
    EXPECT_FALSE(run.form().closed());
    EXPECT_TRUE(run.restartPrompts.empty());
    ASSERT_EQ(run.messageBoxes().size(), 1u);
    run.form().CancelBn.click();
}

TEST(ShellCheck, AMissingOrShortWorkingCopyIsAFileErrorAndTheWindowStays) {
    for (bool missing : {true, false}) {
        SCOPED_TRACE(missing ? "missing" : "short");
        AppMachine m(0);
        Session run(m);
        run.start();
        run.form().main.StartEdit.userSetText("Go");
        if (missing)
            test::removeAll(m.windowsFile("Explorer.tmp"));
        else
            test::resizeFile(m.windowsFile("Explorer.tmp"), 1000);
        run.pressOk();
        run.form().OKBn.click();
        const auto boxes = run.messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].find("not supported"), std::string::npos) << boxes[0];
        EXPECT_NE(boxes[0].find("Explorer.tmp"), std::string::npos) << boxes[0];
        EXPECT_FALSE(run.form().closed());
        EXPECT_TRUE(m.renameLines().empty());
        run.form().CancelBn.click();
    }
}

TEST(UnknownShell, TheColourDepthThatWasNeverReadIsNeverWritten) {
    AppMachine m(0);
    test::resizeFile(m.windowsFile("Explorer.exe"), 4096);
    {
        auto metrics =
            m.registry().openKey(RootKey::CurrentUser, "Control Panel\\desktop\\WindowMetrics");
        ASSERT_TRUE(metrics && metrics->setString("Shell Icon BPP", "16"));
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"/t"}}) {
        Session run(m, args);
        run.pressOk();
        run.start();
        if (!run.form().closed())
            run.form().CancelBn.click();
    }
    auto metrics =
        m.registry().openKey(RootKey::CurrentUser, "Control Panel\\desktop\\WindowMetrics");
    EXPECT_EQ(metrics->queryString("Shell Icon BPP").valueOr("?"), "16");
}

TEST(Swap, ASecondApplyThatFailsKeepsTheFirstPairWhole) {
    AppMachine m(0);
    m.put("C:\\i.ico", test::iconFile(16));
    m.put("C:\\j.ico", test::iconFile(32));
    auto apply = [&m](const std::string& text, const std::string& icon, bool expectClosed) {
        Session run(m);
        run.start();
        run.form().main.StartEdit.userSetText(text);
        run.questions.chooseFile(icon);
        run.form().main.IconBn.click();
        if (expectClosed)
            run.declineRestart();
        else
            run.pressOk();
        run.form().OKBn.click();
        EXPECT_EQ(run.form().closed(), expectClosed);
        if (!run.form().closed())
            run.form().CancelBn.click();
    };
    apply("One", "C:\\i.ico", true);
    const std::string explorerNew = m.bytes("Explorer.new"), userNew = m.bytes("SYSTEM\\User.new");
    const auto pending = m.renameLines();
    ASSERT_EQ(pending.size(), 2u);

    // The second apply cannot make its user file: the first pair stays scheduled, whole.
    const std::filesystem::path blocked = m.machine.driveC() / "WINDOWS/SYSTEM/User.~nw";
    test::makeFolders(blocked);
    test::writeFile(blocked / "keep", "x");
    apply("Two", "C:\\j.ico", false);
    EXPECT_EQ(m.renameLines(), pending);
    EXPECT_EQ(m.bytes("Explorer.new"), explorerNew);
    EXPECT_EQ(m.bytes("SYSTEM\\User.new"), userNew);
    EXPECT_FALSE(m.exists("Explorer.~nw")) << "nothing staged is left behind";

    // Undisturbed, the second apply wins as a pair, under the usual names.
    test::removeAll(blocked);
    apply("Two", "C:\\j.ico", true);
    EXPECT_EQ(m.renameLines(), pending);
    EXPECT_NE(m.bytes("Explorer.new"), explorerNew);
    EXPECT_NE(m.bytes("SYSTEM\\User.new"), userNew);
    EXPECT_FALSE(m.exists("Explorer.~nw") || m.exists("SYSTEM\\User.~nw"));
    m.boot();
    EXPECT_EQ(test::fieldUnits(m.bytes("Explorer.exe"), shellpatch::kBuilds[0].startText),
              u"Two  ");
}
