#include "platform/UserQuestions.h"
#include "remove/Uninstaller.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace velkan;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::ScriptedQuestions;

// The boxes exactly as the user meets them: bare carriage returns, tabs, the
// four spaces before "manually", and the spelling of "cofiguration".
TEST(UninstallTexts, TheQuestionAndTheReportAreTheProductsOwn) {
    const std::string question =
        "The 'Uninstall Velkan' procedure will:\r\r"
        "\t1. Remove all Velkan's registry entries\r"
        "\t2. Remove files and subfolders from the Velkan's folder.\r"
        "\t3. Remove shortcuts from desktop and start menu.\r\r"
        "The 'Uninstall Velkan' procedure will not:\r\r"
        "\t1. Restore your original cofiguration. So press Restore button on Velkan.\r"
        "\t2. Remove this uninstaller. So delete Remove.exe file from Velkan's folder\r"
        "\t    manually after uninstalling.\r\r"
        "\tDo you want to continue?";
    test::TempDir dir;
    const platform::Machine machine(dir.path());

    ScriptedQuestions no;
    no.press(platform::IDNO);
    EXPECT_EQ(remove::Uninstaller(machine, no).run(), remove::Outcome::Declined);
    ASSERT_EQ(no.asked().size(), 1u);
    const auto& box = no.asked()[0].box;
    EXPECT_EQ(box.text, question);
    EXPECT_EQ(box.caption, "Uninstalling...");
    EXPECT_EQ(box.icon, MessageIcon::None);
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);

    ScriptedQuestions yes;
    yes.press(platform::IDYES).press(platform::IDOK);
    EXPECT_EQ(remove::Uninstaller(machine, yes).run(), remove::Outcome::Failed);
    ASSERT_EQ(yes.asked().size(), 2u);
    const auto& report = yes.asked()[1].box;
    EXPECT_EQ(report.text, "Error! Velkan hasn\x60t been uninstalled.");
    EXPECT_EQ(report.caption, "Uninstalling...");
    EXPECT_EQ(report.icon, MessageIcon::None);
    EXPECT_EQ(report.buttons, MessageButtons::OK);
    // A machine without a registry gets none from the uninstaller.
    EXPECT_FALSE(std::filesystem::exists(machine.registryFile()));
}
