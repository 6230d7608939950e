#include "platform/IconImageDecoder.h"

#include <algorithm>
#include <bit>

namespace velkan::platform {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitFields = 3;

struct ChannelMask {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit ChannelMask(std::uint32_t m) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::popcount(m);
        }
    }
    // The channel scaled to 8 bits.
    std::uint32_t take(std::uint32_t value) const {
        if (!mask)
            return 0;
        std::uint32_t v = (value & mask) >> shift;
        if (bits >= 8)
            return (v >> (bits - 8)) & 0xFF;
        // Full scale of a narrow channel is 255.
        return v * 255 / ((1u << bits) - 1);
    }
};

std::size_t rowBytes(int width, int bitCount) {
    return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
}

} // namespace

std::optional<Icon> decodeDibIcon(ByteView image) {
    const std::uint32_t headerSize = image.u32(0);
    if (image.bad() || (headerSize != 12 && headerSize < 40) || headerSize > image.size())
        return std::nullopt;

    int width = 0, fullHeight = 0, bitCount = 0;
    std::uint32_t compression = kBiRgb, colorsUsed = 0;
    std::size_t paletteEntry = 4;
    if (headerSize == 12) {
        // BITMAPCOREHEADER, as some icons of the Windows 3 era carry.
        width = image.u16(4);
        fullHeight = static_cast<std::int16_t>(image.u16(6));
        bitCount = image.u16(10);
        paletteEntry = 3;
    } else {
        width = image.i32(4);
        fullHeight = image.i32(8);
        bitCount = image.u16(14);
        compression = image.u32(16);
        colorsUsed = image.u32(32);
    }
    if (image.bad())
        return std::nullopt;
    // Icons are bottom-up with the mask rows counted in the height.
    const int height = fullHeight / 2;
    if (width <= 0 || width > kMaxIconEdge || height <= 0 || height > kMaxIconEdge)
        return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return std::nullopt;
    if (compression != kBiRgb &&
        !(compression == kBiBitFields && (bitCount == 16 || bitCount == 32)))
        return std::nullopt;

    std::size_t offset = headerSize;
    std::vector<std::uint32_t> palette;
    if (bitCount <= 8) {
        std::size_t entries = colorsUsed ? colorsUsed : (1u << bitCount);
        if (entries > (1u << bitCount))
            entries = 1u << bitCount;
        if (!image.has(offset, entries * paletteEntry))
            return std::nullopt;
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t at = offset + i * paletteEntry;
            palette.push_back(0xFF000000u | image.u8(at + 2) << 16 | image.u8(at + 1) << 8 |
                              image.u8(at));
        }
        offset += entries * paletteEntry;
        palette.resize(1u << bitCount, 0xFF000000u);
    }

    ChannelMask red(0x7C00), green(0x03E0), blue(0x001F), alpha(0);
    if (bitCount == 32)
        red = ChannelMask(0x00FF0000), green = ChannelMask(0x0000FF00),
        blue = ChannelMask(0x000000FF), alpha = ChannelMask(0xFF000000);
    if (compression == kBiBitFields) {
        // The three masks follow a 40-byte header; larger headers hold them.
        const std::size_t at = headerSize == 40 ? offset : 40;
        red = ChannelMask(image.u32(at));
        green = ChannelMask(image.u32(at + 4));
        blue = ChannelMask(image.u32(at + 8));
        alpha = ChannelMask(headerSize >= 56 ? image.u32(52) : 0);
        if (image.bad())
            return std::nullopt;
        if (headerSize == 40)
            offset += 12;
    }

    const std::size_t xorStride = rowBytes(width, bitCount);
    const std::size_t andStride = rowBytes(width, 1);
    const std::size_t xorSize = xorStride * height;
    if (!image.has(offset, xorSize))
        return std::nullopt;
    const std::size_t maskOffset = offset + xorSize;
    // A 32-bit image may come without its mask; its alpha says it all.
    const bool hasMask = image.has(maskOffset, andStride * height);
    if (!hasMask && bitCount != 32)
        return std::nullopt;

    Icon icon;
    icon.width = width;
    icon.height = height;
    icon.bitCount = bitCount;
    icon.pixels.resize(static_cast<std::size_t>(width) * height);
    icon.mask.resize(icon.pixels.size());
    const std::uint8_t* bits = image.data();
    bool anyAlpha = false;
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* src = bits + offset + static_cast<std::size_t>(row) * xorStride;
        const int y = height - 1 - row;
        std::uint32_t* dst = icon.pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = 0;
            switch (bitCount) {
            case 1:
                p = palette[(src[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                p = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 15];
                break;
            case 8:
                p = palette[src[x]];
                break;
            case 24:
                p = 0xFF000000u | src[x * 3 + 2] << 16 | src[x * 3 + 1] << 8 | src[x * 3];
                break;
            case 16:
            case 32: {
                std::uint32_t v = bitCount == 16
                                      ? static_cast<std::uint32_t>(src[x * 2] | src[x * 2 + 1] << 8)
                                      : static_cast<std::uint32_t>(src[x * 4]) |
                                            static_cast<std::uint32_t>(src[x * 4 + 1]) << 8 |
                                            static_cast<std::uint32_t>(src[x * 4 + 2]) << 16 |
                                            static_cast<std::uint32_t>(src[x * 4 + 3]) << 24;
                std::uint32_t a = alpha.mask ? alpha.take(v) : 0;
                anyAlpha |= a != 0;
                p = a << 24 | red.take(v) << 16 | green.take(v) << 8 | blue.take(v);
                break;
            }
            }
            dst[x] = p;
        }
        if (hasMask) {
            const std::uint8_t* m = bits + maskOffset + static_cast<std::size_t>(row) * andStride;
            for (int x = 0; x < width; ++x)
                icon.mask[static_cast<std::size_t>(y) * width + x] = (m[x / 8] >> (7 - x % 8)) & 1;
        }
    }
    // An alpha channel of zeros is no alpha channel: the mask decides.
    icon.hasAlpha = anyAlpha;
    if (!anyAlpha && (bitCount == 16 || bitCount == 32))
        for (auto& p : icon.pixels)
            p |= 0xFF000000u;
    if (anyAlpha && !hasMask)
        for (std::size_t i = 0; i < icon.pixels.size(); ++i)
            icon.mask[i] = (icon.pixels[i] >> 24) == 0;
    return icon;
}

std::optional<Icon> decodeIconImage(ByteView image) {
    if (isPng(image))
        return decodePngIcon(image);
    return decodeDibIcon(image);
}

} // namespace velkan::platform
