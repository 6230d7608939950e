#pragma once

#include <cstdint>
#include <vector>

namespace velkan::platform {

// An icon as the system holds it once loaded: the colour (XOR) image and the
// AND mask, both top row first. Pixels are 0xAARRGGBB; the alpha byte is the
// image's own alpha when it has one, else 255.
struct Icon {
    int width = 0;
    int height = 0;
    int bitCount = 0; // depth of the image in its file (32 for PNG images)
    bool hasAlpha = false;
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint8_t> mask; // 1 where the AND mask is set

    std::uint32_t pixel(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
    bool masked(int x, int y) const { return mask[static_cast<std::size_t>(y) * width + x] != 0; }

    // The pixel as drawn over nothing: an alpha image keeps its alpha, any
    // other has alpha 0 where the mask is set and 255 elsewhere.
    std::uint32_t rgba(int x, int y) const;
};

// Nearest-neighbour resampling, as the system stretches an icon whose file
// holds no image of the wanted size.
Icon scaleIcon(const Icon& icon, int width, int height);

} // namespace velkan::platform
