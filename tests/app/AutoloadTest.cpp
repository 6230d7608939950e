// The unattended start with "/t": which pack of the rotation is applied, and
// what the run leaves behind.
#include "app/ProgramKeys.h"
#include "platform/Registry.h"
#include "tests/app/AppMachine.h"

#include <gtest/gtest.h>

using namespace velkan;
using platform::RootKey;
using test::AppMachine;
using test::Session;

namespace {

const auto& kBuild = shellpatch::kBuilds[0];

// A machine whose program folder C:\Packs\ holds the packs A, B and C (each
// naming itself on the Start button) and a file that is no pack.
void addPacks(const AppMachine& m, std::optional<std::uint32_t> lastTheme = {}) {
    auto key = m.registry().createKey(RootKey::CurrentUser, app::kProgramKey);
    EXPECT_TRUE(key->setString(app::kLocationValue, "C:\\Packs\\"));
    if (lastTheme) {
        EXPECT_TRUE(key->setDword(app::kLastThemeValue, *lastTheme));
    }
    key->close();
    m.put("C:\\Packs\\Readme.txt", "not a pack");
    for (const char* name : {"A", "B", "C"})
        m.put(std::string("C:\\Packs\\") + name + "\\index.vkr",
              std::string("[StartButton]\r\nText=") + name + "\r\n[StartMenu]\r\nPrograms=Pack " +
                  name + "\r\n");
}

std::optional<std::uint32_t> lastTheme(const AppMachine& m) {
    auto key = m.registry().openKey(RootKey::CurrentUser, app::kProgramKey);
    if (!key)
        return std::nullopt;
    auto v = key->queryDword(app::kLastThemeValue);
    return v ? std::optional<std::uint32_t>(*v) : std::nullopt;
}

// Which pack the last autoload scheduled, by the Start-button text it put in.
std::u16string scheduledStartText(const AppMachine& m) {
    return test::fieldUnits(m.bytes("Explorer.new"), kBuild.startText);
}

void autoload(const AppMachine& m) {
    Session run(m, {"/t"});
    run.start();
    EXPECT_TRUE(run.app.terminated());
    EXPECT_TRUE(run.form().AutoloadMode);
    EXPECT_EQ(run.form().windowState(), platform::WindowState::Minimized);
    // Nothing is asked: no restart prompt, no message.
    EXPECT_TRUE(run.questions.asked().empty());
}

} // namespace

TEST(Autoload, RotatesThroughTheSubfoldersInSearchOrder) {
    AppMachine m(0);
    addPacks(m);
    const std::pair<std::u16string, std::uint32_t> expected[] = {
        {u"A    ", 1}, {u"B    ", 2}, {u"C    ", 3}, {u"A    ", 1}, {u"B    ", 2}};
    for (const auto& [text, stored] : expected) {
        autoload(m);
        EXPECT_EQ(scheduledStartText(m), text);
        EXPECT_EQ(lastTheme(m), stored);
    }
    EXPECT_EQ(
        test::fieldUnits(m.bytes("Explorer.new"), kBuild.caption(shellpatch::Entry::Programs)),
        u"Pack B   ");
    EXPECT_EQ(m.renameLines(),
              std::vector<std::string>{"C:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new"});
    // The autoload never stores whether the rebuild warning is wanted.
    auto key = m.registry().openKey(RootKey::CurrentUser, app::kProgramKey);
    EXPECT_FALSE(key->query(app::kOptionsValue));
}

TEST(Autoload, ALastThemeBeyondTheFoldersStartsAgainAtTheFirstTwice) {
    AppMachine m(0);
    addPacks(m, 5);
    autoload(m);
    EXPECT_EQ(scheduledStartText(m), u"A    ");
    EXPECT_EQ(lastTheme(m), 3u);
    autoload(m);
    EXPECT_EQ(scheduledStartText(m), u"A    ");
    EXPECT_EQ(lastTheme(m), 1u);
}

