#include "tools/ThemePacks.h"

#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/ProfileString.h"
#include "tools/Bitmap16.h"
#include "tools/IconImage.h"
#include "tools/Shell32Image.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <system_error>

namespace velkan::machine {

namespace fs = std::filesystem;
using platform::Error;
using platform::Status;
using platform::WinError;
using namespace vga;

namespace {

constexpr int kStartButtonSizes[] = {10, 12, 14, 16, 22, 32};

// ---- Start-button pictures, drawn for any of the six sizes -----------------

// The four-pane flag of Windows 98, waving, with the trail of dashes at its left.
Canvas windowsFlag(int size) {
    Canvas c(size, size);
    const double s = size / 16.0;
    auto pane = [&](double x, double y, double w, double h, Rgb colour) {
        // Each pane leans with the wave: its right edge sits a little higher.
        const double lift = 1.2 * s;
        std::vector<std::pair<int, int>> p = {
            {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))},
            {static_cast<int>(std::lround(x + w - 1)), static_cast<int>(std::lround(y - lift))},
            {static_cast<int>(std::lround(x + w - 1)),
             static_cast<int>(std::lround(y + h - 1 - lift))},
            {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y + h - 1))}};
        c.fillPolygon(p, colour);
    };
    const double left = 5 * s, top = 2.5 * s, w = 5 * s, h = 5.5 * s, gap = std::max(1.0, s);
    pane(left, top, w, h, Red);
    pane(left + w + gap, top - 0.6 * s, w, h, Lime);
    pane(left, top + h + gap, w, h, Blue);
    pane(left + w + gap, top + h + gap - 0.6 * s, w, h, Yellow);
    // A black rim, as the flag has on the grey button; too heavy below 14 pixels.
    if (size >= 14)
        c = c.outlined(Black);
    // The trail: short dashes fading to the left.
    const Rgb trail[] = {Red, Lime, Blue, Yellow};
    for (int row = 0; row < 4 && size >= 14; ++row) {
        const int y = static_cast<int>(std::lround(top + (row * (2 * h + gap)) / 4 + s));
        c.fillRect(static_cast<int>(std::lround(1 * s)), y, std::max(1, static_cast<int>(s)),
                   std::max(1, static_cast<int>(s)), trail[row]);
        c.fillRect(static_cast<int>(std::lround(2.8 * s)), y,
                   std::max(1, static_cast<int>(1.3 * s)), std::max(1, static_cast<int>(s)),
                   trail[row]);
    }
    return c;
}

Canvas sunIcon(int size) {
    Canvas c(size, size);
    const double centre = (size - 1) / 2.0;
    const double disk = size * 0.28, rayIn = size * 0.36, rayOut = size * 0.5;
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        c.line(static_cast<int>(std::lround(centre + rayIn * std::cos(a))),
               static_cast<int>(std::lround(centre + rayIn * std::sin(a))),
               static_cast<int>(std::lround(centre + rayOut * std::cos(a))),
               static_cast<int>(std::lround(centre + rayOut * std::sin(a))), i % 2 ? Red : Maroon);
        if (size >= 22)
            c.line(static_cast<int>(std::lround(centre + rayIn * std::cos(a) + 1)),
                   static_cast<int>(std::lround(centre + rayIn * std::sin(a))),
                   static_cast<int>(std::lround(centre + rayOut * std::cos(a) + 1)),
                   static_cast<int>(std::lround(centre + rayOut * std::sin(a))), Red);
    }
    const int d = static_cast<int>(std::lround(2 * disk)) | 1;
    const int at = static_cast<int>(std::lround(centre - d / 2.0 + 0.5));
    c.fillEllipse(at, at, d, d, Red);
    c.fillEllipse(at + 1, at + 1, d - 2, d - 2, Yellow);
    if (size >= 14)
        c.fillEllipse(at + 2, at + 2, std::max(2, d / 3), std::max(2, d / 3), White);
    return c;
}

