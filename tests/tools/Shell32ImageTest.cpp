#include "tools/Shell32Image.h"

#include "tests/tools/IconReader.h"
#include "tools/Canvas.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <set>

using namespace velkan::machine;
using velkan::test::decodeIconImage;
using velkan::test::readPeIcons;

namespace {

std::string asString(const std::vector<std::uint8_t>& v) {
    return {v.begin(), v.end()};
}

const std::string& shell32() {
    static const std::string bytes = asString(makeShell32Dll());
    return bytes;
}

std::uint32_t u32(const std::string& b, std::size_t at) {
    auto u8 = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(b[i]));
    };
    return u8(at) | u8(at + 1) << 8 | u8(at + 2) << 16 | u8(at + 3) << 24;
}

// Independent PE checksum over 16-bit words, the stored field counted as zero.
std::uint32_t checksumOf(std::string file, std::size_t at) {
    for (int i = 0; i < 4; ++i)
        file[at + i] = 0;
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 1 < file.size(); i += 2) {
        sum += static_cast<unsigned char>(file[i]) | static_cast<unsigned char>(file[i + 1]) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

// Renders every image of every group, decoded from the DLL itself, into a
// PNG that people can look at: set VELKAN_CONTACT_SHEET to its path.
void writeContactSheet(const velkan::test::PeIcons& pe, const std::string& path) {
    const int cellW = 120, cellH = 48, columns = 6, zoom = 3;
    const int rows = static_cast<int>(pe.groups.size() + columns - 1) / columns;
    Canvas sheet(columns * cellW, rows * cellH, Rgb{0, 128, 128});
    for (std::size_t g = 0; g < pe.groups.size(); ++g) {
        const int cx = static_cast<int>(g % columns) * cellW,
                  cy = static_cast<int>(g / columns) * cellH;
        sheet.text(cx + 2, cy + 2, std::to_string(g), vga::White);
        int x = cx + 2;
        for (const auto& entry : pe.groups[g].second) {
            std::string error;
            auto icon = decodeIconImage(pe.icons.at(entry.iconId), error);
            if (!icon)
                continue;
            for (int y = 0; y < icon->height; ++y)
                for (int xx = 0; xx < icon->width; ++xx) {
                    const std::uint32_t p = icon->argb[y * icon->width + xx];
                    if (p >> 24)
                        sheet.set(x + xx, cy + 12 + y,
                                  {static_cast<std::uint8_t>(p >> 16),
                                   static_cast<std::uint8_t>(p >> 8),
                                   static_cast<std::uint8_t>(p)});
                }
            x += icon->width + 4;
        }
    }
    Canvas big = sheet.scaled(sheet.width() * zoom, sheet.height() * zoom);
    std::vector<std::uint32_t> argb;
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x) {
            const Rgb c = big.pixel(x, y);
            argb.push_back(0xFF000000u | c.r << 16 | c.g << 8 | c.b);
        }
    ASSERT_TRUE(velkan::test::writePng(path, big.width(), big.height(), argb));
}

} // namespace

TEST(Shell32Image, IsA32BitResourceLibraryWithAlignedSections) {
    const std::string& dll = shell32();
    std::string error;
    auto pe = readPeIcons(dll, error);
    ASSERT_TRUE(pe) << error;
    EXPECT_EQ(pe->machine, 0x14C);
    EXPECT_EQ(pe->optionalMagic, 0x10B);
    EXPECT_TRUE(pe->characteristics & 0x2000) << "DLL flag";
    EXPECT_TRUE(pe->characteristics & 0x0002) << "executable image flag";
    EXPECT_EQ(pe->fileAlignment, 0x200u);
    EXPECT_EQ(pe->sectionAlignment, 0x1000u);
    EXPECT_EQ(dll.size() % 0x200, 0u);
    for (auto lang : pe->languages)
        EXPECT_EQ(lang, 0x409);

    const std::uint32_t peAt = u32(dll, 0x3C);
    EXPECT_EQ(u32(dll, peAt + 24 + 64), checksumOf(dll, peAt + 24 + 64));
    // SizeOfImage covers the headers and the section rounded up to whole pages.
    EXPECT_EQ(u32(dll, peAt + 24 + 56) % 0x1000, 0u);
    // The section's raw data starts on a file-alignment boundary.
    const std::size_t section = peAt + 24 + 224;
    EXPECT_EQ(dll.compare(section, 5, ".rsrc"), 0);
    EXPECT_EQ(u32(dll, section + 20) % 0x200, 0u);
    EXPECT_EQ(u32(dll, section + 12), 0x1000u);
}

TEST(Shell32Image, EveryGroupHoldsDecodableImagesAtBothSizesAndDepths) {
    std::string error;
    auto pe = readPeIcons(shell32(), error);
    ASSERT_TRUE(pe) << error;
    ASSERT_GE(pe->groups.size(), 45u);
    EXPECT_EQ(pe->groups.size(), static_cast<std::size_t>(kShell32IconCount));
    for (const auto& [groupId, entries] : pe->groups) {
        std::set<std::pair<int, int>> seen;
        for (const auto& e : entries) {
            SCOPED_TRACE("group " + std::to_string(groupId) + " icon " + std::to_string(e.iconId));
            ASSERT_TRUE(pe->icons.count(e.iconId));
            const std::string& data = pe->icons.at(e.iconId);
            EXPECT_EQ(e.bytesInRes, data.size());
            EXPECT_EQ(e.planes, 1);
            EXPECT_EQ(e.colourCount, e.bitCount == 4 ? 16 : 0);
            auto icon = decodeIconImage(data, error);
            ASSERT_TRUE(icon) << error;
            EXPECT_EQ(icon->width, e.width);
            EXPECT_EQ(icon->height, e.height);
            EXPECT_EQ(icon->bitCount, e.bitCount);
            seen.insert({e.width, e.bitCount});
        }
        const std::set<std::pair<int, int>> wanted = {{16, 4}, {32, 4}, {16, 8}, {32, 8}};
        EXPECT_EQ(seen, wanted) << "group " << groupId;
    }
    if (const char* path = std::getenv("VELKAN_CONTACT_SHEET"))
        writeContactSheet(*pe, path);
}

TEST(Shell32Image, StartMenuIconsAreDistinctAndFilled) {
    // Each Start-menu entry must be told apart at a glance: no two of these
    // pictures may be equal, and each must cover a fair part of its square.
    const int entries[] = {19, 20, 21, 22, 23, 24, 25, 27, 43, 44};
    for (int size : {16, 32}) {
        std::set<std::vector<std::uint32_t>> pictures;
        for (int index : entries) {
            Canvas c = drawShell32Icon(index, size, false);
            std::vector<std::uint32_t> pixels;
            int covered = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const Rgb p = c.pixel(x, y);
                    covered += c.opaque(x, y);
                    pixels.push_back(c.opaque(x, y) << 24 | p.r << 16 | p.g << 8 | p.b);
                }
            EXPECT_GT(covered, size * size / 3) << "icon " << index << " at " << size;
            EXPECT_TRUE(pictures.insert(pixels).second) << "icon " << index << " repeats another";
        }
    }
}
