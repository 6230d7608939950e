#include "tools/ThemePacks.h"

#include "platform/ProfileString.h"
#include "shellpatch/BuildTable.h"
#include "tests/support/TempDir.h"
#include "tests/tools/IconReader.h"
#include "tools/Canvas.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>

using namespace velkan::machine;
using velkan::platform::readProfileIntExact;
using velkan::platform::readProfileKeys;
using velkan::platform::readProfileSections;
using velkan::platform::readProfileString;
using velkan::test::readFile;
using velkan::test::TempDir;
namespace fs = std::filesystem;

namespace {

std::uint32_t u32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(lower(e.path().filename().string()));
    return names;
}

// The files the uninstaller deletes from each stock pack: a pack holding
// anything else would leave its folder behind.
std::set<std::string> uninstalledFiles(const std::string& pack) {
    const std::set<std::string> full = {"index.vkr",  "icon10.ico", "icon12.ico", "icon14.ico",
                                        "icon16.ico", "icon22.ico", "icon32.ico", "logo.bmp"};
    if (pack == "Ulmrit Theme Pack" || pack == "Windows98 Theme Pack")
        return {"index.vkr", "icon16.ico", "logo.bmp"};
    std::set<std::string> files = full;
    if (pack == "Sample Theme Pack")
        for (int i = 1; i <= 10; ++i)
            files.insert(std::to_string(i) + ".ico");
    return files;
}

// The first image of an .ico file, decoded by the test's own reader.
std::optional<velkan::test::DecodedIcon> firstIcon(const std::string& file) {
    std::string error;
    if (file.size() < 22 || file[2] != 1)
        return std::nullopt;
    const std::uint32_t size = u32(file, 14), at = u32(file, 18);
    if (at > file.size() || size > file.size() - at)
        return std::nullopt;
    return velkan::test::decodeIconImage(file.substr(at, size), error);
}

void drawDecoded(Canvas& sheet, const velkan::test::DecodedIcon& image, int x, int y) {
    for (int yy = 0; yy < image.height; ++yy)
        for (int xx = 0; xx < image.width; ++xx) {
            const std::uint32_t p = image.argb[yy * image.width + xx];
            if (p >> 24)
                sheet.set(x + xx, y + yy,
                          {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                           static_cast<std::uint8_t>(p)});
        }
}

// All pictures of the packs, decoded from the written files, side by side.
void writePackSheet(const fs::path& programFolder, const std::string& path) {
    const int column = 200, zoom = 3;
    Canvas sheet(column * 4, 172, Rgb{192, 192, 192});
    int x = 0;
    for (const auto& pack : stockPackNames()) {
        const fs::path folder = programFolder / pack;
        sheet.text(x + 2, 2, pack.substr(0, pack.find(' ')), vga::Black);
        std::string error;
        if (auto logo = velkan::test::decodeBmp4(readFile(folder / "Logo.bmp"), error))
            drawDecoded(sheet, *logo, x + 4, 168 - logo->height);
        int ix = x + 30;
        for (int size : {10, 12, 14, 16, 22, 32}) {
            const fs::path file = folder / ("Icon" + std::to_string(size) + ".ico");
            if (!fs::exists(file))
                continue;
            if (auto icon = firstIcon(readFile(file))) {
                drawDecoded(sheet, *icon, ix, 14);
                ix += size + 3;
            }
        }
        for (int i = 1; i <= 10; ++i) {
            const fs::path file = folder / (std::to_string(i) + ".ico");
            if (!fs::exists(file))
                continue;
            if (auto icon = firstIcon(readFile(file)))
                drawDecoded(sheet, *icon, x + 30 + ((i - 1) % 4) * 36, 52 + ((i - 1) / 4) * 34);
        }
        x += column;
    }
    Canvas big = sheet.scaled(sheet.width() * zoom, sheet.height() * zoom);
    std::vector<std::uint32_t> argb;
    for (int y = 0; y < big.height(); ++y)
        for (int xx = 0; xx < big.width(); ++xx) {
            const Rgb c = big.pixel(xx, y);
            argb.push_back(0xFF000000u | c.r << 16 | c.g << 8 | c.b);
        }
    ASSERT_TRUE(velkan::test::writePng(path, big.width(), big.height(), argb));
}

