#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Icon containers built byte by byte for the reader tests, from the file
// format descriptions and independently of the program's readers.
namespace velkan::test::icons {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v);
void put32(Bytes& b, std::uint32_t v);
void set32(Bytes& b, std::size_t at, std::uint32_t v);

// Pixel (x, y) of a test picture as 0xAARRGGBB, top row first.
using PixelFn = std::function<std::uint32_t(int x, int y)>;

// An icon image as .ico files and RT_ICON resources hold it: BITMAPINFOHEADER
// (height doubled), palette, XOR rows and AND rows, bottom row first. For 1, 4
// and 8 bits the pixel's low byte is its palette index and `palette` the
// colours; 16 bits is 5-5-5; 24 and 32 take the pixel as it is. The mask bit
// is set where the pixel's alpha is 0.
Bytes dibImage(int width, int height, int bitCount, const PixelFn& pixel,
               const std::vector<std::uint32_t>& palette = {});
// An RGBA PNG image through libpng.
Bytes pngImage(int width, int height, const PixelFn& pixel);

struct Image {
    int width, height, bitCount;
    Bytes data;
};
// An .ico file holding `images` in order.
Bytes icoFile(const std::vector<Image>& images);
// An RT_GROUP_ICON resource naming `images` as icons firstId, firstId + 1, ...
Bytes groupResource(const std::vector<Image>& images, std::uint16_t firstId);

struct Resource {
    std::uint16_t type;
    std::uint32_t id; // a number, or with `name` a string name
    std::u16string name;
    Bytes data;
};
// A PE module with one .rsrc section holding `resources` in the order given
// (the directory keeps that order, so tests can give an unsorted one).
Bytes peModule(const std::vector<Resource>& resources, bool pe32Plus = false);
// A 16-bit NE module with the resources in one resource table, in order.
Bytes neModule(const std::vector<Resource>& resources, int alignShift = 4);

// A simple picture whose every pixel is distinct per (seed, x, y).
std::uint32_t testColour(int seed, int x, int y);

} // namespace velkan::test::icons
