#include "tools/Bitmap16.h"

#include "tools/DibBytes.h"

namespace velkan::machine {

std::size_t dib16RowBytes(int width) {
    return dib::paddedRowBytes(width, 4);
}

std::vector<std::uint8_t> encodeDib16(const Canvas& canvas, Dither dither) {
    const int w = canvas.width(), h = canvas.height();
    std::vector<std::uint8_t> out;
    out.reserve(104 + dib16RowBytes(w) * h);
    dib::putInfoHeader(out, w, h, 4, static_cast<std::uint32_t>(dib16RowBytes(w) * h));
    dib::putPalette(out, vgaPalette());
    dib::putIndexRows(out, quantize(canvas, vgaPalette(), dither), w, h, 4);
    return out;
}

std::vector<std::uint8_t> encodeBmp16File(const Canvas& canvas, Dither dither) {
    const std::vector<std::uint8_t> dib = encodeDib16(canvas, dither);
    std::vector<std::uint8_t> out;
    out.reserve(14 + dib.size());
    out.push_back('B');
    out.push_back('M');
    dib::put32(out, static_cast<std::uint32_t>(14 + dib.size()));
    dib::put32(out, 0);
    dib::put32(out, 14 + 40 + 64);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

} // namespace velkan::machine
