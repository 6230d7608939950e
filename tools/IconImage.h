#pragma once

#include "tools/Canvas.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velkan::machine {

// One icon image exactly as Windows stores it in an .ico file after the
// directory and in an RT_ICON resource: a BITMAPINFOHEADER whose height is
// doubled (colour rows plus mask rows), the palette, the colour (XOR) rows and
// the 1-bit AND mask rows, both bottom row first and each row padded to a
// multiple of 4 bytes. Transparent canvas pixels are set in the mask and black
// in the colour rows, as Windows' own icons have them.
struct IconImage {
    int width = 0;
    int height = 0;
    int bitCount = 0; // 4 or 8
    std::vector<std::uint8_t> bytes;
};

// 4 bpp uses vgaPalette(), 8 bpp palette256().
IconImage encodeIconImage(const Canvas& canvas, int bitCount, Dither dither = Dither::None);

// Sizes of the parts of an icon image.
std::size_t iconRowBytes(int width, int bitCount);
std::size_t iconMaskRowBytes(int width);
std::size_t iconImageSize(int width, int height, int bitCount);

// The 16-byte .ico directory entry's and the 14-byte group-icon entry's
// colour count: 16 for 4 bpp, 0 for 8 bpp and more.
std::uint8_t iconColourCount(int bitCount);

// An .ico file: the 6-byte header, one 16-byte directory entry per image and
// the images in that order. One 16-colour 32x32 image gives 766 bytes.
std::vector<std::uint8_t> makeIcoFile(const std::vector<IconImage>& images);

} // namespace velkan::machine
