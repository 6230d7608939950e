#include "tests/tools/IconReader.h"
#include "tools/Bitmap16.h"
#include "tools/Canvas.h"
#include "tools/IconImage.h"

#include <gtest/gtest.h>

using namespace velkan::machine;

namespace {

std::string asString(const std::vector<std::uint8_t>& v) {
    return {v.begin(), v.end()};
}

std::uint32_t u32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

// The Start-button icon loader's test, step by step: header size and width of
// the first image at offset 22, then the exact file size of that width's row.
bool startButtonIconAccepted(const std::string& file) {
    const struct {
        std::uint32_t width;
        std::size_t size;
    } rows[] = {{10, 246}, {12, 270}, {14, 294}, {16, 318}, {22, 478}, {32, 766}};
    if (file.size() < 34 || u32(file, 22) != 40)
        return false;
    for (auto row : rows)
        if (row.width == u32(file, 26))
            return file.size() == row.size;
    return false;
}

// The logo loader's test: header size 40, width 21, height at most 130, 4 bits.
bool logoAccepted(const std::string& file) {
    if (file.size() < 34)
        return false;
    const auto height = static_cast<std::int32_t>(u32(file, 22));
    const std::uint32_t bitCount = u32(file, 26) >> 16;
    return u32(file, 14) == 40 && u32(file, 18) == 21 && height <= 130 && (bitCount & 0xF) == 4;
}

// A picture whose four corners differ, so a flipped or shifted row order shows.
Canvas cornerPicture(int w, int h) {
    Canvas c(w, h, vga::Silver);
    c.set(0, 0, vga::Red);
    c.set(w - 1, 0, vga::Lime);
    c.set(0, h - 1, vga::Blue);
    c.set(w - 1, h - 1, vga::Yellow);
    c.erase(1, 0); // transparent, next to the red corner
    return c;
}

std::uint32_t argbOf(Rgb c) {
    return 0xFF000000u | c.r << 16 | c.g << 8 | c.b;
}

} // namespace

TEST(IconImage, SingleSixteenColourIconsHaveTheSizesTheStartButtonLoaderAccepts) {
    for (int size : {10, 12, 14, 16, 22, 32}) {
        SCOPED_TRACE(size);
        const IconImage image = encodeIconImage(cornerPicture(size, size), 4);
        const std::string file = asString(makeIcoFile({image}));
        EXPECT_TRUE(startButtonIconAccepted(file));
        EXPECT_EQ(image.bytes.size() + 22, file.size());
        EXPECT_EQ(iconImageSize(size, size, 4), image.bytes.size());
        // Directory entry: width, height, 16 colours, offset 22.
        EXPECT_EQ(static_cast<unsigned char>(file[6]), size);
        EXPECT_EQ(static_cast<unsigned char>(file[7]), size);
        EXPECT_EQ(static_cast<unsigned char>(file[8]), 16);
        EXPECT_EQ(u32(file, 14), image.bytes.size());
        EXPECT_EQ(u32(file, 18), 22u);
        EXPECT_EQ(u32(file, 30), static_cast<std::uint32_t>(2 * size)) << "height is doubled";
    }
    // What the loader must refuse: 256 colours, or two images in one file.
    const Canvas c = cornerPicture(16, 16);
    EXPECT_FALSE(startButtonIconAccepted(asString(makeIcoFile({encodeIconImage(c, 8)}))));
    EXPECT_FALSE(startButtonIconAccepted(
        asString(makeIcoFile({encodeIconImage(c, 4), encodeIconImage(cornerPicture(32, 32), 4)}))));
}

