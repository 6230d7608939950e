#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QStyleFactory>
#include <gtest/gtest.h>

// The windows of the product are tested as real Qt windows on the offscreen
// platform; this pins that such a window can be made, styled and grabbed here.
TEST(OffscreenWindow, ShowsAndGrabsAClassicStyledWindow) {
    int argc = 1;
    char name[] = "ui_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ASSERT_EQ(QGuiApplication::platformName(), "offscreen");
    ASSERT_TRUE(QStyleFactory::keys().contains("Windows"));
    app.setStyle(QStyleFactory::create("Windows"));

    QPushButton button("&OK");
    button.resize(75, 23);
    button.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(button.isVisible());

    QImage shot = button.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(75, 23));
    // The face of a classic button is not one flat colour: bevels and text differ from it.
    QRgb face = shot.pixel(5, 3);
    bool differs = false;
    for (int y = 0; y < shot.height() && !differs; ++y)
        for (int x = 0; x < shot.width() && !differs; ++x)
            differs = shot.pixel(x, y) != face;
    EXPECT_TRUE(differs);
}
