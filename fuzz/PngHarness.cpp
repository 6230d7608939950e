#include "fuzz/Harnesses.h"
#include "fuzz/IconCheck.h"
#include "fuzz/ScratchMachine.h"
#include "platform/IconImageDecoder.h"
#include "platform/IconLibrary.h"

#include <vector>

namespace velkan::fuzz {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

// An .ico file of one 32-bit entry whose image is the PNG, as newer icon
// editors save large icons; the entry claims the size the PNG header states.
std::vector<std::uint8_t> icoHolding(const std::uint8_t* png, std::size_t size) {
    std::uint8_t width = 0, height = 0;
    if (size >= 24) {
        width = png[19];  // low byte of the IHDR width
        height = png[23]; // and height; 0 stands for 256 in the entry
    }
    std::vector<std::uint8_t> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, 1);
    out.push_back(width);
    out.push_back(height);
    out.push_back(0);
    out.push_back(0);
    put16(out, 1);
    put16(out, 32);
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, 22);
    out.insert(out.end(), png, png + size);
    return out;
}

} // namespace

void fuzzPng(const std::uint8_t* data, std::size_t size) {
    const platform::ByteView bytes(data, size);
    auto direct = platform::decodePngIcon(bytes);
    if (direct) {
        checkIcon(*direct);
        if (direct->width > platform::kMaxIconEdge || direct->height > platform::kMaxIconEdge)
            fail("a PNG larger than the icon limit was decoded");
        for (std::size_t i = 0; i < direct->pixels.size(); ++i)
            if ((direct->mask[i] != 0) != ((direct->pixels[i] >> 24) == 0))
                fail("the mask of a PNG icon is not where its alpha is 0");
    }
    // The general decoder hands PNG data on by its signature alone.
    auto general = platform::decodeIconImage(bytes);
    if (platform::isPng(bytes) && general.has_value() != direct.has_value())
        fail("the icon decoder and the PNG decoder disagree");

    const platform::IconLibrary library(icoHolding(data, size));
    if (library.count() != 1)
        fail("an .ico file of one entry does not count one icon");
    if (auto choice = library.choose(0)) {
        checkIcon(choice->image);
        if (platform::isPng(bytes) && !direct)
            fail("a PNG that does not decode alone decoded inside an .ico file");
    }
    if (auto icon = library.icon(0)) {
        checkIcon(*icon);
        if (icon->width != platform::kLargeIconSize || icon->height != platform::kLargeIconSize)
            fail("ExtractIcon did not give a large icon");
    }
}

} // namespace velkan::fuzz
