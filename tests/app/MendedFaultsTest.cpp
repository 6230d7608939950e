// Faults the customiser must not have: accented texts turned into Cyrillic,
// a swap scheduled onto a file that was never completed, a restore onto a
// missing backup, settings lost on a Windows without their keys.
#include "platform/Registry.h"
#include "tests/app/AppMachine.h"
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
            run.form().TooltipEdit.userSetText("Tip");
            run.form().ProgEdit.userSetText("&Apps");
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
        std::filesystem::remove(m.windowsFile("Explorer.sav"));
        Session run(m);
        run.start();
        EXPECT_EQ(run.form().StartEdit.text(),
                  test::toCodePage(texts.startText, test::codePageOfBuild(position)));
        run.form().CancelBn.click();
    }
    // "Démarrer" exactly, unit for unit, padding included.
    AppMachine m(4);
    Session run(m);
    run.start();
    EXPECT_EQ(run.form().StartEdit.text(), "D\xE9marrer");
    run.form().TooltipEdit.userSetText("Cliquez");
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
        std::filesystem::create_directories(blocked);
        test::writeFile(blocked / "keep", "x");

        Session run(m);
        run.start();
        run.form().StartEdit.userSetText("Go");
        if (c.withIcon) {
            run.questions.chooseFile("C:\\i.ico");
            run.form().IconBn.click();
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
        run.form().StartEdit.userSetText("Go");
        run.declineRestart();
        run.form().OKBn.click();
    }
    Session run(m);
    run.start();
    run.questions.onModal("TRestoreFm", [&m](platform::ModalWindow& w) {
        auto& dialog = dynamic_cast<app::TRestoreFm&>(w);
        EXPECT_TRUE(dialog.CB2.checked());
        // The backup disappears while the dialog is open.
        std::filesystem::remove(m.windowsFile("Explorer.sav"));
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
    EXPECT_EQ(run.form().IconSzEd.text(), "32"); // nothing read: the box keeps its default
    run.form().IconSzEd.userSetText("40");
    run.questions.onModal("TWarnForm", [](platform::ModalWindow& w) {
        auto& warn = dynamic_cast<app::TWarnForm&>(w);
        warn.CloseBn.click();
        return warn.modalResult();
    });
    run.form().RebBn.click();
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
    EXPECT_EQ(run.form().IconSzEd.text(), "");
    EXPECT_TRUE(run.form().WarnForm->DontFutCB.checked());
    // A bump rebuild has no size to move: the value stays absent.
    run.form().rebuildIconsBump();
    auto metrics =
        m.registry().openKey(RootKey::CurrentUser, "Control Panel\\desktop\\WindowMetrics");
    EXPECT_FALSE(metrics->query("Shell Icon Size"));
    run.form().CancelBn.click();
}
