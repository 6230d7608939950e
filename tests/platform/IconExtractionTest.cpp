#include "platform/IconDirectory.h"
#include "platform/IconFileWriter.h"
#include "platform/IconImageDecoder.h"
#include "platform/IconLibrary.h"
#include "tests/platform/IconFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace velkan::platform;
using namespace velkan::test::icons;

namespace {

ByteView view(const Bytes& b) {
    return ByteView(b.data(), b.size());
}

const std::vector<std::uint32_t> kGreys = [] {
    std::vector<std::uint32_t> p;
    for (int i = 0; i < 256; ++i)
        p.push_back(0xFF000000u | static_cast<std::uint32_t>(i * 0x010101));
    return p;
}();

// Picture `seed` at `size`: a palette index pattern for paletted depths,
// colours otherwise, with the top-left quarter transparent.
PixelFn picture(int seed, int bpp) {
    return [seed, bpp](int x, int y) -> std::uint32_t {
        const bool clear = x < 8 && y < 8;
        std::uint32_t p =
            bpp <= 8 ? 0xFF000000u | ((x + y + seed) % (1 << bpp)) : testColour(seed, x, y);
        return clear ? p & 0x00FFFFFF : p;
    };
}

Image image(int size, int bpp, int seed) {
    return {size, size, bpp, dibImage(size, size, bpp, picture(seed, bpp), kGreys)};
}

// The icon's pixel as the test picture defines it, at the depth it was stored.
std::uint32_t expected(int seed, int bpp, int x, int y) {
    std::uint32_t p = picture(seed, bpp)(x, y);
    if (bpp <= 8)
        return kGreys[p & 0xFF] | 0xFF000000u;
    if (bpp == 16) {
        auto c5 = [](std::uint32_t v) { return ((v >> 3) * 255 / 31) & 0xFF; };
        return 0xFF000000u | c5((p >> 16) & 0xFF) << 16 | c5((p >> 8) & 0xFF) << 8 | c5(p & 0xFF);
    }
    return p | 0xFF000000u;
}

void expectPicture(const Icon& icon, int seed, int bpp) {
    ASSERT_EQ(icon.width, 32);
    ASSERT_EQ(icon.height, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(icon.masked(x, y), x < 8 && y < 8) << x << "," << y;
            if (!icon.masked(x, y)) {
                ASSERT_EQ(icon.pixel(x, y) | 0xFF000000u, expected(seed, bpp, x, y))
                    << x << "," << y;
            }
        }
    }
}

} // namespace

TEST(IconImageDecoder, DecodesEveryDibDepthWithItsMask) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        const Bytes dib = dibImage(32, 32, bpp, picture(3, bpp), kGreys);
        auto icon = decodeIconImage(view(dib));
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->bitCount, bpp);
        // Alpha bytes of 0 in the visible pixels mean no alpha: the mask decides.
        if (bpp == 32)
            EXPECT_TRUE(icon->hasAlpha);
        else
            EXPECT_FALSE(icon->hasAlpha);
        expectPicture(*icon, 3, bpp);
    }
}

TEST(IconImageDecoder, AlphaImagesKeepTheirAlphaAndZeroAlphaMeansNone) {
    auto half = [](int x, int y) { return (x < 16 ? 0x80000000u : 0xFF000000u) | 0x102030u | y; };
    auto icon = decodeIconImage(view(dibImage(32, 32, 32, half)));
    ASSERT_TRUE(icon);
    EXPECT_TRUE(icon->hasAlpha);
    EXPECT_EQ(icon->rgba(0, 5), 0x80102035u);
    EXPECT_EQ(icon->rgba(20, 5), 0xFF102035u);

    // Every alpha byte 0 and a clear mask: an opaque image.
    Bytes flat = dibImage(32, 32, 32, [](int, int) { return 0xFF405060u; });
    for (std::size_t i = 40; i < 40 + 32 * 32 * 4; i += 4)
        flat[i + 3] = 0;
    icon = decodeIconImage(view(flat));
    ASSERT_TRUE(icon);
    EXPECT_FALSE(icon->hasAlpha);
    EXPECT_EQ(icon->rgba(3, 3), 0xFF405060u);
}

TEST(IconImageDecoder, DecodesPngImages) {
    const Bytes png = pngImage(48, 48, [](int x, int y) {
        return x == 0 ? 0u : 0xFF000000u | static_cast<std::uint32_t>(x << 16 | y << 8 | 7);
    });
    auto icon = decodeIconImage(view(png));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->width, 48);
    EXPECT_TRUE(icon->hasAlpha);
    EXPECT_TRUE(icon->masked(0, 10));
    EXPECT_EQ(icon->rgba(5, 9), 0xFF050907u);

    // A cut PNG is no image.
    EXPECT_FALSE(decodeIconImage(view(Bytes(png.begin(), png.begin() + png.size() / 2))));
}

