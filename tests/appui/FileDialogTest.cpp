#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/appui/GuiFixture.h"
#include "tools/Install.h"
#include "tools/MachineBuilder.h"

namespace velkan::test {
namespace {

// The open dialog of the Start-button icon and the logo: its title, filters
// and preview, and the Windows path it hands back, which the loaders take.
TEST(FileDialog, PicksAnIconOfTheMachineWithAPreviewAndTheLoaderTakesIt) {
    TempDir dir;
    ASSERT_TRUE(machine::createMachine(dir.path()).ok());
    ASSERT_TRUE(machine::installVelkan(dir.path()).ok());
    whenModal([](QWidget* box) { clickButton(box, "OK"); }); // backup notice
    GuiRun run(dir.path());
    run.start();

    QString title;
    QStringList filters, lookIn;
    bool previewShown = false;
    whenModal([&](QWidget* window) {
        auto* dialog = qobject_cast<QDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        auto* types = dialog->findChild<QComboBox*>("FilesOfType");
        auto* places = dialog->findChild<QComboBox*>("LookIn");
        auto* list = dialog->findChild<QListWidget*>("FileList");
        auto* name = dialog->findChild<QLineEdit*>("FileName");
        ASSERT_TRUE(types && places && list && name);
        for (int i = 0; i < types->count(); ++i)
            filters << types->itemText(i);
        // Into the pack's folder as a user goes: a folder name and Enter.
        name->setText("Program Files\\Velkan\\Sun Theme Pack");
        QTest::keyClick(name, Qt::Key_Return);
        for (int i = 0; i < places->count(); ++i)
            lookIn << places->itemText(i);
        const auto found = list->findItems("Icon32.ico", Qt::MatchFixedString);
        ASSERT_EQ(found.size(), 1);
        list->setCurrentItem(found.front());
        auto* preview = dialog->findChild<QLabel*>("Preview");
        previewShown = preview && preview->pixmap().width() == 32;
        screenshot(dialog, "open-dialog-icon");
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(run.find<QPushButton>("IconBn"), Qt::LeftButton);
    EXPECT_EQ(title, "Choose an icon file with 16 colors");
    EXPECT_EQ(filters, QStringList({"Icon files (*.ico)", "All files (*.*)"}));
    // The drives, and the way down to the folder shown, never a host path.
    ASSERT_FALSE(lookIn.isEmpty());
    EXPECT_EQ(lookIn.front(), "C:\\");
    EXPECT_TRUE(lookIn.contains("    Velkan"));
    for (const QString& place : lookIn)
        EXPECT_FALSE(place.contains('/')) << place.toStdString();
    EXPECT_TRUE(previewShown);
    EXPECT_EQ(run.form().lastIconFile,
              "C:\\Program Files\\Velkan\\Sun Theme Pack\\Icon32.ico");
    EXPECT_EQ(run.form().main.StartSE.hint(), "Size 32x32 with 16 colors");
    EXPECT_TRUE(run.form().IconChanged);
    run.form().CancelBnClick();
}

} // namespace
} // namespace velkan::test
