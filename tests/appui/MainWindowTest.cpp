#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/Journal.h"
#include "tests/appui/GuiFixture.h"
#include "tests/support/Process.h"
#include "tools/Install.h"
#include "tools/MachineBuilder.h"

namespace velkan::test {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(machine::createMachine(dir.path()).ok());
        ASSERT_TRUE(machine::installVelkan(dir.path()).ok());
    }
    void TearDown() override { EXPECT_EQ(pendingModalActions(), 0); }

    // The backup notice of the first run, answered with OK.
    void expectFirstRunNotice() {
        whenModal([this](QWidget* box) {
            noticeText = messageText(box);
            clickButton(box, "OK");
        });
    }

    std::string show() {
        auto r = runProcess(tool("velkan-machine"), {"show", dir.path().string()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    void boot() {
        auto r = runProcess(tool("velkan-machine"), {"boot", dir.path().string()},
                            {{"VELKAN_VELKRUN", "/bin/true"}});
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    }

    TempDir dir;
    QString noticeText;
};

TEST_F(MainWindowTest, EditingTheStartTextAndPressingOkPatchesTheShellAfterTheNextStart) {
    expectFirstRunNotice();
    GuiRun run(dir.path());
    run.start();
    EXPECT_TRUE(noticeText.startsWith("Backuped Explorer.exe will be stored as Explorer.sav\n"));
    auto& window = run.window();
    EXPECT_EQ(window.windowTitle(), "Velkan ' 97 ver. 2.51");
    auto* tabs = run.find<QTabWidget>("MainPC");
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), "Main");
    EXPECT_EQ(tabs->tabText(3), "About");

    auto* start = run.find<QLineEdit>("StartEdit");
    EXPECT_EQ(start->text(), "Start");
    EXPECT_EQ(start->maxLength(), 5);
    start->setFocus();
    start->selectAll();
    QTest::keyClicks(start, "Go now"); // one character more than the field holds
    EXPECT_EQ(start->text(), "Go no");
    EXPECT_EQ(run.form().main.StartButtonGB.caption(), "Start Button(*):");

    QString promptLabel;
    whenModal([&](QWidget* prompt) {
        promptLabel = prompt->findChild<QLabel*>("RebootLabel")->text();
        EXPECT_EQ(prompt->windowTitle(), "Restarting...");
        clickButton(prompt, "&Don`t reboot");
    });
    // An accelerator presses its button a moment later, as Windows shows it pressed.
    QTest::keyClick(start, Qt::Key_O, Qt::AltModifier);
    for (int i = 0; i < 100 && !run.form().closed(); ++i)
        QTest::qWait(20);
    EXPECT_TRUE(run.form().closed());
    EXPECT_EQ(promptLabel, "You will see your changes only after restarting Windows.");

    boot();
    EXPECT_NE(show().find("Start button:     \"Go no\""), std::string::npos) << show();
}

TEST_F(MainWindowTest, HidingRunAloneEndsWithTheLogoffPrompt) {
    expectFirstRunNotice();
    GuiRun run(dir.path());
    run.start();
    auto* runBox = run.find<QCheckBox>("RunCB");
    ASSERT_TRUE(runBox->isChecked());
    QTest::mouseClick(runBox, Qt::LeftButton);
    EXPECT_FALSE(run.form().main.RunCB.ticked());

    QString reboot, dont;
    whenModal([&](QWidget* prompt) {
        reboot = prompt->findChild<QPushButton*>("RebootBn")->text();
        dont = prompt->findChild<QPushButton*>("DontrebootBn")->text();
        screenshot(prompt, "reboot-prompt-logoff");
        clickButton(prompt, "RebootBn");
    });
    QTest::mouseClick(run.find<QPushButton>("OKBn"), Qt::LeftButton);
    EXPECT_EQ(reboot, "&Logoff");
    EXPECT_EQ(dont, "&Don`t logoff");
    auto events = platform::Journal::ofMachine(run.machine).events();
    ASSERT_TRUE(events.ok());
    bool loggedOff = false;
    for (const auto& e : *events)
        loggedOff |= e.rfind("log-off requested", 0) == 0;
    EXPECT_TRUE(loggedOff);
    EXPECT_NE(show().find("Run"), std::string::npos);
}

