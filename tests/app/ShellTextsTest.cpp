// What the main window reads out of the shell file and writes back into it:
// field padding and lengths, trailing spaces, the logo height, the shell check.
#include "shellpatch/BuildTable.h"
#include "tests/app/AppMachine.h"
#include "tests/support/MachineDrive.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace velkan;
using shellpatch::Entry;
using test::AppMachine;
using test::Session;

namespace {

void putUnits(std::string& file, std::int32_t offset, std::u16string_view units) {
    for (std::size_t k = 0; k < units.size(); ++k) {
        file[static_cast<std::size_t>(offset) + 2 * k] = static_cast<char>(units[k] & 0xFF);
        file[static_cast<std::size_t>(offset) + 2 * k + 1] = static_cast<char>(units[k] >> 8);
    }
}

void put32(std::string& file, std::int32_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        file[static_cast<std::size_t>(offset) + i] = static_cast<char>(v >> (8 * i));
}

// Changes the live shell file of a fresh machine before the program starts.
void editExplorer(const AppMachine& m, const std::function<void(std::string&)>& edit) {
    std::string explorer = m.bytes("Explorer.exe");
    edit(explorer);
    test::writeFile(m.windowsFile("Explorer.exe"), explorer);
}

} // namespace

TEST(ShellTexts, OkWritesEachFieldToItsExactLengthAndNothingAroundIt) {
    // Builds with different field lengths and places, with and without IE4.
    for (int position : {0, 4, 6, 7, 11, 12, 17, 23, 27}) {
        SCOPED_TRACE("build " + std::to_string(position));
        const auto& build = shellpatch::kBuilds[static_cast<std::size_t>(position)];
        AppMachine m(position);
        const std::string original = m.bytes("Explorer.exe");
        Session run(m);
        run.start();
        auto& f = run.form();
        // Typing is cut at the field length, so nothing spills into the next field.
        const std::string longText(60, 'W');
        f.main.StartEdit.userSetText(longText);
        f.main.TooltipEdit.userSetText("Hi");
        for (int i = 0; i < shellpatch::kEntryCount; ++i)
            if (shellpatch::entryInBuild(static_cast<Entry>(i), build.ie4))
                f.captionEdit(static_cast<Entry>(i)).userSetText(i % 2 ? longText : "Ab");
        EXPECT_EQ(f.main.StartEdit.text().size(), static_cast<std::size_t>(build.startText.length));
        run.declineRestart();
        f.OKBn.click();

        const std::string patched = m.bytes("Explorer.new");
        ASSERT_EQ(patched.size(), original.size());
        std::vector<bool> inField(original.size(), false);
        auto expectField = [&](shellpatch::TextField field, std::u16string text, char16_t pad) {
            text.resize(static_cast<std::size_t>(field.length), pad);
            EXPECT_EQ(test::fieldUnits(patched, field), text) << "field at " << field.offset;
            for (std::int32_t b = field.offset; b < field.end(); ++b)
                inField[static_cast<std::size_t>(b)] = true;
        };
        expectField(build.startText, u"", u'W');
        expectField(build.tooltip, u"Hi", 0);
        for (int i = 0; i < shellpatch::kEntryCount; ++i)
            if (shellpatch::entryInBuild(static_cast<Entry>(i), build.ie4))
                expectField(build.captions[static_cast<std::size_t>(i)], i % 2 ? u"" : u"Ab",
                            i % 2 ? u'W' : u' ');
        std::size_t outside = 0;
        for (std::size_t b = 0; b < original.size(); ++b)
            if (!inField[b] && original[b] != patched[b])
                ++outside;
        EXPECT_EQ(outside, 0u);
    }
}

TEST(ShellTexts, ReadingRemovesOnlyTheSpacesAtTheEndOfTheWholeField) {
    AppMachine m(0);
    const auto& build = shellpatch::kBuilds[0];
    editExplorer(m, [&](std::string& e) {
        putUnits(e, build.caption(Entry::Programs).offset, u"Prog     ");
        putUnits(e, build.caption(Entry::Find).offset, u"ABC D");
        putUnits(e, build.caption(Entry::Help).offset, u"     ");
        putUnits(e, build.tooltip.offset, std::u16string(u"Hi  ") + std::u16string(16, 0));
    });
    Session run(m);
    run.start();
    auto& f = run.form();
    EXPECT_EQ(f.main.ProgEdit.text(), "Prog");
    EXPECT_EQ(f.main.FindEdit.text(), "ABC D");
    EXPECT_EQ(f.main.HelpEdit.text(), "");
    // The spaces before the NUL padding stay: the field does not end in a space.
    EXPECT_EQ(f.main.TooltipEdit.text(), "Hi  ");
    // The program's own filling of the edits is no change.
    EXPECT_EQ(f.main.StartButtonGB.caption(), "Start Button:");
    EXPECT_EQ(f.main.StartMenuGB.caption(), "Start Menu:");
    EXPECT_FALSE(f.CaptionsChanged || f.StartTextChanged || f.TooltipChanged ||
                 f.LogoHeightChanged || f.PoliciesChanged);
    f.CancelBn.click();
}

