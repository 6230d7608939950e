#include "themes/LogoBitmap.h"

#include <cstdlib>

namespace velkan::themes {

namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;
constexpr int kMaxSide = 4096;
constexpr std::uint32_t kRle4 = 2;

std::uint32_t le32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
std::uint16_t le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                      static_cast<std::uint8_t>(b[at + 1]) << 8);
}
void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

std::size_t rowBytes(int width) {
    return ((static_cast<std::size_t>(width) * 4 + 31) / 32) * 4;
}

// BI_RLE4 into `bitmap` (rows stored bottom first when `bottomUp`). Runs that
// leave the picture are cut at its edge; the data ends at end-of-bitmap or
// where the file ends.
void decodeRle4(std::string_view data, Bitmap4& bitmap, bool bottomUp) {
    int x = 0, row = 0;
    auto put = [&](std::uint8_t index) {
        if (x < bitmap.width && row < bitmap.height) {
            const int y = bottomUp ? bitmap.height - 1 - row : row;
            bitmap.pixels[static_cast<std::size_t>(y) * bitmap.width + x] = index & 0x0F;
        }
        ++x;
    };
    std::size_t i = 0;
    while (i + 1 < data.size() && row < bitmap.height) {
        const auto count = static_cast<std::uint8_t>(data[i]);
        const auto value = static_cast<std::uint8_t>(data[i + 1]);
        i += 2;
        if (count > 0) {
            for (int n = 0; n < count; ++n)
                put(n % 2 == 0 ? value >> 4 : value & 0x0F);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (i + 1 >= data.size())
                break;
            x += static_cast<std::uint8_t>(data[i]);
            row += static_cast<std::uint8_t>(data[i + 1]);
            i += 2;
        } else { // absolute run of `value` pixels, padded to 16 bits
            const std::size_t bytes = (value + 1) / 2;
            if (i + bytes > data.size())
                break;
            for (int n = 0; n < value; ++n) {
                const auto b = static_cast<std::uint8_t>(data[i + n / 2]);
                put(n % 2 == 0 ? b >> 4 : b & 0x0F);
            }
            i += (bytes + 1) & ~std::size_t{1};
        }
    }
}

} // namespace

std::optional<BitmapSize> bitmapSize(std::string_view file) {
    if (file.size() < kFileHeader + 12 || le32(file, kFileHeader) < 12)
        return std::nullopt;
    return BitmapSize{static_cast<std::int32_t>(le32(file, kFileHeader + 4)),
                      static_cast<std::int32_t>(le32(file, kFileHeader + 8))};
}

std::optional<Bitmap4> decodeBitmap4(std::string_view file) {
    if (file.size() < kFileHeader + kInfoHeader || file[0] != 'B' || file[1] != 'M')
        return std::nullopt;
    const std::uint32_t headerSize = le32(file, kFileHeader);
    const auto width = static_cast<std::int32_t>(le32(file, kFileHeader + 4));
    const auto height = static_cast<std::int32_t>(le32(file, kFileHeader + 8));
    const std::uint16_t bitCount = le16(file, kFileHeader + 14);
    const std::uint32_t compression = le32(file, kFileHeader + 16);
    const std::uint32_t colorsUsed = le32(file, kFileHeader + 32);
    if (headerSize < kInfoHeader || headerSize > file.size() || bitCount != 4 || width <= 0 ||
        width > kMaxSide || height == 0 || std::abs(static_cast<long>(height)) > kMaxSide ||
        (compression != 0 && compression != kRle4) || colorsUsed > 16)
        return std::nullopt;

    Bitmap4 bitmap;
    bitmap.width = width;
    bitmap.height = static_cast<int>(std::abs(static_cast<long>(height)));
    const bool bottomUp = height > 0;
    const std::size_t paletteAt = kFileHeader + headerSize;
    const std::size_t paletteCount = colorsUsed == 0 ? 16 : colorsUsed;
    if (paletteAt + 4 * paletteCount > file.size())
        return std::nullopt;
    for (std::size_t i = 0; i < paletteCount; ++i)
        bitmap.palette[i] = le32(file, paletteAt + 4 * i) & 0x00FFFFFF;

    // Pixels start where the file header says, or right after the palette
    // when that offset points nowhere useful.
    std::size_t dataAt = le32(file, 10);
    if (dataAt < paletteAt + 4 * paletteCount || dataAt >= file.size())
        dataAt = paletteAt + 4 * paletteCount;
    const std::string_view data = file.substr(std::min(dataAt, file.size()));

    bitmap.pixels.assign(static_cast<std::size_t>(bitmap.width) * bitmap.height, 0);
    if (compression == kRle4) {
        decodeRle4(data, bitmap, bottomUp);
        return bitmap;
    }
    const std::size_t stride = rowBytes(bitmap.width);
    if (data.size() < stride * bitmap.height)
        return std::nullopt;
    for (int row = 0; row < bitmap.height; ++row) {
        const int y = bottomUp ? bitmap.height - 1 - row : row;
        for (int x = 0; x < bitmap.width; ++x) {
            const auto b = static_cast<std::uint8_t>(data[row * stride + x / 2]);
            bitmap.pixels[static_cast<std::size_t>(y) * bitmap.width + x] =
                x % 2 == 0 ? b >> 4 : b & 0x0F;
        }
    }
    return bitmap;
}

std::string encodeBitmap4(const Bitmap4& bitmap) {
    const std::size_t stride = rowBytes(bitmap.width);
    const std::size_t dataAt = kFileHeader + kInfoHeader + 64;
    const std::size_t imageSize = stride * bitmap.height;
    std::string out;
    out.reserve(dataAt + imageSize);
    out += "BM";
    put32(out, static_cast<std::uint32_t>(dataAt + imageSize));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(dataAt));
    put32(out, kInfoHeader);
    put32(out, static_cast<std::uint32_t>(bitmap.width));
    put32(out, static_cast<std::uint32_t>(bitmap.height));
    put16(out, 1);
    put16(out, 4);
    put32(out, 0); // BI_RGB
    put32(out, static_cast<std::uint32_t>(imageSize));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (std::uint32_t rgb : bitmap.palette)
        put32(out, rgb & 0x00FFFFFF);
    for (int row = 0; row < bitmap.height; ++row) {
        const int y = bitmap.height - 1 - row;
        std::string line(stride, '\0');
        for (int x = 0; x < bitmap.width; ++x) {
            const std::uint8_t index = bitmap.at(x, y) & 0x0F;
            line[x / 2] = static_cast<char>(static_cast<std::uint8_t>(line[x / 2]) |
                                            (x % 2 == 0 ? index << 4 : index));
        }
        out += line;
    }
    return out;
}

} // namespace velkan::themes
