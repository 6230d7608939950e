#include "fuzz/Harnesses.h"
#include "fuzz/IconCheck.h"
#include "platform/IconFileWriter.h"
#include "platform/IconImageDecoder.h"
#include "platform/IconLibrary.h"

#include <cstdlib>
#include <vector>

namespace velkan::fuzz {

void checkIcon(const platform::Icon& icon) {
    if (icon.width <= 0 || icon.height <= 0 ||
        icon.pixels.size() != static_cast<std::size_t>(icon.width) * icon.height ||
        icon.mask.size() != icon.pixels.size())
        std::abort();
    if (platform::writeIconFile16(icon).size() < 126)
        std::abort();
}

namespace {

void everyIcon(const std::uint8_t* data, std::size_t size) {
    const platform::IconLibrary library{std::vector<std::uint8_t>(data, data + size)};
    // A lying count must not make us walk for ever: the count is bounded by
    // the resources that fit in the file.
    for (int i = -1; i <= library.count(); ++i)
        if (auto icon = library.icon(i))
            checkIcon(*icon);
}

} // namespace

void fuzzIco(const std::uint8_t* data, std::size_t size) {
    everyIcon(data, size);
}

void fuzzPe(const std::uint8_t* data, std::size_t size) {
    if (auto resources = platform::readPeIconResources(platform::ByteView(data, size)))
        for (const auto& [id, icon] : resources->icons)
            if (auto decoded = platform::decodeIconImage(icon))
                checkIcon(*decoded);
    everyIcon(data, size);
}

void fuzzNe(const std::uint8_t* data, std::size_t size) {
    if (auto resources = platform::readNeIconResources(platform::ByteView(data, size)))
        for (const auto& [id, icon] : resources->icons)
            if (auto decoded = platform::decodeIconImage(icon))
                checkIcon(*decoded);
    everyIcon(data, size);
}

void fuzzDib(const std::uint8_t* data, std::size_t size) {
    if (auto icon = platform::decodeIconImage(platform::ByteView(data, size))) {
        checkIcon(*icon);
        checkIcon(platform::scaleIcon(*icon, 32, 32));
    }
}

} // namespace velkan::fuzz
