#pragma once

#include "tools/Canvas.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velkan::machine {

// A 16-colour device-independent bitmap without file header: the 40-byte
// BITMAPINFOHEADER, the 64-byte VGA palette (blue, green, red, 0) and the
// pixel rows, bottom row first, each padded to a multiple of 4 bytes. This is
// how the Start-menu logo lies in the shell file, with its rows 104 bytes after
// the header's first byte.
std::vector<std::uint8_t> encodeDib16(const Canvas& canvas, Dither dither = Dither::None);

// The same bitmap as a .bmp file: the 14-byte BITMAPFILEHEADER (bfOffBits 118)
// followed by encodeDib16(). A 21x130 picture gives 1678 bytes.
std::vector<std::uint8_t> encodeBmp16File(const Canvas& canvas, Dither dither = Dither::None);

std::size_t dib16RowBytes(int width);

} // namespace velkan::machine
