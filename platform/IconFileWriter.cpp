#include "platform/IconFileWriter.h"

namespace velkan::platform {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::size_t rowBytes(int width, int bitCount) {
    return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
}

} // namespace

const std::array<std::uint32_t, 16>& standardPalette16() {
    static constexpr std::array<std::uint32_t, 16> kPalette = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    return kPalette;
}

int nearestStandardColour(std::uint32_t rgb) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t c = standardPalette16()[i];
        const long dr = static_cast<long>((rgb >> 16) & 0xFF) - ((c >> 16) & 0xFF);
        const long dg = static_cast<long>((rgb >> 8) & 0xFF) - ((c >> 8) & 0xFF);
        const long db = static_cast<long>(rgb & 0xFF) - (c & 0xFF);
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

std::vector<std::uint8_t> writeIconFile16(const Icon& icon) {
    const int w = icon.width, h = icon.height;
    const std::size_t colourStride = rowBytes(w, 4), maskStride = rowBytes(w, 1);
    const std::size_t colourSize = colourStride * h, maskSize = maskStride * h;
    const std::size_t imageSize = 40 + 64 + colourSize + maskSize;

    std::vector<std::uint8_t> out;
    out.reserve(22 + imageSize);
    put16(out, 0);
    put16(out, 1);
    put16(out, 1);
    out.push_back(static_cast<std::uint8_t>(w >= 256 ? 0 : w));
    out.push_back(static_cast<std::uint8_t>(h >= 256 ? 0 : h));
    out.push_back(16);
    out.push_back(0);
    put16(out, 0);
    put16(out, 0);
    put32(out, static_cast<std::uint32_t>(imageSize));
    put32(out, 22);

    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(w));
    put32(out, static_cast<std::uint32_t>(h * 2));
    put16(out, 1);
    put16(out, 4);
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(colourSize));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (std::uint32_t c : standardPalette16()) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(0);
    }

    auto transparent = [&icon](int x, int y) {
        return icon.hasAlpha ? (icon.pixel(x, y) >> 24) < 128 : icon.masked(x, y);
    };
    const std::size_t colourAt = out.size();
    out.resize(colourAt + colourSize + maskSize, 0);
    for (int row = 0; row < h; ++row) {
        const int y = h - 1 - row;
        std::uint8_t* colour = out.data() + colourAt + row * colourStride;
        std::uint8_t* mask = out.data() + colourAt + colourSize + row * maskStride;
        for (int x = 0; x < w; ++x) {
            const bool clear = transparent(x, y);
            // A masked pixel of a plain icon keeps its colour (it inverts the
            // screen where it is not black); an alpha image's clear pixel is black.
            const int index =
                clear && icon.hasAlpha ? 0 : nearestStandardColour(icon.pixel(x, y) & 0xFFFFFF);
            colour[x / 2] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
            if (clear)
                mask[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return out;
}

} // namespace velkan::platform