// Ulmrit's own emblem: a green leaf with its vein, pointing up and right.
Canvas leafIcon(int size) {
    Canvas c(size, size);
    const double s = size / 16.0;
    auto P = [&](double x, double y) {
        return std::pair<int, int>{static_cast<int>(std::lround(x * s)),
                                   static_cast<int>(std::lround(y * s))};
    };
    std::vector<std::pair<int, int>> leaf = {P(2, 14), P(2, 8),  P(5, 4),   P(10, 2),
                                             P(15, 1), P(14, 6), P(12, 11), P(7, 14)};
    c.fillPolygon(leaf, Green);
    std::vector<std::pair<int, int>> light = {P(4, 11), P(4, 8), P(7, 5), P(12, 3), P(8, 8)};
    c.fillPolygon(light, Lime);
    c.line(P(1, 15).first, P(1, 15).second, P(13, 3).first, P(13, 3).second, Black);
    for (std::size_t i = 0; i < leaf.size(); ++i)
        c.line(leaf[i].first, leaf[i].second, leaf[(i + 1) % leaf.size()].first,
               leaf[(i + 1) % leaf.size()].second, Black);
    return c;
}

// The sample pack's emblem: a target of rings.
Canvas targetIcon(int size) {
    Canvas c(size, size);
    c.fillEllipse(0, 0, size, size, Black);
    c.fillEllipse(1, 1, size - 2, size - 2, Red);
    const int ring = std::max(1, size / 6);
    c.fillEllipse(ring + 1, ring + 1, size - 2 * ring - 2, size - 2 * ring - 2, White);
    c.fillEllipse(2 * ring + 1, 2 * ring + 1, size - 4 * ring - 2, size - 4 * ring - 2, Red);
    if (size - 6 * ring - 2 > 0)
        c.fillEllipse(3 * ring + 1, 3 * ring + 1, size - 6 * ring - 2, size - 6 * ring - 2, Blue);
    return c;
}

// ---- Logos, 21 pixels wide ---------------------------------------------------

constexpr int kLogoWidth = 21;

// Vertical text with a dark rim so it stays readable over a gradient.
void logoText(Canvas& logo, int bottom, std::string_view text, Rgb colour, Rgb rim, Font font,
              bool bold = false) {
    Canvas layer(logo.width(), logo.height());
    const int x = (kLogoWidth - Canvas::textHeight(font)) / 2;
    layer.textUp(x, bottom, text, colour, font);
    if (bold)
        layer.textUp(x + 1, bottom, text, colour, font);
    logo.draw(layer.outlined(rim), 0, 0);
}

Canvas windows98Logo() {
    Canvas logo(kLogoWidth, 130);
    logo.gradientRect(0, 0, kLogoWidth, 130, Rgb{0, 0, 160}, Rgb{0, 0, 0}, true);
    const int wordEnd = 124 - Canvas::textWidth("Windows", Font::Large);
    logoText(logo, 124, "Windows", White, Black, Font::Large);
    logoText(logo, wordEnd - 3, "98", White, Black, Font::Large, true);
    return logo;
}

Canvas ulmritLogo() {
    Canvas logo(kLogoWidth, 100);
    logo.gradientRect(0, 0, kLogoWidth, 100, Rgb{0, 0, 0}, Rgb{0, 110, 0}, true);
    // A row of small diamonds above the name, like a carved border.
    for (int y = 4; y < 22; y += 6)
        for (int dy = -2; dy <= 2; ++dy) {
            const int half = 2 - std::abs(dy);
            logo.fillRect(10 - half, y + dy, 2 * half + 1, 1, y == 10 ? Lime : Olive);
        }
    logoText(logo, 95, "Ulmrit", Lime, Black, Font::Large);
    return logo;
}

Canvas sunLogo() {
    Canvas logo(kLogoWidth, 130);
    logo.gradientRect(0, 0, kLogoWidth, 65, Rgb{128, 0, 0}, Rgb{255, 64, 0}, true);
    logo.gradientRect(0, 65, kLogoWidth, 65, Rgb{255, 64, 0}, Rgb{255, 255, 0}, true);
    // The sun setting at the top.
    logo.fillEllipse(2, 3, 17, 17, Red);
    logo.fillEllipse(3, 4, 15, 15, Yellow);
    logo.fillEllipse(6, 7, 4, 4, White);
    logoText(logo, 125, "Sunshine", White, Maroon, Font::Large);
    return logo;
}