TEST(IconImageDecoder, RefusesImagesThatLieAboutTheirSize) {
    Bytes dib = dibImage(32, 32, 8, picture(1, 8), kGreys);
    EXPECT_FALSE(decodeIconImage(view(Bytes(dib.begin(), dib.end() - 1))));
    Bytes wide = dib;
    set32(wide, 4, 0x7FFFFFFF);
    EXPECT_FALSE(decodeIconImage(view(wide)));
    Bytes negative = dib;
    set32(negative, 8, static_cast<std::uint32_t>(-64));
    EXPECT_FALSE(decodeIconImage(view(negative)));
    Bytes depth = dib;
    depth[14] = 7;
    EXPECT_FALSE(decodeIconImage(view(depth)));
    Bytes rle = dib;
    rle[16] = 1;
    EXPECT_FALSE(decodeIconImage(view(rle)));
    Bytes colours = dib; // a colour count beyond 256 is held to 256, not read past the palette
    set32(colours, 32, 0xFFFFFFFF);
    EXPECT_TRUE(decodeIconImage(view(colours)));
}

TEST(IconDirectory, ChoosesTheClosestSizeThenTheDeepestImage) {
    auto entry = [](int size, int bpp) {
        IconDirEntry e;
        e.width = e.height = size;
        e.bitCount = bpp;
        return e;
    };
    EXPECT_EQ(chooseIconEntry({entry(16, 4), entry(32, 4), entry(32, 8), entry(48, 32)}, 32, 32),
              2u);
    EXPECT_EQ(chooseIconEntry({entry(16, 32), entry(48, 4)}, 32, 32), 0u); // tie: first closest
    EXPECT_EQ(chooseIconEntry({entry(64, 4), entry(24, 4)}, 32, 32), 1u);
    IconDirEntry byColours = entry(32, 0);
    byColours.colorCount = 16;
    EXPECT_EQ(byColours.depth(), 4);
    EXPECT_EQ(chooseIconEntry({byColours, entry(32, 8)}, 32, 8), 1u);
}

TEST(IconLibrary, AnIcoFileIsOneIconAtTheLargeIconSize) {
    const Bytes ico = icoFile({image(16, 4, 1), image(32, 4, 2), image(32, 8, 3), image(48, 8, 4)});
    IconLibrary library{Bytes(ico)};
    EXPECT_EQ(library.kind(), IconLibrary::Kind::IcoFile);
    ASSERT_EQ(library.count(), 1);
    auto icon = library.icon(0);
    ASSERT_TRUE(icon);
    expectPicture(*icon, 3, 8);
    EXPECT_FALSE(library.icon(1));
    EXPECT_FALSE(library.icon(-1));

    // Only a 48x48 image: stretched to 32x32.
    IconLibrary big{icoFile({image(48, 24, 5)})};
    auto scaled = big.icon(0);
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->width, 32);
    EXPECT_EQ(scaled->pixel(31, 31) | 0xFF000000u, expected(5, 24, 46, 46));

    // PNG images inside an .ico file.
    Image png{32, 32, 32, pngImage(32, 32, [](int x, int) { return 0xFF000000u | x; })};
    auto fromPng = IconLibrary{icoFile({png})}.choose(0);
    ASSERT_TRUE(fromPng);
    EXPECT_TRUE(fromPng->png);
    EXPECT_EQ(fromPng->image.rgba(9, 0), 0xFF000009u);
}

TEST(IconLibrary, PeModulesCountGroupIconsNamedFirstInDirectoryOrder) {
    for (bool plus : {false, true}) {
        SCOPED_TRACE(plus ? "PE32+" : "PE32");
        // Group ids 7 and 2 (in that stored order) and one named group after them.
        std::vector<Resource> res;
        const std::vector<Image> g1 = {image(16, 4, 10), image(32, 4, 11)};
        const std::vector<Image> g2 = {image(32, 8, 20)};
        const std::vector<Image> g3 = {image(32, 24, 30), image(32, 32, 31)};
        res.push_back({kRtGroupIcon, 7, {}, groupResource(g1, 1)});
        res.push_back({kRtGroupIcon, 2, {}, groupResource(g2, 3)});
        res.push_back({kRtGroupIcon, 0, u"MAINICON", groupResource(g3, 4)});
        for (std::uint16_t id = 1; id <= 5; ++id) {
            const Image& im = id <= 2 ? g1[id - 1] : id == 3 ? g2[0] : g3[id - 4];
            res.push_back({kRtIcon, id, {}, im.data});
        }
        IconLibrary library{peModule(res, plus)};
        EXPECT_EQ(library.kind(), IconLibrary::Kind::Pe);
        ASSERT_EQ(library.count(), 3);
        auto named = library.icon(0), seven = library.icon(1), two = library.icon(2);
        ASSERT_TRUE(named && seven && two);
        expectPicture(*named, 31, 32);
        expectPicture(*seven, 11, 4);
        expectPicture(*two, 20, 8);
    }
}

