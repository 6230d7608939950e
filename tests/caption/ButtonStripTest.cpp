#include "caption/ButtonStrip.h"

#include "caption/ButtonsLayout.h"
#include "caption/CaptionModel.h"
#include "platform/SystemMetrics.h"

#include <gtest/gtest.h>

namespace velkan::caption {
namespace {

TCaptionButtonsList strip(std::initializer_list<TCaptionButton> items) {
    TCaptionButtonsList list;
    for (const auto& b : items)
        list.add(b);
    return list;
}

// The caption bar of a 300-pixel dialog: window x = bar x + 3.
const Rect kCaption{3, 3, 297, 21};

TEST(ButtonStripTest, LayoutWithASeparatorAndAnInvisibleButton) {
    auto list = strip({{"", true, true, false, cbkOk},
                       {"-", true, true, false, cbkCustom},
                       {"", true, false, false, cbkMail},
                       {"", true, true, false, cbkMore}});
    // Right of the strip: the standard buttons starting at 276.
    StripLayout right = layoutStrip(list, dirRight, {1, 0, 274, 18}, 276, 14);
    // 276 - 16 - 4 - 16 - 16 = 224
    EXPECT_EQ(right.firstButtonLeft, 224);
    EXPECT_EQ(right.work.right, 222);
    ASSERT_EQ(right.buttons.size(), 4u);
    EXPECT_EQ(right.buttons[0], (Rect{224, 2, 240, 16}));
    EXPECT_FALSE(right.buttons[1]);
    EXPECT_FALSE(right.buttons[2]) << "invisible buttons are not drawn";
    // The separator moves the strip by 2, the invisible button by a whole button.
    EXPECT_EQ(right.buttons[3], (Rect{258, 2, 274, 16}));

    StripLayout left = layoutStrip(list, dirLeft, {1, 0, 274, 18}, 276, 14);
    EXPECT_EQ(left.firstButtonLeft, 3);
    EXPECT_EQ(left.buttons[0], (Rect{3, 2, 19, 16}));
    EXPECT_EQ(left.buttons[3], (Rect{37, 2, 53, 16}));
    EXPECT_EQ(left.work.left, 55);
    EXPECT_EQ(left.work.right, 274);
}

TEST(ButtonStripTest, HitTestSkipsSeparatorsAndInvisibleButtons) {
    auto list = strip({{"", true, true, false, cbkOk},
                       {"-", true, true, false, cbkCustom},
                       {"", true, true, false, cbkFolder},
                       {"", true, false, false, cbkCustom},
                       {"", false, true, false, cbkFlag}});
    const int first = 200;
    // Button 0 spans 202..217, then the separator moves 2, button 2 spans 220..235.
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {202, 10}), 0);
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {217, 10}), 0);
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {219, 10}), -1) << "the separator's gap";
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {220, 10}), 2);
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {235, 10}), 2);
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {236, 10}), -1) << "invisible";
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {251, 10}), -1) << "invisible";
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {252, 10}), 4) << "disabled still hits";
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {201, 10}), -1);
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {210, 2}), -1) << "above the bar";
    EXPECT_EQ(hitTestStrip(list, kCaption, first, 14, {210, 21}), -1) << "below the bar";

    EXPECT_EQ(
        hitTestStrip(strip({{"-", true, true, false, cbkCustom}}), kCaption, first, 14, {203, 10}),
        -1);
    EXPECT_EQ(hitTestStrip({}, kCaption, first, 14, {203, 10}), -1);
}

