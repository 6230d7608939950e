#include "platform/Icon.h"

namespace velkan::platform {

std::uint32_t Icon::rgba(int x, int y) const {
    const std::uint32_t p = pixel(x, y);
    if (hasAlpha)
        return p;
    return masked(x, y) ? (p & 0x00FFFFFFu) : (p | 0xFF000000u);
}

Icon scaleIcon(const Icon& icon, int width, int height) {
    if (icon.width == width && icon.height == height)
        return icon;
    Icon out;
    out.width = width;
    out.height = height;
    out.bitCount = icon.bitCount;
    out.hasAlpha = icon.hasAlpha;
    out.pixels.resize(static_cast<std::size_t>(width) * height);
    out.mask.resize(out.pixels.size());
    for (int y = 0; y < height; ++y) {
        const int sy = y * icon.height / height;
        for (int x = 0; x < width; ++x) {
            const int sx = x * icon.width / width;
            const std::size_t from = static_cast<std::size_t>(sy) * icon.width + sx;
            const std::size_t to = static_cast<std::size_t>(y) * width + x;
            out.pixels[to] = icon.pixels[from];
            out.mask[to] = icon.mask[from];
        }
    }
    return out;
}

} // namespace velkan::platform
