#include "platform/SysColors.h"
#include "tests/appui/GuiFixture.h"
#include "tools/Install.h"
#include "tools/MachineBuilder.h"

#include <QTabWidget>
#include <gtest/gtest.h>

namespace velkan::test {
namespace {

using namespace platform;

COLORREF at(const QImage& image, int x, int y) {
    QColor c = image.pixelColor(x, y);
    return RGB(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}

TEST(MainWindowCaptionTest, TitleBarIsPaintedAsAGradientAroundTheUnchangedClientArea) {
    TempDir dir;
    ASSERT_TRUE(machine::createMachine(dir.path()).ok());
    ASSERT_TRUE(machine::installVelkan(dir.path()).ok());
    whenModal([](QWidget* box) { clickButton(box, "OK"); }); // the first-run notice
    GuiRun run(dir.path());
    run.start();
    auto& window = run.window();
    ASSERT_TRUE(window.isWindow());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));

    // A fixed dialog frame of 3 pixels and the 19-pixel caption around the
    // client area the form asks for.
    EXPECT_EQ(window.size(), QSize(run.form().width() + 6, run.form().height() + 25));
    auto* tabs = run.find<QTabWidget>("MainPC");
    EXPECT_EQ(tabs->mapTo(&window, QPoint(0, 0)), QPoint(3 + tabs->x(), 22 + tabs->y()));

    QApplication::processEvents();
    QImage image = window.grab().toImage();
    screenshot(&window, "main-window-caption");
    const int right = window.width() - 3 - 1;
    EXPECT_EQ(at(image, 4, 12), RGB(0, 0, 0)) << "black at the left of the bar";
    EXPECT_EQ(at(image, right, 4), GetSysColor(COLOR_ACTIVECAPTION))
        << "caption colour at the right";
    bool whiteText = false;
    for (int y = 6; y < 18; ++y)
        for (int x = 6; x < 120; ++x)
            whiteText |= at(image, x, y) == RGB(255, 255, 255);
    EXPECT_TRUE(whiteText);
    EXPECT_EQ(pendingModalActions(), 0);
}

} // namespace
} // namespace velkan::test
