#include "preview/PackLook.h"

#include "platform/Files.h"
#include "shellpatch/BuildDetection.h"
#include "themes/PackFormat.h"
#include "themes/PackIndex.h"

namespace velkan::preview {

using namespace shellpatch;

namespace {

constexpr std::size_t kIconImageAt = 22;  // after the file header and one directory entry
constexpr std::size_t kBitmapInfoAt = 14; // after the bitmap file header
constexpr std::size_t kBitmapPaletteAt = 54;

std::optional<std::string> readPackFile(const platform::Machine& machine, std::string_view folder,
                                        std::string_view name) {
    const std::string path = themes::inFolder(folder, name);
    if (!platform::fileExists(machine, path))
        return std::nullopt;
    auto bytes = platform::readWholeFile(machine, path);
    if (!bytes)
        return std::nullopt;
    return *bytes;
}

void overwrite(std::string& bytes, std::int64_t at, std::string_view with) {
    if (at < 0 || std::size_t(at) >= bytes.size())
        return;
    const std::size_t n = std::min(with.size(), bytes.size() - std::size_t(at));
    bytes.replace(std::size_t(at), n, with.substr(0, n));
}

std::u16string packText(int build, const std::string& text, TextField field, bool nulPadding) {
    // The edit takes at most its maximum length, then the writer pads the field.
    return shownAfterWrite(build, text.substr(0, std::size_t(field.length)), field, nulPadding);
}

} // namespace

std::optional<int> acceptedStartIconSize(std::string_view file) {
    auto headerSize = readLe32(file, kIconImageAt);
    auto width = readLe32(file, kIconImageAt + 4);
    if (!headerSize || !width || *headerSize != kBitmapInfoHeaderSize)
        return std::nullopt;
    for (const auto& place : kStartIconPlaces)
        if (std::uint32_t(place.size) == *width)
            return file.size() == std::size_t(place.icoFileSize) ? std::optional<int>(place.size)
                                                                 : std::nullopt;
    return std::nullopt;
}

bool acceptedLogo(std::string_view file) {
    auto headerSize = readLe32(file, kBitmapInfoAt);
    auto width = readLe32(file, kBitmapInfoAt + 4);
    auto height = readLe32(file, kBitmapInfoAt + 8);
    auto bits = readLe32(file, kBitmapInfoAt + 12);
    if (!headerSize || !width || !height || !bits || !readLe32(file, kBitmapInfoAt + 16))
        return false;
    return *headerSize == kBitmapInfoHeaderSize && *width == std::uint32_t(kLogoWidth) &&
           static_cast<std::int32_t>(*height) <= kLogoMaxHeight && ((*bits >> 16) & 0x0F) == 4;
}

bool applyPack(LookSources& sources, const platform::Machine& machine, std::string_view folder) {
    if (!themes::holdsPack(machine, folder))
        return false;
    const ShellBuild* build = buildAt(sources.build);
    const bool ie4 = isIe4Build(sources.build);

    // Start-button icons, each size that the loader would take.
    if (sources.iconShift) {
        for (int size : themes::kStartIconSizes) {
            auto file = readPackFile(machine, folder, themes::startIconFile(size));
            if (!file)
                continue;
            auto accepted = acceptedStartIconSize(*file);
            if (!accepted)
                continue;
            overwrite(sources.user, std::int64_t(*iconBaseOffset(*accepted)) + *sources.iconShift,
                      std::string_view(*file).substr(kIconImageAt));
        }
    }

    // Item icons: index 0 of each pack file; the IE4 entries only on IE4 builds.
    for (int n = 1; n <= kEntryCount; ++n) {
        const auto entry = static_cast<Entry>(n - 1);
        if (!entryInBuild(entry, ie4))
            continue;
        const std::string path = themes::inFolder(folder, themes::itemIconFile(n));
        if (platform::fileExists(machine, path))
            sources.shellIcons[n - 1] = path + ",0";
    }

    if (build) {
        const themes::PackIndex index(machine, folder);
        for (const auto& key : themes::kCaptionKeys) {
            if (!entryInBuild(key.entry, ie4))
                continue;
            if (auto text = index.menuCaption(key.entry))
                sources.captions[static_cast<int>(key.entry)] =
                    packText(build->position, *text, build->caption(key.entry), false);
        }
        if (auto text = index.startText())
            sources.startText = packText(build->position, *text, build->startText, false);
        if (auto text = index.tooltip())
            sources.tooltip = packText(build->position, *text, build->tooltip, true);
        if (auto height = index.logoHeight())
            sources.logoHeight = *height;

        if (auto logo = readPackFile(machine, folder, themes::kLogoFile);
            logo && acceptedLogo(*logo)) {
            const std::int64_t at = build->logoOffset;
            const auto compression = readLe32(*logo, kBitmapInfoAt + 16).value_or(0);
            overwrite(sources.explorer, at + kLogoCompression,
                      std::string(1, compression == 2 ? '\x02' : '\x00'));
            const std::size_t room = std::size_t(kLogoBitsSize - kLogoPalette);
            overwrite(
                sources.explorer, at + kLogoPalette,
                std::string_view(*logo).substr(std::min(kBitmapPaletteAt, logo->size()), room));
        }
    }
    return true;
}

} // namespace velkan::preview