// The packs written once for the tests that only read them.
const fs::path& stockPacks() {
    static TempDir dir;
    static const bool written = writeStockPacks(dir.path()).ok();
    EXPECT_TRUE(written);
    return dir.path();
}

} // namespace

TEST(ThemePacks, EachStockPackHoldsExactlyTheFilesTheUninstallerRemoves) {
    const fs::path& dir = stockPacks();
    ASSERT_EQ(stockPackNames(),
              (std::vector<std::string>{"Ulmrit Theme Pack", "Windows98 Theme Pack",
                                        "Sample Theme Pack", "Sun Theme Pack"}));
    for (const auto& pack : stockPackNames())
        EXPECT_EQ(filesIn(dir / pack), uninstalledFiles(pack)) << pack;
    if (const char* path = std::getenv("VELKAN_PACK_SHEET"))
        writePackSheet(dir, path);
}

TEST(ThemePacks, PicturesPassTheLoadersChecks) {
    const fs::path& dir = stockPacks();
    const std::size_t accepted[] = {246, 270, 294, 318, 478, 766};
    const int sizes[] = {10, 12, 14, 16, 22, 32};
    for (const auto& pack : stockPackNames()) {
        SCOPED_TRACE(pack);
        const fs::path folder = dir / pack;
        for (int i = 0; i < 6; ++i) {
            const fs::path icon = folder / ("Icon" + std::to_string(sizes[i]) + ".ico");
            if (!fs::exists(icon))
                continue;
            const std::string file = readFile(icon);
            // The loader places an icon by its own width, so it must match the name.
            EXPECT_EQ(u32(file, 22), 40u);
            EXPECT_EQ(u32(file, 26), static_cast<std::uint32_t>(sizes[i]));
            EXPECT_EQ(file.size(), accepted[i]);
            auto decoded = firstIcon(file);
            ASSERT_TRUE(decoded);
            EXPECT_TRUE(std::any_of(decoded->argb.begin(), decoded->argb.end(),
                                    [](std::uint32_t p) { return p >> 24; }))
                << "an icon with no visible pixel";
        }
        const std::string logo = readFile(folder / "Logo.bmp");
        EXPECT_EQ(u32(logo, 14), 40u);
        EXPECT_EQ(u32(logo, 18), 21u);
        const auto height = static_cast<std::int32_t>(u32(logo, 22));
        EXPECT_GE(height, 1);
        EXPECT_LE(height, 130);
        EXPECT_EQ((u32(logo, 26) >> 16) & 0xF, 4u);
        EXPECT_EQ(u32(logo, 10), 118u) << "rows follow the palette directly";
        // The pack's logo height shows the whole picture.
        EXPECT_EQ(readProfileIntExact(folder / "index.vkr", "StartMenu", "LogoHeight", 131),
                  height);
        for (int i = 1; i <= 10; ++i) {
            const fs::path item = folder / (std::to_string(i) + ".ico");
            if (fs::exists(item)) {
                EXPECT_TRUE(firstIcon(readFile(item))) << i;
            }
        }
    }
}