TEST(CaptionModelTest, PressMoveAndReleaseReportOnlyClicksOnThePressedButton) {
    CaptionModel model;
    model.Buttons.add({"", true, true, false, cbkOk});
    model.Buttons.add({"", true, true, false, cbkMore});
    const Point onFirst{205, 10}, onSecond{222, 10}, outside{100, 10};
    EXPECT_FALSE(model.press(kCaption, onFirst)) << "nothing is hit before a strip is drawn";
    model.recordStrip(200, 14);
    model.clearStrip();
    EXPECT_EQ(model.hitTest(kCaption, onFirst), -1) << "a hidden strip is not hit";

    model.recordStrip(200, 14);
    EXPECT_FALSE(model.press(kCaption, outside));
    EXPECT_EQ(model.pressedIndex(), -1);
    EXPECT_FALSE(model.move(kCaption, onFirst)) << "moves without a press change nothing";

    ASSERT_TRUE(model.press(kCaption, onFirst));
    EXPECT_EQ(model.pressedIndex(), 0);
    EXPECT_FALSE(model.drawnPushed(0)) << "an enabled button looks pushed at the first move";
    EXPECT_TRUE(model.move(kCaption, onFirst));
    EXPECT_TRUE(model.drawnPushed(0));
    EXPECT_FALSE(model.move(kCaption, onFirst)) << "no repaint while nothing changes";
    EXPECT_TRUE(model.move(kCaption, onSecond));
    EXPECT_FALSE(model.drawnPushed(0));
    EXPECT_FALSE(model.drawnPushed(1));
    EXPECT_EQ(model.release(kCaption, onSecond), std::nullopt) << "let go elsewhere";
    EXPECT_EQ(model.pressedIndex(), -1);

    ASSERT_TRUE(model.press(kCaption, onSecond));
    model.move(kCaption, onSecond);
    EXPECT_EQ(model.release(kCaption, onSecond), 1);
    EXPECT_FALSE(model.pressShown());

    model.Buttons.item(0)->Enabled = false;
    ASSERT_TRUE(model.press(kCaption, onFirst));
    model.move(kCaption, onFirst);
    EXPECT_FALSE(model.drawnPushed(0)) << "a disabled button never shows the press";
    EXPECT_EQ(model.release(kCaption, onFirst), 0) << "but its click is reported";

    model.Buttons.item(1)->Pushed = true;
    EXPECT_TRUE(model.drawnPushed(1));
}

