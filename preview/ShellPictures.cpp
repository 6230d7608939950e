#include "preview/ShellPictures.h"

#include "platform/IconFileWriter.h"
#include "platform/IconImageDecoder.h"
#include "shellpatch/BuildDetection.h"
#include "themes/LogoBitmap.h"

#include <charconv>

namespace velkan::preview {

using namespace shellpatch;

namespace {

void put16(std::string& out, std::uint16_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8);
}
void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

} // namespace

std::optional<int> storedLogoHeight(std::string_view explorer, const ShellBuild& build) {
    auto h = readLe32(explorer, std::int64_t(build.logoOffset) + kLogoHeight);
    if (!h)
        return std::nullopt;
    return static_cast<std::int32_t>(*h);
}

LookLogo decodeShellLogo(std::string_view explorer, const ShellBuild& build, int height) {
    if (height < 1)
        return {};
    height = std::min(height, kLogoMaxHeight);
    const std::int64_t header = std::int64_t(build.logoOffset) + kLogoHeaderSize;
    const std::int64_t paletteAt = std::int64_t(build.logoOffset) + kLogoPalette;
    if (header < 0 || std::size_t(build.logoOffset) > explorer.size())
        return {};
    const auto width = readLe32(explorer, header + 4);
    const auto bitCount = readLe16(explorer, header + 14);
    const auto compression = readLe32(explorer, header + 16);
    if (!width || !bitCount || !compression)
        return {};

    // The area as a bitmap file of its own, so that one decoder reads both
    // the plain and the run-length encoded rows.
    std::string file = "BM";
    put32(file, 0);
    put32(file, 0);
    put32(file, 14 + 40 + 64);
    put32(file, 40);
    put32(file, *width);
    put32(file, std::uint32_t(height));
    put16(file, 1);
    put16(file, *bitCount);
    put32(file, *compression);
    for (int i = 0; i < 5; ++i)
        put32(file, 0);
    file.append(explorer.substr(std::size_t(paletteAt), 64));
    file.append(explorer.substr(std::size_t(build.logoOffset), kLogoBitsSize));
    auto bitmap = themes::decodeBitmap4(file);
    if (!bitmap)
        return {};
    LookLogo logo;
    logo.width = bitmap->width;
    logo.height = bitmap->height;
    logo.pixels.reserve(bitmap->pixels.size());
    for (auto index : bitmap->pixels)
        logo.pixels.push_back(bitmap->palette[index & 0x0F]);
    return logo;
}

platform::Icon startButtonImage(std::string_view user, int size, std::int32_t iconShift) {
    for (const auto& place : kStartIconPlaces) {
        if (place.size != size)
            continue;
        const std::int64_t at = std::int64_t(place.iconBaseOffset) + iconShift;
        if (at < 0 || std::size_t(at) + place.imageBytes() > user.size())
            return {};
        const auto* data = reinterpret_cast<const std::uint8_t*>(user.data()) + at;
        auto icon = platform::decodeDibIcon(platform::ByteView(data, place.imageBytes()));
        if (!icon || icon->width != size || icon->height != size)
            return {};
        return *icon;
    }
    return {};
}

platform::Icon toVgaColours(const platform::Icon& icon) {
    platform::Icon out = icon;
    for (auto& p : out.pixels)
        p = (p & 0xFF000000u) | platform::standardPalette16()[std::size_t(
                                    platform::nearestStandardColour(p & 0x00FFFFFFu))];
    return out;
}

std::optional<int> parseIconIndex(std::string_view text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<platform::Icon> EntryIconFinder::fromFile(std::string_view file, int index) {
    auto host = platform::findIconFile(machine_, file, windowsFolder_);
    if (!host)
        return std::nullopt;
    auto key = host->string();
    auto it = libraries_.find(key);
    if (it == libraries_.end())
        it = libraries_.emplace(key, platform::IconLibrary::open(*host)).first;
    if (index < 0 || index >= it->second.count())
        return std::nullopt;
    return it->second.icon(index, size_);
}

platform::Icon EntryIconFinder::find(const std::optional<std::string>& value, int number) {
    if (value) {
        const auto comma = value->find(',');
        if (comma != std::string::npos)
            if (auto index = parseIconIndex(std::string_view(*value).substr(comma + 1)))
                if (auto icon = fromFile(std::string_view(*value).substr(0, comma), *index))
                    return *icon;
    }
    return fromFile("shell32.dll", number).value_or(platform::Icon{});
}

} // namespace velkan::preview
