#include "caption/ui/CaptionControl.h"

#include "platform/SysColors.h"
#include "platform/ui/Win95Look.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace velkan::caption::ui {
namespace {

using namespace platform;

QApplication& app() {
    static int argc = 1;
    static char name[] = "captionui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        auto* a = new QApplication(argc, argv);
        platform::ui::applyWin95Look(*a);
        return a;
    }();
    return *instance;
}

QImage grabWindow(QWidget& w, const char* name) {
    QApplication::processEvents();
    QImage image = w.grab().toImage();
    QDir().mkpath(VELKAN_SCREENSHOT_DIR);
    image.save(QString(VELKAN_SCREENSHOT_DIR) + "/" + name + ".png");
    return image;
}

COLORREF pixel(const QImage& image, int x, int y) {
    QColor c = image.pixelColor(x, y);
    return RGB(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}

bool anyPixel(const QImage& image, QRect area, COLORREF colour) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (pixel(image, x, y) == colour)
                return true;
    return false;
}

void activate(QWidget& w) {
    QApplication::setActiveWindow(&w);
    w.activateWindow();
    QApplication::processEvents();
}

// A fixed dialog like the main window: close box only.
struct Dialog {
    Dialog() {
        dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        dialog.setFixedSize(300, 120);
        dialog.setWindowTitle("Hello");
        label = new QLabel("Client", &dialog);
        label->setObjectName("ClientLabel");
        label->setGeometry(10, 20, 80, 16);
        caption = std::make_unique<TCaptionControl>(&dialog);
    }
    // The application comes first: each test may run alone in its own process.
    QApplication& application = app();
    QDialog dialog;
    QLabel* label;
    std::unique_ptr<TCaptionControl> caption;
};