Canvas sampleLogo() {
    Canvas logo(kLogoWidth, 57);
    logo.bevel(0, 0, kLogoWidth, 57, true);
    const int textBottom = 57 - (57 - Canvas::textWidth("Sample", Font::Bold)) / 2;
    logo.textUp(7, textBottom, "Sample", Navy, Font::Bold);
    return logo;
}

// ---- The sample pack's item icons: our shell icons in other colours ---------

Canvas recoloured(Canvas c) {
    auto swap = [](Rgb p) {
        if (p == Yellow)
            return Aqua;
        if (p == Olive)
            return Teal;
        if (p == Navy)
            return Purple;
        if (p == Teal)
            return Green;
        if (p == Blue)
            return Fuchsia;
        return p;
    };
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.opaque(x, y))
                c.set(x, y, swap(c.pixel(x, y)));
    return c;
}

std::vector<std::uint8_t> sampleItemIcon(int shellIndex) {
    return makeIcoFile({encodeIconImage(recoloured(drawShell32Icon(shellIndex, 32, false)), 4),
                        encodeIconImage(recoloured(drawShell32Icon(shellIndex, 16, false)), 4)});
}

// ---- Index files ------------------------------------------------------------

struct PackText {
    const char* folder;
    const char* author;
    const char* description;
    const char* startText;
    const char* tooltip;
    // Programs, Documents, Settings, Find, Help, Run, Suspend, Shut Down,
    // Favorites, Logoff: the order the index file keeps them in.
    const char* captions[10];
    int logoHeight;
};

constexpr const char* kCaptionKeys[10] = {"Programs",  "Documents", "Settings", "Find",
                                          "Help",      "Run",       "Suspend",  "Shut Down",
                                          "Favorites", "Logoff"};

// The captions fit the fields of the default build ("English US IE4.01")
// whole; where another build's field is shorter, the cut keeps a word that
// still reads (the essential word first, no "..." that would be cut in half).
constexpr PackText kUlmrit = {
    "Ulmrit Theme Pack",
    "Velkan",
    "Ulmrit: deep forest greens. A carved green logo runs down the Start menu and a leaf "
    "sits on the Start button; the menu entries get woodland names.",
    "Woods",
    "Step into the woods",
    {"&Trails", "&Notes", "&Workshop", "&Seek", "&Sage", "Wa&nder", "&Rest", "&Leave...", "&Glades",
     "&Go home"},
    100};

constexpr PackText kWindows98 = {
    "Windows98 Theme Pack",
    "Velkan",
    "The Windows 98 look on Windows 95: the Windows98 banner down the Start menu, the waving "
    "flag on the Start button and the menu captions of Windows 98.",
    "Start",
    "Click here to begin.",
    {"&Programs", "&Documents", "&Settings", "&Find", "&Help", "&Run...", "&Suspend", "Sh&ut Down",
     "F&avorites", "&Log Off"},
    130};

constexpr PackText kSample = {
    "Sample Theme Pack",
    "Velkan",
    "A small demonstration of what a theme pack can hold: Start-button icons at all six sizes, "
    "a 21x57 logo, new captions and new icons for all ten Start-menu entries. Use it as a "
    "model for your own packs.",
    "Demo",
    "The sample pack",
    {"&My apps", "My &Docs", "My &Setup", "&Find", "&Info", "&Run it", "&Nap", "&Goodbye",
     "My &Picks", "&Log Off"},
    57};

constexpr PackText kSun = {
    "Sun Theme Pack",
    "Velkan",
    "Warm yellows and oranges: a bright sun on the Start button at every size and a sunset "
    "logo with \"Sunshine\" written down the Start menu.",
    "Sun",
    "Let the sun in",
    {"&Programs", "&Documents", "&Settings", "&Find", "&Help", "&Run...", "&Doze", "Sun&set",
     "F&avorites", "&Log Off"},
    130};

