// The "Theme Packs" page as the user sees it: the folder list, the preview's
// pixels, loading a pack and saving one through the real dialogs.
#include "platform/Files.h"
#include "platform/IconLibrary.h"
#include "platform/WinPath.h"
#include "tests/appui/GuiFixture.h"
#include "tools/Install.h"
#include "tools/MachineBuilder.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace velkan::test {
namespace {

const std::string kSample = std::string(machine::kProgramFolder) + "Sample Theme Pack";

class ThemePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(machine::createMachine(dir.path()).ok());
        ASSERT_TRUE(machine::installVelkan(dir.path()).ok());
        whenModal([](QWidget* box) { clickButton(box, "OK"); }); // the backup notice
    }
    void TearDown() override { EXPECT_EQ(pendingModalActions(), 0); }

    // Clicks the folder list's entry captioned `name`.
    static void clickFolder(GuiRun& run, const QString& name) {
        auto* list = run.find<QListWidget>("DirListBox");
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().trimmed() == name) {
                const QRect at = list->visualItemRect(list->item(i));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
                return;
            }
        ADD_FAILURE() << "no folder " << name.toStdString();
    }

    TempDir dir;
};

TEST_F(ThemePageTest, ThePreviewShowsThePacksOwnPixelsAndLoadFillsTheMainPage) {
    GuiRun run(dir.path());
    run.start();
    run.find<QTabWidget>("MainPC")->setCurrentIndex(1);
    // The browser starts in the program folder, where the packs are.
    EXPECT_EQ(run.form().packs.DirListBox.directory() + "\\", machine::kProgramFolder);
    auto* themeBn = run.find<QPushButton>("ThemeBn");
    EXPECT_FALSE(themeBn->isEnabled());
    clickFolder(run, "Sample Theme Pack");
    QApplication::processEvents();
    ASSERT_EQ(run.form().packs.DirListBox.directory(), kSample);
    EXPECT_TRUE(themeBn->isEnabled());
    EXPECT_EQ(run.find<QPlainTextEdit>("AuthorRE")->toPlainText(), "Velkan");
    EXPECT_TRUE(
        run.find<QPlainTextEdit>("AboutRE")->toPlainText().startsWith("A small demonstration"));

    // The 32x32 Start-button icon shows the file's own pixels.
    auto icon = platform::IconLibrary::open(
                    *platform::resolveWinPath(run.machine, kSample + "\\Icon32.ico"))
                    .icon(0);
    ASSERT_TRUE(icon);
    const QImage shown = run.find<QLabel>("Img32")->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(32, 32));
    int compared = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (!icon->masked(x, y)) {
                EXPECT_EQ(shown.pixel(x, y) & 0xFFFFFF, icon->pixel(x, y) & 0xFFFFFF)
                    << x << "," << y;
                ++compared;
            }
    EXPECT_GT(compared, 100);
    // The 21x57 logo stands at the foot of its column.
    auto* logo = run.find<QLabel>("ImgLg");
    EXPECT_EQ(logo->geometry(), QRect(140, 96, 21, 57));
    EXPECT_EQ(logo->pixmap().size(), QSize(21, 57));
    EXPECT_FALSE(run.find<QLabel>("Imag1")->pixmap().isNull());
    screenshot(&run.window(), "theme-page-sample");

    QTest::mouseClick(themeBn, Qt::LeftButton);
    EXPECT_FALSE(themeBn->isEnabled());
    EXPECT_EQ(run.find<QLabel>("Info")->text(),
              "Note: Go to Main tab to see what has been changed");
    EXPECT_EQ(run.find<QLineEdit>("StartEdit")->text(), "Demo");

    // Saving through the dialog: a name and Enter.
    run.find<QTabWidget>("MainPC")->setCurrentIndex(0);
    whenModal([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Theme Pack creation...");
        auto* name = dialog->findChild<QLineEdit*>("NameEd");
        name->setFocus();
        QTest::keyClicks(name, "My look");
        screenshot(dialog, "theme-pack-creation");
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(run.find<QPushButton>("SaveThBn"), Qt::LeftButton);
    const std::string saved = std::string(machine::kProgramFolder) + "My look";
    EXPECT_TRUE(platform::fileExists(run.machine, saved + "\\index.vkr"));
    EXPECT_TRUE(platform::fileExists(run.machine, saved + "\\logo.bmp"));
    EXPECT_TRUE(platform::fileExists(run.machine, saved + "\\Icon32.ico"));
    run.form().CancelBn.click();
}

TEST_F(ThemePageTest, ADriveThatIsNotReadyIsReportedAndTheBoxReturns) {
    std::filesystem::create_directories(dir.path() / "dosdevices");
    std::filesystem::create_symlink(dir.path() / "no-disc", dir.path() / "dosdevices" / "a:");
    GuiRun run(dir.path());
    run.start();
    run.find<QTabWidget>("MainPC")->setCurrentIndex(1);
    auto* drives = run.find<QComboBox>("DriveCB");
    ASSERT_EQ(drives->count(), 2);
    EXPECT_EQ(drives->currentText(), "c:");
    QString text, title;
    whenModal([&](QWidget* box) {
        text = messageText(box);
        title = box->windowTitle();
        clickButton(box, "OK");
    });
    drives->setFocus();
    QTest::keyClick(drives, Qt::Key_Up);
    EXPECT_EQ(text, "Drive not ready.");
    EXPECT_EQ(title, "Error...");
    EXPECT_EQ(drives->currentText(), "c:");
    run.form().CancelBn.click();
}

TEST_F(ThemePageTest, APacksTextsReadInTheMachinesCodePageEverywhere) {
    // A Russian machine: its packs' bytes are code page 1251, in the browser
    // as on the Main page once loaded.
    TempDir russian;
    ASSERT_TRUE(machine::createMachine(russian.path(), {27, {}}).ok());
    ASSERT_TRUE(machine::installVelkan(russian.path()).ok());
    const std::string tema = "\xD2\xE5\xEC\xE0"; // "Тема"
    const auto pack = russian.path() / "drive_c" / "Program Files" / "Velkan" / tema;
    std::filesystem::create_directories(pack);
    writeFile(pack / "index.vkr", "[About]\r\nName=" + tema + "\r\nAuthor=" + tema +
                                      "\r\nDescription=" + tema +
                                      "\r\n[StartMenu]\r\nPrograms=" + tema + "\r\n");
    GuiRun run(russian.path());
    run.start();
    run.find<QTabWidget>("MainPC")->setCurrentIndex(1);
    clickFolder(run, QString::fromUtf8("Тема"));
    QApplication::processEvents();
    EXPECT_EQ(run.find<QGroupBox>("AboutThemeGB")->title(), QString::fromUtf8("Тема"));
    EXPECT_EQ(run.find<QPlainTextEdit>("AuthorRE")->toPlainText(), QString::fromUtf8("Тема"));
    EXPECT_EQ(run.find<QPlainTextEdit>("AboutRE")->toPlainText(), QString::fromUtf8("Тема"));
    run.find<QPushButton>("ThemeBn")->click();
    QApplication::processEvents();
    EXPECT_EQ(run.find<QLineEdit>("ProgEdit")->text(), QString::fromUtf8("Тема"));
    // The note after a load has room for its two lines on the screen too.
    auto* info = run.find<QLabel>("Info");
    EXPECT_EQ(info->width(), 137);
    EXPECT_EQ(info->height(), 26);
    run.form().CancelBn.click();
}

} // namespace
} // namespace velkan::test
