#include "tests/appui/GuiFixture.h"
#include "tools/Install.h"
#include "tools/MachineBuilder.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace velkan::test {
namespace {

// The About page's hidden panel in the running customiser.
class HiddenScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(machine::createMachine(dir.path()).ok());
        ASSERT_TRUE(machine::installVelkan(dir.path()).ok());
        whenModal([](QWidget* notice) { clickButton(notice, "OK"); });
    }
    void TearDown() override { EXPECT_EQ(pendingModalActions(), 0); }

    static void shiftCtrlPress(QWidget* w) {
        QTest::mousePress(w, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(5, 5));
        QTest::mouseRelease(w, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier,
                            QPoint(5, 5));
    }
    static bool waitEnabled(QPushButton* b) {
        return QTest::qWaitFor([b] { return b->isEnabled(); }, 20000);
    }

    TempDir dir;
};

TEST_F(HiddenScreenTest, ShiftCtrlClickOnTheAboutBoxOpensThePanelWhoseDrawingsStopWithTheWindow) {
    GuiRun run(dir.path());
    run.start();
    run.find<QTabWidget>("MainPC")->setCurrentIndex(3);
    QApplication::processEvents();
    auto* about = run.find<QGroupBox>("AboutGB");
    auto* panel = run.find<QWidget>("SecrPn");
    ASSERT_TRUE(about && panel);
    EXPECT_EQ(about->toolTip(), "Press and hold SHIFT and CTRL and click here");
    EXPECT_FALSE(panel->isVisible());

    // The description under the first two rows does not open it, nor does a
    // press with Shift alone.
    shiftCtrlPress(run.find<QLabel>("AboutLb"));
    QTest::mousePress(about, Qt::LeftButton, Qt::ShiftModifier, QPoint(400, 100));
    EXPECT_FALSE(panel->isVisible());
    shiftCtrlPress(run.find<QLabel>("VersionLb"));
    ASSERT_TRUE(panel->isVisible());
    EXPECT_TRUE(run.form().about.SecrPn.visible());

    auto* fern = run.find<QPushButton>("FernBn");
    auto* sun = run.find<QPushButton>("SunBn");
    QTest::mouseClick(sun, Qt::LeftButton);
    QTest::mouseClick(fern, Qt::LeftButton);
    EXPECT_FALSE(sun->isEnabled());
    EXPECT_FALSE(fern->isEnabled());
    ASSERT_TRUE(waitEnabled(sun));
    ASSERT_TRUE(waitEnabled(fern));
    QApplication::processEvents();
    screenshot(&run.window(), "about-hidden-screen");
    const QImage shot = panel->grab().toImage();
    EXPECT_EQ(shot.pixelColor(8 + 160, 72 + 160), QColor(Qt::black));

    // Both drawings again, and the window closes while they run.
    QTest::mouseClick(sun, Qt::LeftButton);
    QTest::mouseClick(fern, Qt::LeftButton);
    QTest::mouseClick(run.find<QPushButton>("CancelBn"), Qt::LeftButton);
    EXPECT_TRUE(run.form().closed());
    EXPECT_FALSE(run.form().about.SecrPn.sunRunning());
    EXPECT_FALSE(run.form().about.SecrPn.fernRunning());
    QApplication::processEvents();
}

} // namespace
} // namespace velkan::test
