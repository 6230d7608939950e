// The Start-menu preview windows of the customiser: the Main page's follows
// the edits as they are made, and the Theme page's shows a pack exactly as
// loading it leaves the Main page's.
#include "app/ui/PreviewWindow.h"

#include "tests/appui/GuiFixture.h"
#include "tools/Install.h"
#include "tools/MachineBuilder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace velkan::test {
namespace {

class PreviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(machine::createMachine(dir.path()).ok());
        ASSERT_TRUE(machine::installVelkan(dir.path()).ok());
        whenModal([](QWidget* box) { clickButton(box, "OK"); }); // the backup notice
    }
    void TearDown() override { EXPECT_EQ(pendingModalActions(), 0); }

    // Opens the preview of the page whose button this is.
    static app::ui::PreviewWindow* open(GuiRun& run, const char* button, const char* window) {
        QTest::mouseClick(run.find<QPushButton>(button), Qt::LeftButton);
        QApplication::processEvents();
        auto* preview = run.window().findChild<app::ui::PreviewWindow*>(window);
        EXPECT_NE(preview, nullptr);
        if (preview) {
            EXPECT_TRUE(preview->isVisible());
        }
        return preview;
    }
    // The picture without the tray, whose clock moves on.
    static QImage withoutClock(const QImage& image) {
        return image.copy(0, 0, image.width() - 100, image.height());
    }

    TempDir dir;
};

TEST_F(PreviewWindowTest, TheMainPagePreviewFollowsTheStartTextAndTheRunBox) {
    GuiRun run(dir.path());
    run.start();
    auto* preview = open(run, "PreviewBn", "PreviewFm");
    ASSERT_NE(preview, nullptr);
    const QImage before = preview->picture();
    ASSERT_FALSE(before.isNull());
    screenshot(preview, "start-menu-preview");

    auto* start = run.find<QLineEdit>("StartEdit");
    start->selectAll();
    QTest::keyClicks(start, "Go");
    QApplication::processEvents();
    const QImage edited = preview->picture();
    EXPECT_EQ(edited.size(), before.size());
    EXPECT_FALSE(withoutClock(edited) == withoutClock(before));
    // Only the taskbar changed; the menu above it is the same.
    const int menuBottom = edited.height() - 29;
    EXPECT_TRUE(edited.copy(0, 0, 200, menuBottom) == before.copy(0, 0, 200, menuBottom));

    // Unticking Run takes its row away: the menu is one row lower.
    QTest::mouseClick(run.find<QCheckBox>("RunCB"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(run.form().main.RunCB.ticked());
    EXPECT_EQ(before.height() - preview->picture().height(), 36);
    run.form().CancelBn.click();
}

TEST_F(PreviewWindowTest, ThePackPreviewShowsWhatLoadingThePackLeavesOnTheMainPage) {
    GuiRun run(dir.path());
    run.start();
    run.find<QTabWidget>("MainPC")->setCurrentIndex(1);
    auto* list = run.find<QListWidget>("DirListBox");
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().trimmed() == "Sample Theme Pack")
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(i)).center());
    QApplication::processEvents();
    ASSERT_EQ(run.form().packs.DirListBox.directory(),
              std::string(machine::kProgramFolder) + "Sample Theme Pack");

    auto* pack = open(run, "ThPreviewBn", "PackPreviewFm");
    ASSERT_NE(pack, nullptr);
    const QImage promised = pack->picture();
    ASSERT_FALSE(promised.isNull());
    screenshot(pack, "pack-preview-sample");

    QTest::mouseClick(run.find<QPushButton>("ThemeBn"), Qt::LeftButton);
    QApplication::processEvents();
    run.find<QTabWidget>("MainPC")->setCurrentIndex(0);
    auto* main = open(run, "PreviewBn", "PreviewFm");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(withoutClock(main->picture()) == withoutClock(promised));
    run.form().CancelBn.click();
}

} // namespace
} // namespace velkan::test
