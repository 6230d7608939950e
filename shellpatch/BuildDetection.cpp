#include "shellpatch/BuildDetection.h"


#include <string>

namespace velkan::shellpatch {

namespace {

bool inside(std::string_view bytes, std::int64_t offset, std::int64_t count) {
    return offset >= 0 && count >= 0 && offset + count <= std::int64_t(bytes.size());
}

bool fieldInside(std::string_view bytes, TextField field) {
    return inside(bytes, field.offset, 2 * std::int64_t(field.length));
}

} // namespace

std::optional<std::uint16_t> readLe16(std::string_view bytes, std::int64_t offset) {
    if (!inside(bytes, offset, 2))
        return std::nullopt;
    auto b = [&](int i) { return std::uint16_t(static_cast<unsigned char>(bytes[offset + i])); };
    return std::uint16_t(b(0) | b(1) << 8);
}

std::optional<std::uint32_t> readLe32(std::string_view bytes, std::int64_t offset) {
    if (!inside(bytes, offset, 4))
        return std::nullopt;
    auto b = [&](int i) { return std::uint32_t(static_cast<unsigned char>(bytes[offset + i])); };
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

bool logoHeaderMatches(std::string_view explorer, const ShellBuild& build) {
    return readLe32(explorer, build.logoOffset + kLogoHeaderSize) == kBitmapInfoHeaderSize;
}

bool fieldsReadable(std::string_view explorer, const ShellBuild& build) {
    if (!fieldInside(explorer, build.startText) || !fieldInside(explorer, build.tooltip))
        return false;
    for (const auto& entry : kStartMenuEntries)
        if (entryInBuild(entry.entry, build.ie4) &&
            !fieldInside(explorer, build.caption(entry.entry)))
            return false;
    return inside(explorer, build.logoOffset + kLogoHeight, 4) &&
           inside(explorer, build.logoOffset + kLogoHeaderSize, 4);
}

bool buildMatches(std::string_view explorer, const ShellBuild& build) {
    return fieldsReadable(explorer, build) && logoHeaderMatches(explorer, build);
}

std::optional<int> detectBuild(std::string_view explorer) {
    for (const auto& build : kBuilds)
        if (buildMatches(explorer, build))
            return build.position;
    return std::nullopt;
}

bool startIconHeaderMatches(std::string_view user, const ShellBuild& build, int size) {
    auto base = iconBaseOffset(size);
    return base && readLe32(user, std::int64_t(*base) + build.iconShift) == kBitmapInfoHeaderSize;
}

std::optional<int> userLayoutFor(std::string_view user, int detectedPosition) {
    const ShellBuild* build = buildAt(detectedPosition);
    if (!build)
        return std::nullopt;
    if (startIconHeaderMatches(user, *build, kTestIconSize))
        return detectedPosition;
    int twin = variantSwitch(detectedPosition);
    if (twin != detectedPosition && startIconHeaderMatches(user, kBuilds[twin], kTestIconSize))
        return twin;
    return std::nullopt;
}

} // namespace velkan::shellpatch