TEST(CaptionModelTest, PropertiesStylesAndColours) {
    using namespace platform;
    CaptionModel model;
    EXPECT_EQ(model.captionGradient(), cgNone);
    EXPECT_FALSE(model.showButtons());
    EXPECT_EQ(model.captionDirection(), dirLeft);
    EXPECT_EQ(model.buttonsDirection(), dirRight);
    EXPECT_EQ(model.windowDirection(), dirLeft);
    EXPECT_FALSE(model.rtlReading());
    EXPECT_TRUE(model.enabled());
    EXPECT_FALSE(model.active());

    EXPECT_TRUE(model.setCaptionGradient(cgActive));
    EXPECT_FALSE(model.setCaptionGradient(cgActive));
    EXPECT_TRUE(model.setShowButtons(true));
    EXPECT_TRUE(model.setButtonsDirection(dirLeft));
    EXPECT_TRUE(model.setEnabled(false));

    // The caption direction changes the style at once, but paints later.
    EXPECT_FALSE(model.setCaptionDirection(dirRight));
    EXPECT_EQ(model.extendedStyle(), WS_EX_RIGHT);
    model.setCaptionDirection(dirLeft);
    EXPECT_EQ(model.extendedStyle(), 0u);

    // Without Middle-East support the reading order stays.
    model.setWindowDirection(dirRight);
    model.setRtlReading(true);
    EXPECT_EQ(model.windowDirection(), dirLeft);
    EXPECT_FALSE(model.rtlReading());
    EXPECT_EQ(model.extendedStyle(), 0u);
    {
        ScopedSystemMetric middleEast(SM_MIDEASTENABLED, 1);
        model.setWindowDirection(dirRight);
        model.setRtlReading(true);
        EXPECT_EQ(model.extendedStyle(), WS_EX_LEFTSCROLLBAR | WS_EX_RTLREADING);
        model.setRtlReading(false);
        EXPECT_EQ(model.extendedStyle(), WS_EX_LEFTSCROLLBAR);
    }

    // cgActive: gradient and white text only while active.
    model.setActive(true);
    EXPECT_TRUE(model.paintsGradient());
    EXPECT_EQ(model.textColour(), RGB(255, 255, 255));
    model.setActive(false);
    EXPECT_FALSE(model.paintsGradient());
    EXPECT_EQ(model.solidColour(), GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_EQ(model.textColour(), GetSysColor(COLOR_INACTIVECAPTIONTEXT));
    model.setCaptionGradient(cgAlways);
    EXPECT_TRUE(model.paintsGradient());
    EXPECT_EQ(model.textColour(), RGB(255, 255, 255));
    model.setCaptionGradient(cgNone);
    model.setActive(true);
    EXPECT_EQ(model.solidColour(), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(model.textColour(), GetSysColor(COLOR_CAPTIONTEXT));

    ScopedSysColor scheme(COLOR_ACTIVECAPTION, RGB(126, 0, 0));
    EXPECT_NE(model.gradientTable()[1][63], RGB(126, 0, 0)) << "built once";
    model.rebuildGradientTable();
    EXPECT_EQ(model.gradientTable()[1][63], RGB(126, 0, 0));
}

TEST(ButtonsLayoutTest, RoundTripAndUnknownKinds) {
    TCaptionButtonsList list;
    EXPECT_EQ(writeButtonsLayout(list), "") << "an empty list is not stored";
    list.add({"About", true, true, false, cbkMore});
    list.add({"-", true, true, false, cbkCustom});
    list.add({"It's\tme", false, false, true, cbkCool});
    const std::string text = writeButtonsLayout(list);
    EXPECT_EQ(text.substr(0, 69),
              "Buttons.Buttons = (\n  'About'\n  True\n  True\n  False\n  'cbkMore'\n  '-'");
    EXPECT_NE(text.find("'It''s'#9'me'"), std::string::npos) << text;

    TCaptionButtonsList read;
    read.add({.Caption = "old"});
    ASSERT_TRUE(readButtonsLayout(text, read).ok());
    ASSERT_EQ(read.count(), 3);
    EXPECT_EQ(read.item(0)->Caption, "About");
    EXPECT_EQ(read.item(0)->Kind, cbkMore);
    EXPECT_TRUE(read.item(1)->isSeparator());
    const TCaptionButton& third = *read.item(2);
    EXPECT_EQ(third.Caption, "It's\tme");
    EXPECT_FALSE(third.Enabled);
    EXPECT_FALSE(third.Visible);
    EXPECT_TRUE(third.Pushed);
    EXPECT_EQ(third.Kind, cbkCool);
    EXPECT_EQ(writeButtonsLayout(read), text);

    // Kind names match exactly; anything else draws the Caption.
    ASSERT_TRUE(readButtonsLayout("('A' True True False 'cbkmore'\n 'B' True True False "
                                  "'cbkFancy' 'C' False True True 'cbkRightArrow')",
                                  read)
                    .ok());
    ASSERT_EQ(read.count(), 3);
    EXPECT_EQ(read.item(0)->Kind, cbkCustom);
    EXPECT_EQ(read.item(1)->Kind, cbkCustom);
    EXPECT_EQ(read.item(2)->Kind, cbkRightArrow);
    EXPECT_EQ(kindName(cbkWindow), "cbkWindow");

    // Malformed texts are errors naming the line, and leave the list empty.
    auto bad = readButtonsLayout("Buttons.Buttons = (\n  'A'\n  True\n  'x'", read);
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(read.count(), 0);
    EXPECT_NE(bad.error().message.find("line 4"), std::string::npos) << bad.error().message;
    EXPECT_FALSE(readButtonsLayout("('A' True True False)", read).ok());
    EXPECT_FALSE(readButtonsLayout("('A' True True Maybe 'cbkOk')", read).ok());
    EXPECT_FALSE(readButtonsLayout("('A", read).ok());
    EXPECT_FALSE(readButtonsLayout("Other = ()", read).ok());
    EXPECT_TRUE(readButtonsLayout("()", read).ok());
}

TEST(ButtonsListTest, OutOfRangeIndexesAreIgnored) {
    TCaptionButtonsList list;
    list.add({"a", true, true, false, cbkCustom});
    list.add({"b", true, true, false, cbkCustom});
    EXPECT_EQ(list.item(2), nullptr);
    EXPECT_EQ(list.item(-1), nullptr);
    list.remove(5);
    EXPECT_EQ(list.count(), 2);
    list.remove(0);
    EXPECT_EQ(list.item(0)->Caption, "b");
    list.clear();
    EXPECT_TRUE(list.empty());
}

} // namespace
} // namespace velkan::caption
