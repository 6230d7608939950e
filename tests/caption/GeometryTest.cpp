#include "caption/ButtonGlyph.h"
#include "caption/CaptionGeometry.h"
#include "caption/Gradient.h"
#include "platform/SysColors.h"
#include "platform/SystemMetrics.h"

#include <gtest/gtest.h>

namespace velkan::caption {
namespace {

using namespace platform;

std::vector<int> bandOfEachPixel(int width) {
    std::vector<int> owner(std::size_t(width), -1);
    for (int band = 0; band < 64; ++band) {
        BandSpan span = gradientBand(width, band);
        for (int x = span.first; x < span.last; ++x)
            owner[std::size_t(x)] = band;
    }
    return owner;
}

TEST(CaptionGradientTest, BandsFollowTheBarWidthWithHalvesToEven) {
    auto narrow = bandOfEachPixel(64);
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(narrow[std::size_t(x)], x);

    // 1.5625 rounds to 2, 3.125 to 3.
    EXPECT_EQ(gradientBand(100, 0), (BandSpan{0, 2}));
    EXPECT_EQ(gradientBand(100, 1), (BandSpan{2, 3}));
    auto wide = bandOfEachPixel(100);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[1], 0);
    EXPECT_EQ(wide[2], 1);
    EXPECT_EQ(wide[99], 63);
    for (int x : wide)
        EXPECT_GE(x, 0) << "every pixel belongs to a band";

