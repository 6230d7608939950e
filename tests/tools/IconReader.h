#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// An icon and PE reader written for the tests only, independently of the
// writers under test, so that both sides cannot share a mistake. Every offset
// and size is checked against the buffer.
namespace velkan::test {

struct DecodedIcon {
    int width = 0, height = 0, bitCount = 0;
    std::vector<std::uint32_t> argb; // top row first; alpha 0 where the mask is set
};

// Decodes a BITMAPINFOHEADER + palette + XOR rows + AND rows icon image; the
// error names what is wrong.
std::optional<DecodedIcon> decodeIconImage(const std::string& bytes, std::string& error);

// Decodes an uncompressed 4-bit .bmp file (file header, info header, palette,
// rows); alpha is always opaque.
std::optional<DecodedIcon> decodeBmp4(const std::string& file, std::string& error);

struct GroupEntry {
    int width, height, colourCount, planes, bitCount;
    std::uint32_t bytesInRes;
    std::uint16_t iconId;
};

struct PeIcons {
    std::uint32_t fileAlignment = 0, sectionAlignment = 0;
    std::uint16_t machine = 0, characteristics = 0, optionalMagic = 0;
    // Group icons in the order ExtractIcon counts them.
    std::vector<std::pair<std::uint16_t, std::vector<GroupEntry>>> groups;
    std::map<std::uint16_t, std::string> icons; // RT_ICON id -> data
    std::vector<std::uint16_t> languages;       // of every leaf
};

std::optional<PeIcons> readPeIcons(const std::string& file, std::string& error);

// Writes an 8-bit RGBA PNG (for contact sheets people can look at).
bool writePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& argb);

} // namespace velkan::test