TEST(CaptionControlTest, OwnerMustBeAForm) {
    app();
    QWidget window;
    QLabel child(&window);
    QObject plain;
    try {
        TCaptionControl control(&child);
        FAIL() << "a child widget was accepted";
    } catch (const ECaptionError& e) {
        EXPECT_STREQ(e.what(), "Owner must be a form.");
    }
    EXPECT_THROW(TCaptionControl{&plain}, ECaptionError);
    EXPECT_THROW(TCaptionControl{nullptr}, ECaptionError);
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(CaptionControlTest, GradientBarOverTheClientArea) {
    Dialog d;
    d.caption->setCaptionGradient(cgAlways);
    EXPECT_EQ(d.caption->borderStyle(), bsDialog);
    EXPECT_EQ(d.caption->borderIcons(), TBorderIcons(biSystemMenu));
    d.dialog.show();
    activate(d.dialog);
    ASSERT_TRUE(d.caption->isActive());

    // The client keeps its size; frame and caption come around it.
    EXPECT_TRUE(d.dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(d.dialog.size(), QSize(306, 145));
    EXPECT_EQ(d.caption->clientArea()->size(), QSize(300, 120));
    EXPECT_EQ(d.label->mapTo(&d.dialog, QPoint(0, 0)), QPoint(13, 42));
    EXPECT_EQ(d.caption->captionRect(), QRect(3, 3, 300, 18));

    QImage image = grabWindow(d.dialog, "caption-gradient-active");
    EXPECT_EQ(pixel(image, 4, 10), RGB(0, 0, 0)) << "black at the left";
    EXPECT_EQ(pixel(image, 301, 4), GetSysColor(COLOR_ACTIVECAPTION))
        << "caption colour at the right";
    EXPECT_NE(pixel(image, 150, 4), pixel(image, 40, 4)) << "a gradient, not one colour";
    EXPECT_TRUE(anyPixel(image, QRect(6, 5, 40, 14), RGB(255, 255, 255))) << "white text";
    EXPECT_EQ(pixel(image, 0, 0), GetSysColor(COLOR_3DLIGHT)) << "the dialog frame";
    EXPECT_EQ(pixel(image, 305, 144), GetSysColor(COLOR_3DDKSHADOW));

    // A new title is painted with the bar.
    d.dialog.setWindowTitle("");
    image = grabWindow(d.dialog, "caption-gradient-untitled");
    EXPECT_FALSE(anyPixel(image, QRect(6, 5, 40, 14), RGB(255, 255, 255)));
}

TEST(CaptionControlTest, ActiveOnlyGradientFollowsActivation) {
    Dialog d;
    d.caption->setCaptionGradient(cgActive);
    d.dialog.show();
    activate(d.dialog);
    QImage active = grabWindow(d.dialog, "caption-cgactive-active");
    EXPECT_EQ(pixel(active, 4, 10), RGB(0, 0, 0));
    EXPECT_TRUE(anyPixel(active, QRect(6, 5, 40, 14), RGB(255, 255, 255)));

    QWidget other;
    other.show();
    activate(other);
    ASSERT_FALSE(d.caption->isActive());
    QImage inactive = grabWindow(d.dialog, "caption-cgactive-inactive");
    EXPECT_EQ(pixel(inactive, 4, 10), GetSysColor(COLOR_INACTIVECAPTION)) << "solid, no gradient";
    EXPECT_EQ(pixel(inactive, 301, 4), GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_FALSE(anyPixel(inactive, QRect(6, 5, 40, 14), RGB(255, 255, 255)));
    EXPECT_TRUE(anyPixel(inactive, QRect(6, 5, 40, 14), GetSysColor(COLOR_INACTIVECAPTIONTEXT)));

    // cgNone paints the solid caption colours in both states.
    d.caption->setCaptionGradient(cgNone);
    activate(d.dialog);
    QImage solid = grabWindow(d.dialog, "caption-solid-active");
    EXPECT_EQ(pixel(solid, 4, 10), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_TRUE(anyPixel(solid, QRect(6, 5, 40, 14), GetSysColor(COLOR_CAPTIONTEXT)));
}

TEST(CaptionControlTest, DisabledGivesTheWindowItsOwnDecorationBack) {
    Dialog d;
    d.caption->setCaptionGradient(cgAlways);
    d.dialog.show();
    d.caption->setEnabled(false);
    EXPECT_FALSE(d.dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(d.dialog.size(), QSize(300, 120));
    EXPECT_EQ(d.label->mapTo(&d.dialog, QPoint(0, 0)), QPoint(10, 20));
    EXPECT_TRUE(d.caption->captionRect().isEmpty());
    EXPECT_TRUE(d.dialog.isVisible());
    QImage plain = grabWindow(d.dialog, "caption-disabled");
    EXPECT_EQ(pixel(plain, 4, 10), GetSysColor(COLOR_BTNFACE));

    d.caption->setEnabled(true);
    EXPECT_EQ(d.dialog.size(), QSize(306, 145));
    EXPECT_EQ(pixel(grabWindow(d.dialog, "caption-reenabled"), 4, 10), RGB(0, 0, 0));

    // Freeing the control hands the window back as well.
    d.caption.reset();
    EXPECT_FALSE(d.dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(d.dialog.size(), QSize(300, 120));
    EXPECT_EQ(d.dialog.findChild<QLabel*>("ClientLabel"), d.label);
}

TEST(CaptionControlTest, CloseBoxClosesAndTheCaptionMovesTheWindow) {
    Dialog d;
    d.dialog.show();
    d.dialog.move(50, 60);
    activate(d.dialog);
    const QPoint grip(100, 10);
    QTest::mousePress(&d.dialog, Qt::LeftButton, {}, grip);
    QTest::mouseMove(&d.dialog, grip + QPoint(30, 15));
    QTest::mouseRelease(&d.dialog, Qt::LeftButton, {}, grip + QPoint(30, 15));
    EXPECT_EQ(d.dialog.pos(), QPoint(80, 75));

    // The close box sits at the right end of the bar.
    const QPoint close(3 + 290, 3 + 9);
    QTest::mousePress(&d.dialog, Qt::LeftButton, {}, close);
    QImage pressed = grabWindow(d.dialog, "caption-close-pressed");
    EXPECT_EQ(pixel(pressed, 3 + 282, 3 + 2), GetSysColor(COLOR_3DDKSHADOW)) << "drawn pushed";
    QTest::mouseRelease(&d.dialog, Qt::LeftButton, {}, close);
    EXPECT_FALSE(d.dialog.isVisible());
}

TEST(CaptionControlTest, DrawCaptionEventChangesOrDrawsTheText) {
    Dialog d;
    d.caption->setCaptionGradient(cgAlways);
    std::string seen;
    Rect seenRect;
    d.caption->OnDrawCaption = [&](TCaptionControl&, std::string& text, QPainter&, Rect r,
                                   bool& drawn) {
        seen = text;
        seenRect = r;
        EXPECT_FALSE(drawn);
        text = "";
    };
    d.dialog.show();
    QImage emptied = grabWindow(d.dialog, "caption-draw-event-emptied");
    EXPECT_EQ(seen, "Hello");
    // The work rectangle: after the left edge and 2 more, up to the close box.
    EXPECT_EQ(seenRect, (Rect{3, 0, 280, 18}));
    EXPECT_FALSE(anyPixel(emptied, QRect(6, 5, 40, 14), RGB(255, 255, 255)));

    d.caption->OnDrawCaption = [](TCaptionControl&, std::string&, QPainter& dc, Rect r,
                                  bool& drawn) {
        dc.fillRect(r.left, r.top, 10, r.height(), Qt::red);
        drawn = true;
    };
    d.caption->repaintFrame();
    QImage own = grabWindow(d.dialog, "caption-draw-event-own");
    EXPECT_EQ(pixel(own, 3 + 5, 10), RGB(255, 0, 0));
    EXPECT_FALSE(anyPixel(own, QRect(16, 5, 40, 14), RGB(255, 255, 255)));
}

TEST(CaptionControlTest, ToolWindowsAndFramelessOwners) {
    app();
    QWidget tool(nullptr, Qt::Tool);
    tool.setFixedSize(200, 60);
    tool.setWindowTitle("Tool");
    TCaptionControl toolCaption(&tool);
    EXPECT_EQ(toolCaption.borderStyle(), bsToolWindow);
    toolCaption.Buttons().add({"", true, true, false, cbkOk});
    toolCaption.setShowButtons(true);
    bool clicked = false;
    toolCaption.OnButtonClick = [&](TCaptionControl&, int, bool&) { clicked = true; };
    tool.show();
    grabWindow(tool, "caption-tool-window");
    EXPECT_EQ(tool.size(), QSize(206, 60 + 3 + 16 + 3));
    EXPECT_EQ(toolCaption.captionRect(), QRect(3, 3, 200, 15));
    EXPECT_TRUE(toolCaption.buttonRect(0).isEmpty()) << "tool windows get no extra buttons";
    for (int x = 5; x < 200; x += 4)
        QTest::mouseClick(&tool, Qt::LeftButton, {}, QPoint(x, 10));
    EXPECT_FALSE(clicked);

    QWidget bare(nullptr, Qt::FramelessWindowHint);
    bare.resize(100, 50);
    TCaptionControl none(&bare);
    EXPECT_EQ(none.borderStyle(), bsNone);
    EXPECT_EQ(bare.size(), QSize(100, 50));
    EXPECT_TRUE(none.captionRect().isEmpty());
}

TEST(CaptionControlTest, RightClickPopsThePopupMenuAndColoursFollowTheScheme) {
    Dialog d;
    d.caption->setCaptionGradient(cgAlways);
    QMenu menu;
    menu.addAction("Hello");
    d.caption->setPopupMenu(&menu);
    d.dialog.show();
    activate(d.dialog);
    QTest::mouseClick(&d.dialog, Qt::RightButton, {}, QPoint(100, 10));
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    activate(d.dialog);

    ScopedSysColor scheme(COLOR_ACTIVECAPTION, RGB(128, 0, 0));
    EXPECT_EQ(pixel(grabWindow(d.dialog, "caption-before-scheme"), 301, 4), RGB(0, 0, 128));
    d.caption->systemColoursChanged();
    EXPECT_EQ(pixel(grabWindow(d.dialog, "caption-after-scheme"), 301, 4), RGB(128, 0, 0));
}

// A sizeable window with a strip of every kind of extra button.
TEST(CaptionButtonsTest, StripOfEveryKindReportsClicksAndTogglesPushed) {
    app();
    QWidget window;
    window.setWindowTitle("Buttons");
    window.resize(520, 80);
    auto caption = std::make_unique<TCaptionControl>(&window);
    caption->setCaptionGradient(cgAlways);
    EXPECT_EQ(caption->borderStyle(), bsSizeable);
    TCaptionButtonsList& buttons = caption->Buttons();
    for (int kind = 0; kind < kCaptionButtonKinds; ++kind)
        buttons.add({kind == cbkCustom ? "A" : "", true, true, false, TCaptionButtonKind(kind)});
    const int separator = buttons.count();
    buttons.add({"-", true, true, false, cbkCustom});
    const int invisible = buttons.count();
    buttons.add({"", true, false, false, cbkMail});
    const int disabled = buttons.count();
    buttons.add({"", false, true, false, cbkWindow});
    const int disabledText = buttons.count();
    buttons.add({"", false, true, false, cbkFolder});
    std::vector<int> clicks;
    caption->OnButtonClick = [&](TCaptionControl& sender, int index, bool& pushed) {
        EXPECT_EQ(&sender, caption.get());
        clicks.push_back(index);
        pushed = !pushed;
    };
    caption->setShowButtons(true);
    window.show();
    activate(window);
    QImage strip = grabWindow(window, "caption-buttons");

    ASSERT_FALSE(caption->buttonRect(0).isEmpty());
    EXPECT_TRUE(caption->buttonRect(separator).isEmpty());
    EXPECT_TRUE(caption->buttonRect(invisible).isEmpty());
    const QRect last = caption->buttonRect(cbkCool);
    EXPECT_EQ(caption->buttonRect(disabled).left() - last.left(), 2 + 2 * 16)
        << "the separator's 2 pixels and the invisible button's place";
    const QRect ok = caption->buttonRect(cbkOk);
    EXPECT_EQ(pixel(strip, ok.left(), ok.top()), GetSysColor(COLOR_3DLIGHT)) << "raised";
    EXPECT_TRUE(anyPixel(strip, ok.adjusted(3, 3, -3, -3), RGB(0, 0, 0))) << "the check mark";

    // Pressed: drawn pushed until the release.
    QTest::mousePress(&window, Qt::LeftButton, {}, ok.center());
    QImage down = grabWindow(window, "caption-buttons-pressed");
    EXPECT_EQ(pixel(down, ok.left(), ok.top()), GetSysColor(COLOR_3DDKSHADOW));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, ok.center());
    EXPECT_EQ(clicks, std::vector<int>{cbkOk});
    EXPECT_TRUE(buttons.item(cbkOk)->Pushed) << "the handler made it a toggle";
    QImage latched = grabWindow(window, "caption-buttons-latched");
    EXPECT_EQ(pixel(latched, ok.left(), ok.top()), GetSysColor(COLOR_3DDKSHADOW));

    // Let go elsewhere: nothing reported.
    const QRect more = caption->buttonRect(cbkMore);
    QTest::mousePress(&window, Qt::LeftButton, {}, more.center());
    QTest::mouseMove(&window, QPoint(60, 40));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(clicks.size(), 1u);

    // A disabled button still reports; the separator's and the invisible
    // button's places do not.
    QTest::mouseClick(&window, Qt::LeftButton, {}, caption->buttonRect(disabled).center());
    EXPECT_EQ(clicks.back(), disabled);
    const QPoint gap(last.left() + 26, last.center().y());
    QTest::mouseClick(&window, Qt::LeftButton, {}, gap);
    QTest::mouseClick(&window, Qt::LeftButton, {}, ok.center());
    EXPECT_EQ(clicks, (std::vector<int>{cbkOk, disabled, cbkOk}));
    EXPECT_FALSE(buttons.item(cbkOk)->Pushed);
    buttons.item(disabledText)->Pushed = true;
    caption->repaintFrame();
    grabWindow(window, "caption-buttons-after");

    // Without the strip nothing is hit.
    caption->setShowButtons(false);
    grabWindow(window, "caption-buttons-hidden");
    QTest::mouseClick(&window, Qt::LeftButton, {}, ok.center());
    EXPECT_EQ(clicks.size(), 3u);

    // The frame's bottom-right corner sizes the window.
    const QSize before = window.size();
    const QPoint corner(before.width() - 2, before.height() - 2);
    QTest::mousePress(&window, Qt::LeftButton, {}, corner);
    QTest::mouseMove(&window, corner + QPoint(40, 30));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, corner + QPoint(40, 30));
    EXPECT_EQ(window.size(), before + QSize(40, 30));
    EXPECT_EQ(caption->clientArea()->size(), before + QSize(40 - 8, 30 - 4 - 19 - 4));

    // On the left, the caption text follows the strip.
    caption->setShowButtons(true);
    caption->setButtonsDirection(dirLeft);
    grabWindow(window, "caption-buttons-left");
    EXPECT_LT(caption->buttonRect(0).left(), 30);
}

} // namespace
} // namespace velkan::caption::ui
