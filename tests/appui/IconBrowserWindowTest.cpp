#include "app/BrwsIcnForm.h"
#include "tests/appui/GuiFixture.h"
#include "tools/Install.h"
#include "tools/MachineBuilder.h"
#include "tools/Shell32Image.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace velkan::test {
namespace {

TEST(IconBrowserWindow, ChoosingAnIconForRunInTheDialogReachesTheRegistryAtOk) {
    TempDir dir;
    ASSERT_TRUE(machine::createMachine(dir.path()).ok());
    ASSERT_TRUE(machine::installVelkan(dir.path()).ok());
    whenModal([](QWidget* box) { clickButton(box, "OK"); }); // the first-run notice
    GuiRun run(dir.path());
    run.start();
    // The entry image shows shell32's Run icon.
    auto* runImage = run.find<QLabel>("RunImg");
    ASSERT_TRUE(runImage);
    EXPECT_FALSE(runImage->pixmap().isNull());

    int items = 0;
    QString status, title;
    whenModal([&](QWidget* dialog) {
        title = dialog->windowTitle();
        auto& model = *run.application->BrwsIcnForm;
        for (int i = 0; i < 500 && model.busy(); ++i)
            QTest::qWait(10);
        auto* list = dialog->findChild<QListWidget*>("LstVw");
        items = list->count();
        status = dialog->findChild<QLabel*>("Panel1")->text();
        list->setCurrentRow(3);
        screenshot(dialog, "icon-browser");
        clickButton(dialog, "OKBn");
    });
    QTest::mouseClick(run.find<QToolButton>("RunImgSB"), Qt::LeftButton);
    EXPECT_EQ(title, "Load Icon");
    EXPECT_EQ(items, machine::kShell32IconCount);
    EXPECT_EQ(status, "SHELL32.DLL,0");
    EXPECT_EQ(run.form().iconSlots[6].pending, "SHELL32.DLL,3");
    EXPECT_EQ(runImage->toolTip(), "Changed");
}

TEST(IconBrowserWindow, RightClickOnAnEntryImageOffersRestoreIcon) {
    TempDir dir;
    ASSERT_TRUE(machine::createMachine(dir.path()).ok());
    ASSERT_TRUE(machine::installVelkan(dir.path()).ok());
    whenModal([](QWidget* box) { clickButton(box, "OK"); });
    GuiRun run(dir.path());
    run.start();
    QTest::mouseClick(run.find<QToolButton>("HelpImgSB"), Qt::RightButton);
    EXPECT_EQ(run.form().popupTarget, &run.form().main.HelpImg);
    EXPECT_EQ(run.form().main.PopMn.openings(), 1);
    auto* menu = run.find<QMenu>("PopMn");
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->isVisible());
    menu->findChild<QAction*>("Restore")->trigger();
    EXPECT_EQ(run.form().iconSlots[5].pending, "\x01\x02\x03");
    EXPECT_TRUE(run.form().ShellIconsChanged);
    menu->hide();
}

TEST(IconBrowserWindow, TheOtherIconsPopUpComesWithTheMouseOverMoreBn) {
    TempDir dir;
    ASSERT_TRUE(machine::createMachine(dir.path()).ok());
    ASSERT_TRUE(machine::installVelkan(dir.path()).ok());
    whenModal([](QWidget* box) { clickButton(box, "OK"); });
    GuiRun run(dir.path());
    run.start();
    run.find<QTabWidget>("MainPC")->setCurrentIndex(1);
    auto* more = run.find<QToolButton>("MoreBn");
    ASSERT_TRUE(more);
    QTest::mouseMove(more);
    QEvent enterMore(QEvent::Enter);
    QApplication::sendEvent(more, &enterMore);
    auto* pop = run.window().findChild<QWidget*>("IconFm");
    ASSERT_TRUE(pop);
    EXPECT_TRUE(pop->isVisible());
    EXPECT_TRUE(more->isChecked());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(run.find<QWidget>("PrevGB"), &enter);
    EXPECT_FALSE(pop->isVisible());
    EXPECT_FALSE(run.form().packs.MoreBn.down());
}

} // namespace
} // namespace velkan::test
