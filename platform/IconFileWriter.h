#pragma once

#include "platform/Icon.h"

#include <array>
#include <cstdint>
#include <vector>

namespace velkan::platform {

// The 16 colours GetDIBits gives a 4-bit image (0x00RRGGBB): the VGA colours.
const std::array<std::uint32_t, 16>& standardPalette16();

// The palette index of the standard colour nearest to 0xRRGGBB (no dithering),
// the lower index on a tie.
int nearestStandardColour(std::uint32_t rgb);

// An .ico file of one 16-colour image with a 1-bit mask, as the icon browser
// saves icons: the 6-byte header, one directory entry (colour count 16,
// planes and bit count 0, image at offset 22), a 40-byte BITMAPINFOHEADER
// (height doubled, 4 bits), the standard palette, the colour rows and the mask
// rows, bottom row first. A 32x32 icon gives 766 bytes. Whatever the depth of
// the icon, its colours are converted to the nearest standard colour; an
// alpha image's mask is set where it is less than half opaque, and such
// pixels are black, as the system draws them.
std::vector<std::uint8_t> writeIconFile16(const Icon& icon);

} // namespace velkan::platform