TEST(ShellTexts, RussianBuildsWriteAndReadCodePage1251) {
    AppMachine m(27);
    const auto& build = shellpatch::kBuilds[27];
    {
        Session run(m);
        run.start();
        EXPECT_EQ(run.form().main.StartEdit.text(), "\xCF\xF3\xF1\xEA"); // "Пуск" in code page 1251
        run.form().main.StartEdit.userSetText("\xC0\xFF\xA8");
        run.form().main.TooltipEdit.userSetText("\xA8\xEB\xEA\xE0 \xB9"
                                                "1 \xB8\xE6");
        run.declineRestart();
        run.form().OKBn.click();
        const std::string patched = m.bytes("Explorer.new");
        EXPECT_EQ(test::fieldUnits(patched, build.startText), u"\u0410\u044F\u0401 ");
        EXPECT_EQ(test::fieldUnits(patched, build.tooltip).substr(0, 11),
                  std::u16string(u"Ёлка №1 ёж") + u'\0');
    }
    // The shell file's own letters come back as they are on the next start.
    m.boot();
    test::removeAll(m.windowsFile("Explorer.sav"));
    Session again(m);
    again.start();
    EXPECT_EQ(again.form().main.TooltipEdit.text(), "\xA8\xEB\xEA\xE0 \xB9"
                                                    "1 \xB8\xE6");
    again.form().CancelBn.click();
}

TEST(LogoHeight, StoredHeightsOutsideOneTo130ShowAsOne) {
    struct Case {
        std::int32_t stored;
        int position;
        const char* shown;
    };
    for (const Case c : {Case{0, 129, "1"}, Case{-5, 129, "1"}, Case{131, 129, "1"},
                         Case{130, 0, "130"}, Case{57, 73, "57"}, Case{1, 129, "1"}}) {
        SCOPED_TRACE(c.stored);
        AppMachine m(15);
        editExplorer(m, [&](std::string& e) {
            put32(e, shellpatch::kBuilds[15].logoOffset + shellpatch::kLogoHeight,
                  static_cast<std::uint32_t>(c.stored));
        });
        Session run(m);
        run.start();
        EXPECT_EQ(run.form().main.ScrollBar.position(), c.position);
        EXPECT_EQ(run.form().main.ScrollCount.caption(), c.shown);
        EXPECT_FALSE(run.form().LogoHeightChanged);
        run.form().CancelBn.click();
    }
}

TEST(LogoHeight, TheBarMarksTheGroupOnceAndOkWritesOnlyTheLowByte) {
    AppMachine m(0);
    const auto& build = shellpatch::kBuilds[0];
    const std::int32_t heightAt = build.logoOffset + shellpatch::kLogoHeight;
    editExplorer(m, [&](std::string& e) { put32(e, heightAt, 0xFFFFFF28); }); // -216
    Session run(m);
    run.start();
    auto& f = run.form();
    EXPECT_EQ(f.main.ScrollCount.caption(), "1");
    EXPECT_EQ(f.main.ScrollBar.max(), 129);
    EXPECT_EQ(f.main.Metka.fontColor(), 0x00FF00);
    f.main.ScrollBar.setPosition(0);
    EXPECT_EQ(f.main.ScrollCount.caption(), "130");
    EXPECT_EQ(f.main.Metka.top(), 198);
    EXPECT_EQ(f.main.Metka.fontColor(), 0xFF0000);
    EXPECT_EQ(f.main.StartMenuGB.caption(), "Start Menu(*):");
    f.main.ScrollBar.setPosition(500);
    EXPECT_EQ(f.main.ScrollBar.position(), 129);
    EXPECT_EQ(f.main.ScrollCount.caption(), "1");
    EXPECT_EQ(f.main.Metka.top(), 198 + 129);
    f.main.ScrollBar.setPosition(0);
    f.main.DocEdit.userSetText("Docs");
    EXPECT_EQ(f.main.StartMenuGB.caption(), "Start Menu(*):");
    run.declineRestart();
    f.OKBn.click();
    EXPECT_EQ(test::le32(m.bytes("Explorer.new"), static_cast<std::size_t>(heightAt)), 0xFFFFFF82u);
}

TEST(ShellTexts, AShellThatFailsTheCheckIsNeverPatched) {
    AppMachine m(0);
    const auto& build = shellpatch::kBuilds[0];
    editExplorer(m, [&](std::string& e) {
        putUnits(e, build.caption(Entry::Programs).offset - 2, u"\u0002");
    });
    Session run(m);
    run.start();
    run.form().main.ProgEdit.userSetText("Apps");
    run.form().main.RunCB.userClick();
    run.pressOk();
    run.form().OKBn.click();
    EXPECT_EQ(run.messageBoxes(),
              std::vector<std::string>{"Error...|Your version of Windows 95 is\r  not supported "
                                       "or you have\rselected an incorrect version."});
    EXPECT_TRUE(run.app.terminated());
    EXPECT_TRUE(m.renameLines().empty());
    EXPECT_FALSE(m.exists("Explorer.new"));
    EXPECT_FALSE(m.exists("Explorer.sav"));
    // The policies were written before the check and stay.
    auto key =
        m.registry().openKey(platform::RootKey::LocalMachine,
                             "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->query("NoRun")->data, std::string("\x01\0\0\0", 4));
}
