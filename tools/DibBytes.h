#pragma once

#include "tools/Canvas.h"

#include <cstdint>
#include <span>
#include <vector>

// Little helpers shared by the icon, bitmap and PE writers: everything in
// these formats is little-endian.
namespace velkan::machine::dib {

inline void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline void poke16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void poke32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    poke16(out, at, v & 0xFFFF);
    poke16(out, at + 2, v >> 16);
}

// BITMAPINFOHEADER, 40 bytes.
inline void putInfoHeader(std::vector<std::uint8_t>& out, std::int32_t width, std::int32_t height,
                          int bitCount, std::uint32_t sizeImage) {
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(bitCount));
    put32(out, 0); // BI_RGB
    put32(out, sizeImage);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0); // all 2^bitCount colours are used
    put32(out, 0);
}

// RGBQUADs: blue, green, red, reserved.
inline void putPalette(std::vector<std::uint8_t>& out, std::span<const Rgb> palette) {
    for (Rgb c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
}

inline std::size_t paddedRowBytes(int width, int bitCount) {
    return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
}

// Pixel rows of palette indexes (top-down input), written bottom row first.
inline void putIndexRows(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& indexes,
                         int width, int height, int bitCount) {
    const std::size_t rowBytes = paddedRowBytes(width, bitCount);
    for (int y = height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t v = indexes[static_cast<std::size_t>(y) * width + x];
            if (bitCount == 8)
                row[x] = v;
            else if (bitCount == 4)
                row[x / 2] |= (x % 2 == 0) ? static_cast<std::uint8_t>(v << 4) : (v & 0x0F);
            else if (v)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

} // namespace velkan::machine::dib
