#include <QCheckBox>
#include <QFileDialog>
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

    const auto icon = dir.path() / "drive_c" / "Program Files" / "Velkan" / "Sun Theme Pack" /
                      "Icon32.ico";
    QString title;
    QStringList filters;
    bool previewShown = false;
    whenModal([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        dialog->selectFile(QString::fromStdString(icon.string()));
        QApplication::processEvents();
        auto* preview = dialog->findChild<QLabel*>("Preview");
        previewShown = preview && preview->pixmap().width() == 32;
        screenshot(dialog, "open-dialog-icon");
        static_cast<QDialog*>(dialog)->accept(); // as the Open button does
    });
    QTest::mouseClick(run.find<QPushButton>("IconBn"), Qt::LeftButton);
    EXPECT_EQ(title, "Choose an icon file with 16 colors");
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith("Icon files (*.ico)"));
    EXPECT_TRUE(filters[0].contains("*.ICO"));
    EXPECT_TRUE(previewShown);
    EXPECT_EQ(run.form().lastIconFile,
              "C:\\Program Files\\Velkan\\Sun Theme Pack\\Icon32.ico");
    EXPECT_EQ(run.form().StartSE.hint(), "Size 32x32 with 16 colors");
    EXPECT_TRUE(run.form().IconChanged);
    run.form().CancelBnClick();
}

} // namespace
} // namespace velkan::test
