#include "hidden/ui/SecretPanelView.h"

#include "hidden/ui/PaintBoxView.h"
#include "platform/ui/QtQuestions.h"
#include "platform/ui/Win95Look.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace velkan::hidden::ui {
namespace {

QApplication& guiApp() {
    static int argc = 1;
    static char name[] = "hiddenui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        platform::ui::applyWin95Look(*a);
        return a;
    }();
    return *app;
}

std::string screenshot(QWidget* widget, const std::string& name) {
    QDir().mkpath(VELKAN_SCREENSHOT_DIR);
    const std::string path = std::string(VELKAN_SCREENSHOT_DIR) + "/" + name + ".png";
    widget->grab().save(QString::fromStdString(path));
    return path;
}

// A page with the group box that opens the panel and the panel over it, as
// the About page holds them, driven by real mouse events and the event loop.
class SecretPanelViewTest : public ::testing::Test {
protected:
    SecretPanelViewTest() : questions(platform::Machine(dir.path())) {
        page.resize(466, 382);
        box = new QGroupBox(&page);
        box->setGeometry(6, 4, 452, 156);
        view = new SecretPanelView(&page);
        view->setGeometry(16, 16, 337, 337);
        view->bind(panel);
        openOnPress({box}, panel);
        page.show();
        QApplication::processEvents();
    }

    void openPanel() {
        QTest::mousePress(box, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier,
                          QPoint(400, 100));
        QTest::mouseRelease(box, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier,
                            QPoint(400, 100));
    }
    QPushButton* button(const char* name) { return view->findChild<QPushButton*>(name); }
    bool waitUntilEnabled(QPushButton* b) {
        return QTest::qWaitFor([b] { return b->isEnabled(); }, 20000);
    }
    // Pixels of the picture in the paint boxes' rectangle with the colour test.
    template <class Test> int countIn(const QImage& image, Test test) {
        int n = 0;
        for (int y = 72; y < 72 + 257; ++y)
            for (int x = 8; x < 8 + 321; ++x)
                n += test(image.pixelColor(x, y));
        return n;
    }

    QApplication& app = guiApp(); // before any widget
    test::TempDir dir;
    platform::ui::QtQuestions questions;
    RandomGenerator random;
    SecretPanel panel{questions, random};
    QWidget page;
    QGroupBox* box = nullptr;
    SecretPanelView* view = nullptr;
};

TEST_F(SecretPanelViewTest, ShiftCtrlPressOpensThePanelAndAClickOnALabelOrPaintBoxClosesIt) {
    EXPECT_FALSE(view->isVisible());
    QTest::mousePress(box, Qt::LeftButton, Qt::ShiftModifier, QPoint(400, 100));
    QTest::mousePress(box, Qt::LeftButton, Qt::ControlModifier, QPoint(400, 100));
    EXPECT_FALSE(view->isVisible());
    openPanel();
    ASSERT_TRUE(view->isVisible());
    EXPECT_TRUE(view->findChild<PaintBoxView*>("PB1")->isVisible());
    EXPECT_EQ(view->findChild<QLabel*>("CngrLb")->text(), "CONGRATULATION :)");
    EXPECT_EQ(view->findChild<QLabel*>("L13")->text(), "Thank you for using VKR'97");
    EXPECT_EQ(button("FernBn")->text(), "&Fern");
    EXPECT_EQ(button("SunBn")->text(), "&Sun");

    QTest::mouseClick(view->findChild<QLabel*>("L11"), Qt::LeftButton);
    EXPECT_FALSE(view->isVisible());
    openPanel();
    QTest::mouseClick(view->findChild<PaintBoxView*>("PB2"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(panel.visible());
}

TEST_F(SecretPanelViewTest, FernIsDrawnInRedsWhileItsButtonIsDisabled) {
    openPanel();
    QTest::mouseClick(button("FernBn"), Qt::LeftButton);
    EXPECT_FALSE(button("FernBn")->isEnabled());
    EXPECT_TRUE(button("SunBn")->isEnabled());
    ASSERT_TRUE(waitUntilEnabled(button("FernBn")));
    QApplication::processEvents();
    screenshot(view, "hidden-fern");
    const QImage shot = view->grab().toImage();
    const int reds =
        countIn(shot, [](QColor c) { return c.red() > 0 && c.green() == 0 && c.blue() == 0; });
    EXPECT_GT(reds, 3000);
    // The fern stands on its tip in the middle: nothing of it lies in the
    // box's first 40 columns.
    const int left = countIn(shot.copy(0, 0, 48, 337), [](QColor c) {
        return c.red() > 0 && c.green() == 0 && c.blue() == 0;
    });
    EXPECT_EQ(left, 0);
}

TEST_F(SecretPanelViewTest, SetPictureIsBlackInsideAndLeavesTheFarPointsUntouched) {
    openPanel();
    const QColor face = view->grab().toImage().pixelColor(8 + 2, 72 + 2);
    QTest::mouseClick(button("SunBn"), Qt::LeftButton);
    EXPECT_FALSE(button("SunBn")->isEnabled());
    ASSERT_TRUE(waitUntilEnabled(button("SunBn")));
    QApplication::processEvents();
    screenshot(view, "hidden-sun");
    const QImage shot = view->grab().toImage();
    EXPECT_EQ(shot.pixelColor(8 + 160, 72 + 160), QColor(Qt::black)); // c = 0
    EXPECT_EQ(shot.pixelColor(8 + 2, 72 + 2), face);                  // c = -2 - 1.6i
    const int black = countIn(shot, [](QColor c) { return c == QColor(Qt::black); });
    EXPECT_GT(black, 5000);
}

TEST_F(SecretPanelViewTest, BothDrawingsRunTogetherAndClosingMidwayStopsThemCleanly) {
    openPanel();
    QTest::mouseClick(button("SunBn"), Qt::LeftButton);
    QTest::mouseClick(button("FernBn"), Qt::LeftButton);
    EXPECT_FALSE(button("SunBn")->isEnabled());
    EXPECT_FALSE(button("FernBn")->isEnabled());
    ASSERT_TRUE(waitUntilEnabled(button("SunBn")));
    ASSERT_TRUE(waitUntilEnabled(button("FernBn")));
    QApplication::processEvents();
    screenshot(view, "hidden-both");

    // Started again and stopped at once, as the main window's close does.
    QTest::mouseClick(button("SunBn"), Qt::LeftButton);
    QTest::mouseClick(button("FernBn"), Qt::LeftButton);
    panel.stopDrawings();
    EXPECT_TRUE(button("SunBn")->isEnabled());
    EXPECT_TRUE(button("FernBn")->isEnabled());
    QApplication::processEvents();
}

} // namespace
} // namespace velkan::hidden::ui