Status writeIndex(const fs::path& folder, const PackText& pack) {
    const fs::path index = folder / "index.vkr";
    // A fresh file each time, so the keys stand in the order of a new file.
    (void)platform::host::deleteFile(index);
    auto write = [&](const char* section, const char* key, const std::string& value) {
        return platform::writeProfileString(index, section, key, value);
    };
    for (auto [key, value] : {std::pair<const char*, const char*>{"Name", pack.folder},
                              {"Author", pack.author},
                              {"Description", pack.description}})
        if (auto s = write("About", key, value); !s)
            return s;
    if (auto s = write("StartButton", "Text", pack.startText); !s)
        return s;
    if (auto s = write("StartButton", "Tooltip", pack.tooltip); !s)
        return s;
    for (int i = 0; i < 10; ++i)
        if (auto s = write("StartMenu", kCaptionKeys[i], pack.captions[i]); !s)
            return s;
    return write("StartMenu", "LogoHeight", std::to_string(pack.logoHeight));
}

Status writeBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    return platform::writeFileAtomically(
        file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Status writeStartButtonIcon(const fs::path& folder, const Canvas& picture) {
    const std::string name = "Icon" + std::to_string(picture.width()) + ".ico";
    return writeBytes(folder / name, makeIcoFile({encodeIconImage(picture, 4)}));
}

Status writePack(const fs::path& programFolder, const PackText& text, const Canvas& logo,
                 const std::function<Canvas(int)>& icon, bool allSizes, bool itemIcons) {
    const fs::path folder = programFolder / text.folder;
    if (!platform::host::createDirectories(folder))
        return Error::of(WinError::PathNotFound, "Unable to create " + folder.string());
    if (auto s = writeIndex(folder, text); !s)
        return s;
    if (auto s = writeBytes(folder / "Logo.bmp", encodeBmp16File(logo, Dither::Ordered)); !s)
        return s;
    for (int size : kStartButtonSizes)
        if (allSizes || size == 16)
            if (auto s = writeStartButtonIcon(folder, icon(size)); !s)
                return s;
    if (itemIcons) {
        // 1.ico to 10.ico follow the Start-menu entries: Programs, Favorites,
        // Documents, Settings, Find, Help, Run, Log Off, Suspend, Shut Down.
        const int shellIndexes[10] = {19, 43, 20, 21, 22, 23, 24, 44, 25, 27};
        for (int i = 0; i < 10; ++i)
            if (auto s = writeBytes(folder / (std::to_string(i + 1) + ".ico"),
                                    sampleItemIcon(shellIndexes[i]));
                !s)
                return s;
    }
    return {};
}

} // namespace

const std::vector<std::string>& stockPackNames() {
    static const std::vector<std::string> kNames = {kUlmrit.folder, kWindows98.folder,
                                                    kSample.folder, kSun.folder};
    return kNames;
}

Canvas drawStockLogo(const std::string& pack) {
    if (pack == kUlmrit.folder)
        return ulmritLogo();
    if (pack == kWindows98.folder)
        return windows98Logo();
    if (pack == kSample.folder)
        return sampleLogo();
    return sunLogo();
}

Canvas drawStockStartIcon(const std::string& pack, int size) {
    if (pack == kUlmrit.folder)
        return leafIcon(size);
    if (pack == kWindows98.folder)
        return windowsFlag(size);
    if (pack == kSample.folder)
        return targetIcon(size);
    return sunIcon(size);
}

Status writeStockPacks(const fs::path& programFolder) {
    // The uninstaller removes exactly these files from each stock pack, so each
    // pack holds no others: the Ulmrit and Windows98 packs carry the 16-pixel
    // Start-button icon only.
    if (auto s = writePack(programFolder, kUlmrit, ulmritLogo(), leafIcon, false, false); !s)
        return s;
    if (auto s = writePack(programFolder, kWindows98, windows98Logo(), windowsFlag, false, false);
        !s)
        return s;
    if (auto s = writePack(programFolder, kSample, sampleLogo(), targetIcon, true, true); !s)
        return s;
    return writePack(programFolder, kSun, sunLogo(), sunIcon, true, false);
}

} // namespace velkan::machine