TEST(IconImage, RowsAreBottomUpAndPaddedAndTheMaskMarksTransparentPixels) {
    // Odd widths exercise the row padding of both the colour and the mask rows.
    for (int bits : {4, 8})
        for (auto [w, h] : {std::pair{10, 10}, {22, 22}, {13, 7}, {32, 32}, {33, 5}}) {
            SCOPED_TRACE(std::to_string(bits) + " bpp " + std::to_string(w) + "x" +
                         std::to_string(h));
            const Canvas c = cornerPicture(w, h);
            const IconImage image = encodeIconImage(c, bits);
            std::string error;
            auto decoded = velkan::test::decodeIconImage(asString(image.bytes), error);
            ASSERT_TRUE(decoded) << error;
            ASSERT_EQ(decoded->width, w);
            ASSERT_EQ(decoded->height, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const std::uint32_t got = decoded->argb[y * w + x];
                    if (c.opaque(x, y))
                        ASSERT_EQ(got, argbOf(c.pixel(x, y))) << x << "," << y;
                    else
                        ASSERT_EQ(got, 0u) << "transparent pixels are black with the mask set";
                }
        }
}

TEST(Bitmap16, LogoFilesPassTheLogoLoaderAndHoldTheirRowsRightAfterThePalette) {
    const std::vector<std::uint8_t> tall = encodeBmp16File(cornerPicture(21, 130));
    const std::string file = asString(tall);
    EXPECT_TRUE(logoAccepted(file));
    // The loader copies the palette and rows from offset 54: 64 + 1560 bytes fill
    // the logo area exactly.
    EXPECT_EQ(file.size(), 54u + 64 + 1560);
    EXPECT_EQ(u32(file, 10), 118u);
    EXPECT_EQ(u32(file, 2), file.size());
    EXPECT_EQ(u32(file, 30), 0u) << "uncompressed";

    const std::string shortLogo = asString(encodeBmp16File(cornerPicture(21, 57)));
    EXPECT_TRUE(logoAccepted(shortLogo));
    EXPECT_EQ(shortLogo.size() - 54, 64u + 684);
    EXPECT_FALSE(logoAccepted(asString(encodeBmp16File(cornerPicture(21, 131)))));
    EXPECT_FALSE(logoAccepted(asString(encodeBmp16File(cornerPicture(22, 57)))));

    std::string error;
    auto decoded = velkan::test::decodeBmp4(file, error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->argb[0], argbOf(vga::Red));
    EXPECT_EQ(decoded->argb[20], argbOf(vga::Lime));
    EXPECT_EQ(decoded->argb[129 * 21], argbOf(vga::Blue));
    EXPECT_EQ(decoded->argb[129 * 21 + 20], argbOf(vga::Yellow));

    // The bare form that lies in the shell file: rows start 104 bytes in.
    const std::vector<std::uint8_t> dib = encodeDib16(cornerPicture(21, 130));
    ASSERT_EQ(dib.size(), 104u + 1560);
    EXPECT_TRUE(std::equal(dib.begin(), dib.end(), tall.begin() + 14));
}

TEST(Canvas, QuantizesToTheStandardPalettesAndClipsDrawing) {
    // The VGA order Windows uses for 4-bit images.
    EXPECT_EQ(vgaPalette()[1], (Rgb{128, 0, 0}));
    EXPECT_EQ(vgaPalette()[7], (Rgb{192, 192, 192}));
    EXPECT_EQ(vgaPalette()[8], (Rgb{128, 128, 128}));
    EXPECT_EQ(vgaPalette()[12], (Rgb{0, 0, 255}));
    // The 256-colour palette starts with the same 16 and holds no duplicates
    // of them in its first entries' positions.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(palette256()[i], vgaPalette()[i]);

    Canvas c(4, 2);
    c.fillRect(-5, -5, 100, 1, vga::White); // clipped, no crash
    c.line(-10, 1, 10, 1, Rgb{250, 10, 10});
    c.set(99, 99, vga::Red);
    const auto indexes = quantize(c, vgaPalette());
    EXPECT_EQ(indexes[0], 0) << "row 0 lies above the clipped rectangle";
    EXPECT_FALSE(c.opaque(0, 0));
    EXPECT_EQ(indexes[4], 9) << "near-red goes to red";
    EXPECT_EQ(palette256()[nearestIndex(Rgb{51, 102, 153}, palette256())], (Rgb{51, 102, 153}));
}