TEST(IconLibrary, NeModulesCountGroupIconsInTableOrder) {
    std::vector<Resource> res;
    const std::vector<Image> a = {image(32, 4, 40)}, b = {image(32, 1, 50), image(16, 4, 51)};
    res.push_back({kRtIcon, 1, {}, a[0].data});
    res.push_back({kRtIcon, 2, {}, b[0].data});
    res.push_back({kRtIcon, 3, {}, b[1].data});
    res.push_back({kRtGroupIcon, 9, {}, groupResource(b, 2)});
    res.push_back({kRtGroupIcon, 4, {}, groupResource(a, 1)});
    for (int shift : {0, 4, 9}) {
        SCOPED_TRACE(shift);
        IconLibrary library{neModule(res, shift)};
        EXPECT_EQ(library.kind(), IconLibrary::Kind::Ne);
        ASSERT_EQ(library.count(), 2);
        auto first = library.icon(0), second = library.icon(1);
        ASSERT_TRUE(first && second);
        expectPicture(*first, 50, 1);
        expectPicture(*second, 40, 4);
    }
}

TEST(IconLibrary, FilesWithoutIconsAndBrokenFilesHoldNone) {
    EXPECT_EQ(IconLibrary{Bytes{}}.count(), 0);
    const std::string text = "[boot]\r\nshell=Explorer.exe\r\n";
    EXPECT_EQ(IconLibrary{Bytes(text.begin(), text.end())}.count(), 0);
    EXPECT_EQ(IconLibrary{peModule({})}.count(), 0);

    std::vector<Resource> res = {{kRtGroupIcon, 1, {}, groupResource({image(32, 4, 1)}, 1)},
                                 {kRtIcon, 1, {}, image(32, 4, 1).data}};
    const Bytes pe = peModule(res);
    // Cut inside the headers, inside the section table and inside the resources.
    for (std::size_t cut :
         {std::size_t{0x40}, std::size_t{0x100}, std::size_t{0x180}, std::size_t{0x210}})
        EXPECT_EQ(IconLibrary{Bytes(pe.begin(), pe.begin() + cut)}.count(), 0) << cut;
    // Every other cut: never a crash, and an icon only when it is whole.
    for (std::size_t cut = 0; cut < pe.size(); cut += 7) {
        IconLibrary library{Bytes(pe.begin(), pe.begin() + cut)};
        for (int i = 0; i < library.count(); ++i) {
            if (auto icon = library.icon(i)) {
                EXPECT_EQ(icon->width, 32);
            }
        }
    }

    // A group naming an icon that is not there; a group resource that is garbage.
    IconLibrary dangling{peModule({{kRtGroupIcon, 1, {}, groupResource({image(32, 4, 1)}, 9)},
                                   {kRtGroupIcon, 2, {}, Bytes(5, 0xEE)}})};
    EXPECT_EQ(dangling.count(), 2);
    EXPECT_FALSE(dangling.icon(0));
    EXPECT_FALSE(dangling.icon(1));

    // A 16-bit module counts nothing when no group names an icon it holds,
    // unlike a PE module above; one group that does is enough for all of them.
    const Image lone = image(32, 4, 1);
    std::vector<Resource> neDangling = {{kRtGroupIcon, 1, {}, groupResource({lone}, 9)},
                                        {kRtGroupIcon, 2, {}, groupResource({lone}, 8)},
                                        {kRtGroupIcon, 3, {}, Bytes(5, 0xEE)},
                                        {kRtIcon, 1, {}, lone.data}};
    EXPECT_EQ(IconLibrary{neModule(neDangling)}.count(), 0);
    neDangling.push_back({kRtGroupIcon, 4, {}, groupResource({lone}, 1)});
    IconLibrary oneNamed{neModule(neDangling)};
    EXPECT_EQ(oneNamed.count(), 4);
    EXPECT_FALSE(oneNamed.icon(0));
    EXPECT_TRUE(oneNamed.icon(3));

    // An NE alignment shift that would put resources past any file.
    Bytes ne = neModule({{kRtGroupIcon, 1, {}, groupResource({image(32, 4, 1)}, 1)}});
    ne[0x80] = 31;
    EXPECT_EQ(IconLibrary{Bytes(ne)}.count(), 0);
}