TEST(ThemePacks, IndexFilesReadBackWithTheProfileRulesInTheOrderOfANewFile) {
    const fs::path& dir = stockPacks();
    const std::vector<std::string> captionKeys = {
        "Programs", "Documents", "Settings",  "Find",   "Help",      "Run",
        "Suspend",  "Shut Down", "Favorites", "Logoff", "LogoHeight"};
    std::set<std::string> names, startTexts;
    for (const auto& pack : stockPackNames()) {
        SCOPED_TRACE(pack);
        const fs::path index = dir / pack / "index.vkr";
        EXPECT_EQ(readProfileSections(index),
                  (std::vector<std::string>{"About", "StartButton", "StartMenu"}));
        EXPECT_EQ(readProfileKeys(index, "About"),
                  (std::vector<std::string>{"Name", "Author", "Description"}));
        EXPECT_EQ(readProfileKeys(index, "StartButton"),
                  (std::vector<std::string>{"Text", "Tooltip"}));
        EXPECT_EQ(readProfileKeys(index, "StartMenu"), captionKeys);

        EXPECT_EQ(readProfileString(index, "About", "Name", ""), pack);
        EXPECT_NE(readProfileString(index, "About", "Author", "Unknown"), "Unknown");
        EXPECT_GT(readProfileString(index, "About", "Description", "").size(), 20u);
        const std::string text = readProfileString(index, "StartButton", "Text", "MyErr");
        EXPECT_LE(text.size(), 5u);
        EXPECT_NE(text, "MyErr");
        // The loaders ask for "ToolTip"; key names compare without regard to case.
        EXPECT_NE(readProfileString(index, "startbutton", "ToolTip", "MyErr"), "MyErr");
        for (const auto& key : captionKeys)
            EXPECT_NE(readProfileString(index, "StartMenu", key, "MyErr"), "MyErr") << key;
        // Written with Windows line ends.
        const std::string raw = readFile(index);
        EXPECT_EQ(raw.rfind("[About]\r\nName=", 0), 0u);
        EXPECT_EQ(raw.find("\n\n"), std::string::npos);
        names.insert(readProfileString(index, "About", "Description", ""));
        startTexts.insert(text);
    }
    EXPECT_EQ(names.size(), 4u) << "each pack describes itself";
    EXPECT_EQ(startTexts.size(), 4u) << "each pack has its own Start-button text";
}

TEST(ThemePacks, RewritingReplacesStaleIndexKeysAndKeepsOtherFolders) {
    TempDir dir;
    ASSERT_TRUE(writeStockPacks(dir.path()));
    const fs::path index = dir / "Sun Theme Pack" / "index.vkr";
    const std::string first = readFile(index);
    velkan::test::writeFile(index, first + "[Extra]\r\nOld=1\r\n");
    fs::create_directories(dir / "My Own Pack");
    velkan::test::writeFile(dir / "My Own Pack" / "index.vkr", "[About]\r\nName=Mine\r\n");

    ASSERT_TRUE(writeStockPacks(dir.path()));
    EXPECT_EQ(readFile(index), first);
    EXPECT_EQ(readFile(dir / "My Own Pack" / "index.vkr"), "[About]\r\nName=Mine\r\n");
}

TEST(ThemePacks, StockCaptionsFitTheDefaultBuildWholeAndEveryBuildAsAWord) {
    // Pack keys in the order the index file keeps them, with their entries.
    using velkan::shellpatch::Entry;
    const std::pair<const char*, Entry> keys[] = {
        {"Programs", Entry::Programs},   {"Documents", Entry::Documents},
        {"Settings", Entry::Settings},   {"Find", Entry::Find},
        {"Help", Entry::Help},           {"Run", Entry::Run},
        {"Suspend", Entry::Suspend},     {"Shut Down", Entry::ShutDown},
        {"Favorites", Entry::Favorites}, {"Logoff", Entry::LogOff}};
    const auto& defaultBuild = velkan::shellpatch::kBuilds[0];
    for (const auto& pack : stockPackNames()) {
        SCOPED_TRACE(pack);
        const fs::path index = stockPacks() / pack / "index.vkr";
        auto text = [&](const char* section, const char* key) {
            return readProfileString(index, section, key, "");
        };
        EXPECT_LE(text("StartButton", "Text").size(), std::size_t(defaultBuild.startText.length));
        EXPECT_LE(text("StartButton", "Tooltip").size(), std::size_t(defaultBuild.tooltip.length));
        for (const auto& [key, entry] : keys) {
            const std::string caption = text("StartMenu", key);
            ASSERT_FALSE(caption.empty()) << key;
            EXPECT_LE(caption.size(), std::size_t(defaultBuild.caption(entry).length)) << caption;
            // Cut to a shorter field of another build, a caption never ends
            // in the middle of its "..." or right after its "&".
            for (const auto& build : velkan::shellpatch::kBuilds) {
                const int length = build.caption(entry).length;
                if (!build.caption(entry).present() || caption.size() <= std::size_t(length))
                    continue;
                const std::string cut = caption.substr(0, static_cast<std::size_t>(length));
                EXPECT_EQ(cut.find('.'), std::string::npos) << cut << " on " << build.itemCaption;
                EXPECT_NE(cut.back(), '&') << cut << " on " << build.itemCaption;
            }
        }
    }
}
