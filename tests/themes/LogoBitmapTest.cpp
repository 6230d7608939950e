// The logo's bitmap writer and reader: what the saver writes, the logo loader
// takes again; hostile bitmaps decode as nothing.
#include "themes/LogoBitmap.h"

#include <gtest/gtest.h>

using namespace velkan::themes;

namespace {

std::uint32_t le32(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
           static_cast<std::uint8_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}

Bitmap4 stripes(int width, int height) {
    Bitmap4 b;
    b.width = width;
    b.height = height;
    for (int i = 0; i < 16; ++i)
        b.palette[i] = 0x00111111u * static_cast<std::uint32_t>(i);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.pixels.push_back(static_cast<std::uint8_t>((x + 3 * y) % 16));
    return b;
}

// The RLE4 form of a picture: each row as runs of two alternating pixels,
// rows bottom first, each ended by end-of-line.
std::string rleFile(const Bitmap4& b) {
    std::string plain = encodeBitmap4(b);
    std::string data;
    for (int row = b.height - 1; row >= 0; --row) {
        for (int x = 0; x < b.width; x += 2) {
            const int n = std::min(2, b.width - x);
            const std::uint8_t hi = b.at(x, row), lo = n > 1 ? b.at(x + 1, row) : 0;
            data += static_cast<char>(n);
            data += static_cast<char>(hi << 4 | lo);
        }
        data += std::string("\0\0", 2);
    }
    data += std::string("\0\1", 2);
    std::string file = plain.substr(0, 118) + data;
    file[14 + 16] = 2; // BI_RLE4
    return file;
}

} // namespace

TEST(LogoBitmap, APlainLogoRoundTripsInTheLoadersLayout) {
    const Bitmap4 logo = stripes(21, 130);
    const std::string file = encodeBitmap4(logo);
    // What the logo loader looks at: header size 40, width 21, height, 4 bits,
    // and 64 + 1560 bytes of palette and rows right after the header.
    ASSERT_EQ(file.size(), 14u + 40 + 64 + 1560);
    EXPECT_EQ(le32(file, 14), 40u);
    EXPECT_EQ(le32(file, 18), 21u);
    EXPECT_EQ(le32(file, 22), 130u);
    EXPECT_EQ(le32(file, 26) >> 16, 4u);
    EXPECT_EQ(le32(file, 30), 0u);
    EXPECT_EQ(le32(file, 10), 118u);
    const auto back = decodeBitmap4(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, logo.pixels);
    EXPECT_EQ(back->palette, logo.palette);
}

TEST(LogoBitmap, RunLengthLogosDecodeToTheSamePicture) {
    const Bitmap4 logo = stripes(21, 57);
    const auto back = decodeBitmap4(rleFile(logo));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->height, 57);
    EXPECT_EQ(back->pixels, logo.pixels);
}

TEST(LogoBitmap, HostileFilesDecodeAsNothingOrStayInsideThePicture) {
    const std::string good = encodeBitmap4(stripes(21, 130));
    auto with32 = [&](std::size_t at, std::uint32_t v) {
        std::string f = good;
        for (int i = 0; i < 4; ++i)
            f[at + i] = static_cast<char>(v >> (8 * i));
        return f;
    };
    EXPECT_FALSE(decodeBitmap4(""));
    EXPECT_FALSE(decodeBitmap4(good.substr(0, 60)));        // ends in the header
    EXPECT_FALSE(decodeBitmap4(good.substr(0, 118 + 100))); // rows cut short
    EXPECT_FALSE(decodeBitmap4(with32(18, 0x7FFFFFFF)));    // absurd width
    EXPECT_FALSE(decodeBitmap4(with32(14, 0xFFFFFFF0)));    // header past the end
    EXPECT_FALSE(decodeBitmap4(with32(46, 300)));           // more than 16 colours
    EXPECT_FALSE(decodeBitmap4("XY" + good.substr(2)));
    // A data offset pointing outside the file falls back to after the palette.
    EXPECT_TRUE(decodeBitmap4(with32(10, 0xFFFFFF00)));
    // RLE runs and deltas that leave the picture are cut at its edges.
    std::string rle = rleFile(stripes(21, 4));
    rle.resize(118);
    rle += std::string("\xFF\x12\0\2\xFF\xFF\x05\x34\0\x05\x12\x34\x50\0", 14);
    auto odd = decodeBitmap4(rle);
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->pixels.size(), 21u * 4);
}

TEST(LogoBitmap, SizeComesFromTheHeader) {
    const auto size = bitmapSize(encodeBitmap4(stripes(21, 57)));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 21);
    EXPECT_EQ(size->height, 57);
    EXPECT_FALSE(bitmapSize("BM short"));
}