TEST(IconLibrary, ResourceTreesThatPointBackAtThemselvesEnd) {
    std::vector<Resource> res = {{kRtGroupIcon, 1, {}, groupResource({image(32, 4, 1)}, 1)},
                                 {kRtIcon, 1, {}, image(32, 4, 1).data}};
    Bytes pe = peModule(res);
    // Point the first type's name directory at the root directory.
    set32(pe, 0x200 + 20, 0x80000000u);
    IconLibrary library{std::move(pe)};
    for (int i = 0; i < library.count(); ++i)
        EXPECT_FALSE(library.icon(i));
}

TEST(IconFileWriter, SavesSixteenColoursAndTheMaskIn766Bytes) {
    Icon icon;
    icon.width = icon.height = 32;
    icon.pixels.assign(32 * 32, 0xFF0000F0u); // nearly pure blue
    icon.mask.assign(32 * 32, 0);
    icon.pixels[0] = 0xFFC8C8C8u; // light grey, top-left
    icon.mask[31 * 32 + 31] = 1;  // bottom-right shows through
    const Bytes file = writeIconFile16(icon);
    ASSERT_EQ(file.size(), 766u);
    EXPECT_EQ(file[4], 1);
    EXPECT_EQ(file[6], 32);
    EXPECT_EQ(file[8], 16);
    EXPECT_EQ(file[18], 22);
    EXPECT_EQ(file[14] | file[15] << 8, 744);
    EXPECT_EQ(file[22 + 8], 64); // height doubled
    EXPECT_EQ(file[22 + 14], 4);
    EXPECT_EQ(file[22 + 20] | file[22 + 21] << 8, 512);
    // Palette entry 12 is blue (B, G, R, 0).
    EXPECT_EQ(file[62 + 12 * 4], 0xFF);
    EXPECT_EQ(file[62 + 12 * 4 + 2], 0);
    // Top row is the last colour row: its first pixel light grey (7), then blue (12).
    EXPECT_EQ(file[126 + 31 * 16], 0x7C);
    EXPECT_EQ(file[126], 0xCC);
    // The mask's bottom row comes first: its last bit is set.
    EXPECT_EQ(file[126 + 512 + 3], 0x01);
    EXPECT_EQ(file[126 + 512 + 4 * 31 + 3], 0x00);

    // What is written reads back as the same 16-colour picture.
    auto back = decodeIconImage(ByteView(file.data() + 22, file.size() - 22));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixel(0, 0), 0xFFC0C0C0u);
    EXPECT_EQ(back->pixel(5, 5), 0xFF0000FFu);
    EXPECT_TRUE(back->masked(31, 31));
}

TEST(IconFileWriter, ConvertsToTheNearestStandardColour) {
    EXPECT_EQ(nearestStandardColour(0x000000), 0);
    EXPECT_EQ(nearestStandardColour(0x7F0000), 1);
    EXPECT_EQ(nearestStandardColour(0xA0A0A0), 7); // as far from C0C0C0 as from 808080: lower index
    EXPECT_EQ(nearestStandardColour(0x909090), 8);
    EXPECT_EQ(nearestStandardColour(0xB0B0B0), 7);
    EXPECT_EQ(nearestStandardColour(0xF0F0F0), 15);
    EXPECT_EQ(nearestStandardColour(0xE01010), 9);
}

TEST(IconLibrary, BareNamesAreFoundInTheSystemFolderFirst) {
    velkan::test::TempDir dir;
    Machine machine(dir.path());
    std::filesystem::create_directories(machine.driveC() / "WINDOWS" / "SYSTEM");
    velkan::test::writeFile(machine.driveC() / "WINDOWS" / "SYSTEM" / "SHELL32.DLL", "x");
    velkan::test::writeFile(machine.driveC() / "WINDOWS" / "MORICONS.DLL", "y");
    auto shell32 = findIconFile(machine, "SHELL32.DLL", "C:\\WINDOWS");
    ASSERT_TRUE(shell32);
    EXPECT_EQ(shell32->filename(), "SHELL32.DLL");
    EXPECT_EQ(shell32->parent_path().filename(), "SYSTEM");
    auto moricons = findIconFile(machine, "moricons.dll", "C:\\WINDOWS");
    ASSERT_TRUE(moricons);
    EXPECT_EQ(moricons->filename(), "MORICONS.DLL");
    EXPECT_FALSE(findIconFile(machine, "NONE.DLL", "C:\\WINDOWS"));
    EXPECT_FALSE(findIconFile(machine, "", "C:\\WINDOWS"));
    EXPECT_TRUE(findIconFile(machine, "C:\\WINDOWS\\MORICONS.DLL", "Error"));
}