TEST_F(MainWindowTest, RestoringOnlyTheVisibilityEndsWithTheLogoffPrompt) {
    expectFirstRunNotice();
    GuiRun run(dir.path());
    run.start();
    QString variant;
    whenModal([&](QWidget* restore) {
        EXPECT_EQ(restore->windowTitle(), "Restoring original settings...");
        // No backups yet: the two file boxes are off and cannot be ticked.
        EXPECT_FALSE(restore->findChild<QCheckBox*>("CB1")->isEnabled());
        EXPECT_FALSE(restore->findChild<QCheckBox*>("CB2")->isEnabled());
        screenshot(restore, "restore-dialog");
        QTest::mouseClick(restore->findChild<QCheckBox*>("CB3"), Qt::LeftButton);
        EXPECT_TRUE(restore->findChild<QCheckBox*>("CB4")->isChecked());
        clickButton(restore, "&OK");
    });
    whenModal([&](QWidget* prompt) {
        variant = prompt->findChild<QPushButton*>("RebootBn")->text();
        clickButton(prompt, "DontrebootBn");
    });
    QTest::mouseClick(run.find<QPushButton>("RestoreBn"), Qt::LeftButton);
    EXPECT_EQ(variant, "&Logoff");
    EXPECT_TRUE(run.form().closed());
}

TEST_F(MainWindowTest, AMachineWithoutMsdosSysIsRefusedAndNothingCanPatchIt) {
    std::filesystem::remove(dir.path() / "drive_c" / "MSDOS.SYS");
    QString caption, text;
    whenModal([&](QWidget* box) {
        caption = box->windowTitle();
        text = messageText(box);
        screenshot(box, "unsupported-version");
        clickButton(box, "OK");
    });
    expectFirstRunNotice();
    GuiRun run(dir.path());
    run.start();
    EXPECT_EQ(caption, "Incorrect version of Windows`95...");
    EXPECT_TRUE(text.startsWith("    Your version is not supported !\n"));
    for (const char* name : {"StartEdit", "TooltipEdit", "ProgEdit", "ShutEdit"})
        EXPECT_FALSE(run.find<QLineEdit>(name)->isEnabled()) << name;
    for (const char* name : {"IconBn", "LogoBn"})
        EXPECT_FALSE(run.find<QPushButton>(name)->isEnabled()) << name;
    EXPECT_TRUE(run.find<QCheckBox>("LogCB")->isEnabled());
    screenshot(&run.window(), "main-unsupported");
    QTest::mouseClick(run.find<QPushButton>("CancelBn"), Qt::LeftButton);
    EXPECT_TRUE(run.form().closed());
}

TEST_F(MainWindowTest, EveryPageAndTheLanguageListAsScreenshots) {
    expectFirstRunNotice();
    GuiRun run(dir.path());
    run.start();
    auto* tabs = run.find<QTabWidget>("MainPC");
    const char* names[] = {"main", "themes", "other", "about"};
    for (int i = 0; i < 4; ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        screenshot(&run.window(), std::string("page-") + names[i]);
    }
    tabs->setCurrentIndex(0);
    const int width = run.window().width();
    QTest::mouseClick(run.find<QPushButton>("LangBn"), Qt::LeftButton);
    EXPECT_EQ(run.window().width(), width + 136);
    screenshot(&run.window(), "page-main-languages");
    // A page switch hides the list again.
    tabs->setCurrentIndex(2);
    EXPECT_EQ(run.window().width(), width);
    run.form().CancelBnClick();
    EXPECT_TRUE(run.form().closed());
}

} // namespace
} // namespace velkan::test
