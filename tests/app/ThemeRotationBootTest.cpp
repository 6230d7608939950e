// The autoload end to end: Velkan installed, the option switched on with OK,
// and the machine started again and again, each start running the real
// velkrun with "/t" from the Run key.
#include "app/ProgramKeys.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "tests/app/AppMachine.h"
#include "tests/support/MachineDrive.h"
#include "tools/Install.h"
#include "tools/ShellView.h"
#include "tools/ThemePacks.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace velkan;
using platform::RootKey;

namespace {

std::uint32_t lastTheme(const test::AppMachine& m) {
    auto key = m.registry().openKey(RootKey::CurrentUser, app::kProgramKey);
    return key ? key->queryDword(app::kLastThemeValue).valueOr(0) : 0;
}

std::u16string nextStartText(const test::AppMachine& m) {
    auto view = machine::viewShell(m.machine);
    return view ? view->startText : u"?";
}

} // namespace

TEST(AutoloadBoot, EachWindowsStartAppliesTheNextPackOfTheProgramFolder) {
    ::setenv("VELKAN_VELKRUN", VELKAN_APP_BIN "/velkrun", 1);
    if (!std::filesystem::exists(VELKAN_APP_BIN "/velkrun"))
        GTEST_SKIP() << "velkrun is not built in this tree";
    test::AppMachine m(0);
    ASSERT_TRUE(machine::installVelkan(m.machine.root()));
    // Only the packs A, B and C in the program folder.
    const std::string program = machine::kProgramFolder;
    auto host = [&](const std::string& name) {
        return m.machine.driveC() / "Program Files" / "Velkan" / name;
    };
    for (const auto& stock : machine::stockPackNames())
        test::removeAll(host(stock));
    for (const char* name : {"A", "B", "C"})
        m.put(program + name + "\\index.vkr",
              std::string("[StartButton]\r\nText=Pack") + name + "\r\n");

    {
        test::Session run(m);
        run.start();
        run.form().other.AutoCB.userClick();
        run.declineRestart();
        run.form().OKBn.click();
    }
    auto run = m.registry().openKey(RootKey::CurrentUser, app::kRunKey);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->queryString(app::kRunValue).valueOr(""), program + "Velkrun.exe /t");

    const std::pair<std::u16string, std::uint32_t> expected[] = {
        {u"PackA", 1}, {u"PackB", 2}, {u"PackC", 3}, {u"PackA", 1}};
    for (const auto& [text, stored] : expected) {
        m.boot();
        EXPECT_EQ(nextStartText(m), text);
        EXPECT_EQ(lastTheme(m), stored);
    }

    // A stored value beyond the folders: A, keeping the count; then A again and 1.
    {
        auto key = m.registry().createKey(RootKey::CurrentUser, app::kProgramKey);
        ASSERT_TRUE(key->setDword(app::kLastThemeValue, 5));
        key->close();
    }
    m.boot();
    EXPECT_EQ(nextStartText(m), u"PackA");
    EXPECT_EQ(lastTheme(m), 3u);
    m.boot();
    EXPECT_EQ(nextStartText(m), u"PackA");
    EXPECT_EQ(lastTheme(m), 1u);
}