TEST(Autoload, OnlyASlashTAsTheFirstArgumentStartsIt) {
    struct Case {
        std::vector<std::string> args;
        bool autoload;
    };
    const Case cases[] = {{{"/t"}, true},   {{"/T", "more"}, true}, {{"-t"}, false},
                          {{"/tt"}, false}, {{"x", "/T"}, false},   {{}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
        AppMachine m(0);
        addPacks(m);
        Session run(m, c.args);
        run.start();
        EXPECT_EQ(run.app.terminated(), c.autoload);
        EXPECT_EQ(run.form().AutoloadMode, c.autoload);
        EXPECT_EQ(lastTheme(m), c.autoload ? std::optional<std::uint32_t>(1) : std::nullopt);
        if (!c.autoload)
            run.form().CancelBn.click();
    }
}

TEST(Autoload, WithoutAProgramFolderNothingIsAppliedOrStored) {
    AppMachine m(0);
    Session run(m, {"/T"});
    run.start();
    EXPECT_TRUE(run.app.terminated());
    EXPECT_TRUE(run.form().QuietClose);
    EXPECT_FALSE(run.form().AutoloadMode);
    EXPECT_TRUE(run.questions.asked().empty());
    EXPECT_FALSE(lastTheme(m));
    EXPECT_TRUE(m.renameLines().empty());
}

TEST(Autoload, APackLikeTheBackupPreparesNoSwapAndItemIconsApplyAtTheClose) {
    AppMachine m(0);
    auto key = m.registry().createKey(RootKey::CurrentUser, app::kProgramKey);
    ASSERT_TRUE(key->setString(app::kLocationValue, "C:\\Packs\\"));
    key->close();
    m.put("C:\\Packs\\SAME\\index.vkr",
          "[StartButton]\r\nText=Start\r\n[StartMenu]\r\nPrograms=&Programs\r\nLogoHeight=90\r\n");
    m.put("C:\\Packs\\SAME\\1.ico", test::iconFile(32));
    m.put("C:\\Packs\\SAME\\2.ico", test::iconFile(32));
    Session run(m, {"/t"});
    run.start();
    EXPECT_TRUE(run.app.terminated());
    // The logo height alone does not make a swap.
    EXPECT_TRUE(m.renameLines().empty());
    EXPECT_FALSE(m.exists("Explorer.new"));
    // A stock machine has no Shell Icons key: it is made for the icons.
    auto icons =
        m.registry().openKey(RootKey::LocalMachine,
                             "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons");
    ASSERT_TRUE(icons);
    EXPECT_EQ(icons->queryString("19").valueOr("?"), "C:\\Packs\\SAME\\1.ico,0");
    EXPECT_EQ(icons->queryString("43").valueOr("?"), "C:\\Packs\\SAME\\2.ico,0");
    // The rebuild ran without a window but with its pause.
    EXPECT_EQ(run.clock.waits().size(), 1u);
    int starts = 0;
    for (const auto& e : m.journal())
        starts += e == "start shell C:\\WINDOWS\\Explorer.exe";
    EXPECT_EQ(starts, 2);
}

TEST(Autoload, RetriesTheStartButtonIconOnThePeRowAndSkipsEntriesTheBuildLacks) {
    AppMachine m(15, /*userLayout=*/16);
    auto key = m.registry().createKey(RootKey::CurrentUser, app::kProgramKey);
    ASSERT_TRUE(key->setString(app::kLocationValue, "C:\\Packs\\"));
    key->close();
    m.put("C:\\Packs\\P\\index.vkr", "[StartButton]\r\nToolTip=Packed\r\n");
    m.put("C:\\Packs\\P\\Icon16.ico", test::iconFile(16));
    m.put("C:\\Packs\\P\\2.ico", test::iconFile(32));
    m.put("C:\\Packs\\P\\3.ico", test::iconFile(32));
    Session run(m, {"/t"});
    run.start();
    EXPECT_TRUE(run.questions.asked().empty());
    EXPECT_EQ(run.form().main.VersionRG.itemIndex(), 16);
    EXPECT_EQ(m.renameLines(), (std::vector<std::string>{
                                   "C:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new",
                                   "C:\\WINDOWS\\System\\User.exe=C:\\WINDOWS\\System\\User.new"}));
    const auto place = shellpatch::kStartIconPlaces[3];
    ASSERT_EQ(place.size, 16);
    EXPECT_EQ(m.bytes("System\\User.new")
                  .substr(static_cast<std::size_t>(place.iconBaseOffset + 352), 296),
              test::iconFile(16).substr(22));
    auto icons =
        m.registry().openKey(RootKey::LocalMachine,
                             "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons");
    ASSERT_TRUE(icons);
    EXPECT_FALSE(icons->query("43"));
    EXPECT_EQ(icons->queryString("20").valueOr("?"), "C:\\Packs\\P\\3.ico,0");
}
