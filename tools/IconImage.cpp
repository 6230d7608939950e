#include "tools/IconImage.h"

#include "tools/DibBytes.h"

#include <stdexcept>

namespace velkan::machine {

std::size_t iconRowBytes(int width, int bitCount) {
    return dib::paddedRowBytes(width, bitCount);
}

std::size_t iconMaskRowBytes(int width) {
    return dib::paddedRowBytes(width, 1);
}

std::size_t iconImageSize(int width, int height, int bitCount) {
    const std::size_t paletteBytes = bitCount <= 8 ? (std::size_t{1} << bitCount) * 4 : 0;
    return 40 + paletteBytes +
           static_cast<std::size_t>(height) *
               (iconRowBytes(width, bitCount) + iconMaskRowBytes(width));
}

std::uint8_t iconColourCount(int bitCount) {
    return bitCount == 4 ? 16 : 0;
}

IconImage encodeIconImage(const Canvas& canvas, int bitCount, Dither dither) {
    if (bitCount != 4 && bitCount != 8)
        throw std::invalid_argument("icon images are written with 4 or 8 bits per pixel");
    const int w = canvas.width(), h = canvas.height();
    const std::span<const Rgb> palette =
        bitCount == 4 ? std::span<const Rgb>(vgaPalette()) : std::span<const Rgb>(palette256());

    IconImage image{w, h, bitCount, {}};
    auto& out = image.bytes;
    out.reserve(iconImageSize(w, h, bitCount));
    const auto xorBytes = static_cast<std::uint32_t>(iconRowBytes(w, bitCount) * h);
    const auto andBytes = static_cast<std::uint32_t>(iconMaskRowBytes(w) * h);
    dib::putInfoHeader(out, w, 2 * h, bitCount, xorBytes + andBytes);
    dib::putPalette(out, palette);
    dib::putIndexRows(out, quantize(canvas, palette, dither), w, h, bitCount);

    std::vector<std::uint8_t> mask(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            mask[static_cast<std::size_t>(y) * w + x] = canvas.opaque(x, y) ? 0 : 1;
    dib::putIndexRows(out, mask, w, h, 1);
    return image;
}

std::vector<std::uint8_t> makeIcoFile(const std::vector<IconImage>& images) {
    std::vector<std::uint8_t> out;
    dib::put16(out, 0);
    dib::put16(out, 1); // icon
    dib::put16(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const auto& image : images) {
        // A width or height of 256 is stored as 0.
        out.push_back(static_cast<std::uint8_t>(image.width));
        out.push_back(static_cast<std::uint8_t>(image.height));
        out.push_back(iconColourCount(image.bitCount));
        out.push_back(0);
        dib::put16(out, 1);
        dib::put16(out, static_cast<std::uint32_t>(image.bitCount));
        dib::put32(out, static_cast<std::uint32_t>(image.bytes.size()));
        dib::put32(out, offset);
        offset += static_cast<std::uint32_t>(image.bytes.size());
    }
    for (const auto& image : images)
        out.insert(out.end(), image.bytes.begin(), image.bytes.end());
    return out;
}

} // namespace velkan::machine