    // 0.5 rounds to 0: band 0 is empty and band 1 paints pixel 0.
    EXPECT_EQ(gradientBand(32, 0), (BandSpan{0, 0}));
    EXPECT_EQ(gradientBand(32, 1), (BandSpan{0, 1}));
    EXPECT_EQ(gradientBand(32, 63).last, 32);
}

TEST(CaptionGradientTest, RoundingAndTableRows) {
    EXPECT_EQ(roundHalfEven(0.5L), 0);
    EXPECT_EQ(roundHalfEven(1.5L), 2);
    EXPECT_EQ(roundHalfEven(2.5L), 2);
    EXPECT_EQ(roundHalfEven(2.5001L), 3);
    EXPECT_EQ(roundHalfEven(-0.5L), 0);

    GradientTable table = buildGradientTable();
    EXPECT_EQ(table[0][0], RGB(0, 0, 0));
    EXPECT_EQ(table[1][0], RGB(0, 0, 0));
    EXPECT_EQ(table[0][63], GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_EQ(table[1][63], GetSysColor(COLOR_ACTIVECAPTION));
    // 128 / 63 * 31 = 62.98...
    EXPECT_EQ(table[1][31], RGB(0, 0, 63));
    EXPECT_EQ(table[0][16], RGB(33, 33, 33));

    ScopedSysColor scheme(COLOR_ACTIVECAPTION, RGB(255, 10, 63));
    GradientTable own = buildGradientTable();
    EXPECT_EQ(own[1][63], RGB(255, 10, 63));
    EXPECT_EQ(own[1][1], RGB(4, 0, 1));
    for (int j = 1; j < 64; ++j)
        EXPECT_GE(GetRValue(own[1][std::size_t(j)]), GetRValue(own[1][std::size_t(j - 1)]));
}

TEST(CaptionGeometryTest, CaptionRectangleFollowsTheBorderStyle) {
    EXPECT_TRUE(captionRect(bsNone, 300, 200).empty());
    EXPECT_EQ(captionRect(bsDialog, 300, 200), (Rect{3, 3, 297, 21}));
    EXPECT_EQ(captionRect(bsSingle, 300, 200), (Rect{3, 3, 297, 21}));
    EXPECT_EQ(captionRect(bsSizeable, 300, 200), (Rect{4, 4, 296, 22}));
    EXPECT_EQ(captionRect(bsToolWindow, 300, 200), (Rect{3, 3, 297, 18}));
    EXPECT_EQ(captionRect(bsSizeToolWin, 300, 200), (Rect{4, 4, 296, 19}));
    EXPECT_EQ(nonClientMargins(bsDialog), (Margins{3, 22, 3, 3}));
    EXPECT_EQ(nonClientMargins(bsNone), (Margins{}));

    ScopedSystemMetric bigCaption(SM_CYCAPTION, 26);
    EXPECT_EQ(captionRect(bsDialog, 300, 200).bottom, 3 + 25);
}

TEST(CaptionGeometryTest, StandardButtonsPerBorderStyle) {
    const TBorderIcons all = biSystemMenu | biMinimize | biMaximize | biHelp;
    // A sizeable window: icon, then close, maximize and minimize from the right.
    CaptionLayout sizeable = layoutCaption(bsSizeable, all, false, 200, 18);
    ASSERT_TRUE(sizeable.hasIcon);
    EXPECT_EQ(sizeable.icon, (Rect{1, 1, 17, 17}));
    ASSERT_EQ(sizeable.buttons.size(), 3u);
    EXPECT_EQ(sizeable.buttons[0].glyph, CaptionGlyph::Close);
    EXPECT_EQ(sizeable.buttons[0].rect, (Rect{182, 2, 198, 16}));
    EXPECT_EQ(sizeable.buttons[1].glyph, CaptionGlyph::Maximize);
    EXPECT_EQ(sizeable.buttons[1].rect, (Rect{164, 2, 180, 16}));
    EXPECT_EQ(sizeable.buttons[2].glyph, CaptionGlyph::Minimize);
    EXPECT_EQ(sizeable.buttons[2].rect, (Rect{148, 2, 164, 16}));
    EXPECT_EQ(sizeable.work, (Rect{18, 0, 146, 18}));

    // Maximized shows restore; a missing minimize box greys that button.
    CaptionLayout maxOnly = layoutCaption(bsSizeable, biSystemMenu | biMaximize, true, 200, 18);
    ASSERT_EQ(maxOnly.buttons.size(), 3u);
    EXPECT_EQ(maxOnly.buttons[1].glyph, CaptionGlyph::Restore);
    EXPECT_FALSE(maxOnly.buttons[1].inactive);
    EXPECT_TRUE(maxOnly.buttons[2].inactive);

    // A dialog: no icon; help instead of the size buttons.
    CaptionLayout dialog = layoutCaption(bsDialog, all, false, 200, 18);
    EXPECT_FALSE(dialog.hasIcon);
    ASSERT_EQ(dialog.buttons.size(), 2u);
    EXPECT_EQ(dialog.buttons[1].glyph, CaptionGlyph::Help);
    EXPECT_EQ(dialog.buttons[1].rect, (Rect{164, 2, 180, 16}));
    EXPECT_EQ(dialog.work.left, 1);
    EXPECT_EQ(dialog.work.right, 162);
    CaptionLayout plain = layoutCaption(bsDialog, biSystemMenu, false, 200, 18);
    EXPECT_EQ(plain.buttons.size(), 1u);
    EXPECT_EQ(plain.buttonsLeft, 182);

    // A tool window: its small close button only.
    CaptionLayout tool = layoutCaption(bsToolWindow, all, false, 200, 15);
    ASSERT_EQ(tool.buttons.size(), 1u);
    EXPECT_EQ(tool.buttons[0].rect, (Rect{188, 2, 198, 13}));
    EXPECT_EQ(tool.work.right, 186);

    // Without a system menu nothing is drawn and the text keeps the width.
    CaptionLayout bare = layoutCaption(bsSingle, biMinimize, false, 200, 18);
    EXPECT_TRUE(bare.buttons.empty());
    EXPECT_FALSE(bare.hasIcon);
    EXPECT_EQ(bare.work.right, 200);
}

TEST(ButtonGlyphTest, ShapesInsideTheGlyphRectangle) {
    const Rect glyph{0, 0, 16, 14};
    EXPECT_EQ(shapeMargin(glyph), 2);
    EXPECT_EQ(shapeInner(glyph), (Rect{2, 2, 13, 11}));
    // Y = 2 + 9/2 = 6, X = 2 + 11/2 - 2 = 5.
    auto ok = okPolygon(glyph);
    const std::array<Point, 7> expected{
        {{2, 6}, {5, 11}, {6, 11}, {13, 2}, {12, 2}, {5, 9}, {4, 6}}};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(ok[i].x, expected[i].x) << i;
        EXPECT_EQ(ok[i].y, expected[i].y) << i;
    }
    // Wider glyphs: m = 30 * 17 / 100 = 5, and m / 3 truncates to 1.
    auto wide = okPolygon({10, 10, 40, 40});
    EXPECT_EQ(wide[0].x, 15);
    EXPECT_EQ(wide[0].y, 15 + (34 - 15) / 2);
    EXPECT_EQ(wide[5].x, 15 + (34 - 15) / 2 - 5 + 1);

    EXPECT_EQ(shapeRects(cbkRollUp, glyph), (std::vector<Rect>{{2, 2, 13, 4}}));
    EXPECT_EQ(shapeRects(cbkRollDown, glyph), (std::vector<Rect>{{2, 2, 13, 4}, {2, 9, 13, 11}}));
    EXPECT_EQ(shapeRects(cbkWindow, glyph), (std::vector<Rect>{{2, 2, 13, 11}, {2, 2, 13, 5}}));

    EXPECT_EQ(symbolFontHeight({0, 2, 16, 16}), -10); // -14 * 31 / 40 truncates toward zero
    EXPECT_EQ(glyphRect({5, 2, 21, 16}, true), (Rect{7, 4, 21, 16}));
    EXPECT_EQ(glyphRect({5, 2, 21, 16}, false), (Rect{5, 2, 21, 16}));

    TCaptionButton custom;
    custom.Caption = "Ab";
    EXPECT_EQ(glyphText(custom), "Ab");
    EXPECT_EQ(glyphStyle(cbkCustom), GlyphStyle::CaptionText);
    custom.Kind = cbkMore;
    EXPECT_EQ(glyphText(custom), "...");
    custom.Kind = cbkLeftArrow;
    EXPECT_EQ(glyphText(custom), "\xE7");
    EXPECT_EQ(glyphStyle(cbkCool), GlyphStyle::SymbolCharacter);
    EXPECT_EQ(glyphStyle(cbkOk), GlyphStyle::Shape);
}

} // namespace
} // namespace velkan::caption
