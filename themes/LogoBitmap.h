#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The Start-menu logo as a picture: a 16-colour bitmap decoded from a .bmp or
// .rle file (plain or 4-bit run-length encoded) and written back as a plain
// 16-colour .bmp, the layout the logo loader accepts. The file is a stranger's:
// every offset and count is checked, and a file that lies decodes as nothing.
namespace velkan::themes {

struct Bitmap4 {
    int width = 0;
    int height = 0;                          // rows, top row first in `pixels`
    std::array<std::uint32_t, 16> palette{}; // 0x00RRGGBB
    std::vector<std::uint8_t> pixels;        // one palette index per pixel

    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Its width and height as its header gives them (height signed, as stored).
struct BitmapSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
std::optional<BitmapSize> bitmapSize(std::string_view file);

// A 4-bit bitmap file, uncompressed or BI_RLE4, at most 4096 pixels a side.
std::optional<Bitmap4> decodeBitmap4(std::string_view file);

// The 14-byte file header, the 40-byte BITMAPINFOHEADER, all 16 palette
// entries right after it and the rows bottom first, uncompressed.
std::string encodeBitmap4(const Bitmap4& bitmap);

} // namespace velkan::themes
