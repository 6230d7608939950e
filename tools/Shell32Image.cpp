#include "tools/Shell32Image.h"

#include "tools/IconImage.h"
#include "tools/PeResourceWriter.h"
#include "tools/PixelArt.h"

#include <cmath>
#include <functional>

namespace velkan::machine {

namespace {

using namespace vga;

// Richer tones for the 256-colour images; all lie on the palette's colour cube.
constexpr Rgb kCream{255, 255, 204};
constexpr Rgb kGold{255, 204, 51};
constexpr Rgb kAmber{204, 153, 0};
constexpr Rgb kSky{102, 153, 255};
constexpr Rgb kDeepBlue{0, 51, 153};
constexpr Rgb kPale{230, 230, 230};
constexpr Rgb kBrown{153, 102, 51};

// ---- Motifs shared by several icons ----------------------------------------

void folder(PixelArt& a, double x, double y, double w, double h, bool open = false) {
    // tab
    a.box(x, y, w * 0.42, 4, Yellow, Black);
    a.rect(x + 1, y + 1, w * 0.42 - 2, 3, a.rich() ? kGold : Yellow);
    // back
    a.box(x, y + 3, w, h - 3, Olive, Black);
    if (open) {
        // the front flap tilted forward
        a.polygon({{x + 3, y + 9}, {x + w + 1, y + 9}, {x + w - 3, y + h - 1}, {x, y + h - 1}},
                  a.rich() ? kGold : Yellow);
        a.outline({{x + 3, y + 9}, {x + w + 1, y + 9}, {x + w - 3, y + h - 1}, {x, y + h - 1}},
                  Black);
        a.line(x + 4, y + 10, x + w - 1, y + 10, White);
        return;
    }
    a.shade(x + 1, y + 4, w - 2, h - 5, Yellow, kCream, kGold);
    a.line(x + 1, y + 4, x + w - 2, y + 4, White);
    a.line(x + 1, y + 4, x + 1, y + h - 2, White);
    a.line(x + 1, y + h - 2, x + w - 2, y + h - 2, a.rich() ? kAmber : Olive);
    a.line(x + w - 2, y + 5, x + w - 2, y + h - 2, a.rich() ? kAmber : Olive);
}

void page(PixelArt& a, double x, double y, double w, double h, bool lines = true) {
    const double fold = a.small() ? 4 : 6;
    a.polygon(
        {{x, y}, {x + w - fold, y}, {x + w - 1, y + fold}, {x + w - 1, y + h - 1}, {x, y + h - 1}},
        White);
    a.outline(
        {{x, y}, {x + w - fold, y}, {x + w - 1, y + fold}, {x + w - 1, y + h - 1}, {x, y + h - 1}},
        Black);
    a.polygon({{x + w - fold, y}, {x + w - fold, y + fold}, {x + w - 1, y + fold}}, Silver);
    a.outline({{x + w - fold, y}, {x + w - fold, y + fold}, {x + w - 1, y + fold}}, Black);
    if (!lines)
        return;
    for (double ly = y + fold + 3; ly < y + h - 3; ly += a.small() ? 4 : 3)
        a.line(x + 3, ly, x + w - 5, ly, a.rich() ? kSky : Navy);
}

void window(PixelArt& a, double x, double y, double w, double h, Rgb body = White) {
    a.box(x, y, w, h, body, Black);
    a.shade(x + 1, y + 1, w - 2, a.small() ? 4 : 5, Navy, kDeepBlue, kSky, false);
    if (!a.small()) {
        a.box(x + w - 6, y + 2, 4, 3, Silver, Black);
    }
}

void monitor(PixelArt& a, double x, double y, double w, double h, Rgb screen = Teal) {
    a.box(x, y, w, h, Silver, Black);
    a.line(x + 1, y + 1, x + w - 2, y + 1, White);
    a.line(x + 1, y + 1, x + 1, y + h - 2, White);
    a.line(x + 1, y + h - 2, x + w - 2, y + h - 2, Gray);
    a.box(x + 3, y + 3, w - 6, h - 6, screen, Black);
    if (a.rich() && screen == Teal)
        a.shade(x + 4, y + 4, w - 8, h - 8, Teal, Rgb{0, 153, 153}, Rgb{0, 102, 102});
    // stand
    a.rect(x + w / 2 - 3, y + h, 6, 2, Gray);
    a.box(x + w / 2 - 7, y + h + 2, 14, 3, Silver, Black);
}

void computer(PixelArt& a, Rgb screen = Teal) {
    monitor(a, 4, 2, 24, 19, screen);
    // system unit below the monitor
    a.box(2, 26, 28, 5, Silver, Black);
    a.line(4, 28, 14, 28, Black);
    a.dot(26, 28, Lime);
}

void driveBox(PixelArt& a, double y, Rgb led = Lime) {
    a.box(1, y, 30, 12, Silver, Black);
    a.line(2, y + 1, 29, y + 1, White);
    a.line(2, y + 1, 2, y + 10, White);
    a.line(2, y + 10, 29, y + 10, Gray);
    a.rect(4, y + 5, 14, 2, Gray);
    a.rect(24, y + 6, 3, 2, led);
}

void magnifier(PixelArt& a, double x, double y, double d) {
    const double handle = d * 0.55;
    a.polygon({{x + d * 0.78, y + d * 0.72},
               {x + d * 0.72, y + d * 0.78},
               {x + d * 0.7 + handle, y + d * 0.76 + handle},
               {x + d * 0.76 + handle, y + d * 0.7 + handle}},
              a.rich() ? kBrown : Maroon);
    a.ellipse(x, y, d, d, Black);
    a.ellipse(x + 2, y + 2, d - 4, d - 4, a.rich() ? Rgb{204, 255, 255} : Aqua);
    a.dot(x + d * 0.3, y + d * 0.3, White);
    a.dot(x + d * 0.3 + 1, y + d * 0.3, White);
    a.dot(x + d * 0.3, y + d * 0.3 + 1, White);
}

void shortcutArrow(PixelArt& a) {
    a.box(0, 20, 12, 12, White, Black);
    a.line(3, 28, 8, 23, Black);
    a.polygon({{5, 23}, {9, 23}, {9, 27}}, Black);
}

void star(PixelArt& a, double cx, double cy, double r, Rgb fill, Rgb edge) {
    std::vector<std::pair<double, double>> p;
    for (int i = 0; i < 10; ++i) {
        const double ang = -M_PI / 2 + i * M_PI / 5;
        const double rr = i % 2 ? r * 0.45 : r;
        p.emplace_back(cx + rr * std::cos(ang), cy + rr * std::sin(ang));
    }
    a.polygon({p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9]}, fill);
    a.outline({p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9]}, edge);
}

void gear(PixelArt& a, double cx, double cy, double r, Rgb fill) {
    // Eight teeth: each tooth two points on the outer circle, then two on the root.
    std::vector<std::pair<int, int>> p;
    for (int i = 0; i < 32; ++i) {
        const double ang = i * M_PI / 16;
        const double rr = i % 4 < 2 ? r : r * 0.68;
        p.emplace_back(a.at(cx + rr * std::cos(ang)), a.at(cy + rr * std::sin(ang)));
    }
    a.canvas().fillPolygon(p, fill);
    for (std::size_t i = 0; i < p.size(); ++i) {
        auto [ax, ay] = p[i];
        auto [bx, by] = p[(i + 1) % p.size()];
        a.canvas().line(ax, ay, bx, by, Black);
    }
    a.ellipse(cx - r * 0.32, cy - r * 0.32, r * 0.64 + 1, r * 0.64 + 1, Black);
    a.ellipse(cx - r * 0.2, cy - r * 0.2, r * 0.4 + 1, r * 0.4 + 1, White);
}

void globe(PixelArt& a, double x, double y, double d) {
    a.ellipse(x, y, d, d, Black);
    a.ellipse(x + 1, y + 1, d - 2, d - 2, a.rich() ? kSky : Blue);
    // continents
    a.polygon({{x + d * 0.25, y + d * 0.2},
               {x + d * 0.5, y + d * 0.15},
               {x + d * 0.55, y + d * 0.4},
               {x + d * 0.35, y + d * 0.55},
               {x + d * 0.2, y + d * 0.4}},
              Green);
    a.polygon({{x + d * 0.6, y + d * 0.55},
               {x + d * 0.8, y + d * 0.5},
               {x + d * 0.75, y + d * 0.8},
               {x + d * 0.6, y + d * 0.8}},
              Green);
    a.line(x + d * 0.5, y + 1, x + d * 0.5, y + d - 2, a.rich() ? Rgb{204, 255, 255} : Aqua);
    a.line(x + 1, y + d * 0.5, x + d - 2, y + d * 0.5, a.rich() ? Rgb{204, 255, 255} : Aqua);
}

void printer(PixelArt& a, double x, double y) {
    a.box(x + 6, y, 16, 9, White, Black); // paper in
    a.polygon({{x + 2, y + 8}, {x + 26, y + 8}, {x + 28, y + 12}, {x, y + 12}}, Gray);
    a.outline({{x + 2, y + 8}, {x + 26, y + 8}, {x + 28, y + 12}, {x, y + 12}}, Black);
    a.box(x, y + 12, 28, 8, Silver, Black);
    a.line(x + 1, y + 13, x + 26, y + 13, White);
    a.rect(x + 21, y + 15, 3, 2, Lime);
    a.box(x + 5, y + 19, 18, 6, White, Black); // paper out
    a.line(x + 8, y + 22, x + 19, y + 22, Navy);
}

void book(PixelArt& a, double x, double y, Rgb cover) {
    a.polygon({{x + 4, y}, {x + 26, y}, {x + 22, y + 24}, {x, y + 24}}, cover);
    a.outline({{x + 4, y}, {x + 26, y}, {x + 22, y + 24}, {x, y + 24}}, Black);
    // pages
    a.polygon({{x, y + 24},
               {x + 22, y + 24},
               {x + 26, y + 1},
               {x + 26, y + 4},
               {x + 23, y + 28},
               {x, y + 28}},
              White);
    a.outline({{x, y + 24},
               {x + 22, y + 24},
               {x + 26, y + 1},
               {x + 26, y + 4},
               {x + 23, y + 28},
               {x, y + 28}},
              Black);
    a.line(x + 1, y + 26, x + 22, y + 26, Silver);
}

void questionMark(PixelArt& a, double x, double y, Rgb colour) {
    if (a.small()) {
        a.canvas().text(a.at(x), a.at(y), "?", colour, Font::Bold);
        return;
    }
    a.canvas().text(a.at(x) - 2, a.at(y) - 2, "?", colour, Font::Large);
}

void arrowRight(PixelArt& a, double x, double y, double len, Rgb fill) {
    a.polygon({{x, y + 3},
               {x + len - 7, y + 3},
               {x + len - 7, y},
               {x + len, y + 6},
               {x + len - 7, y + 12},
               {x + len - 7, y + 9},
               {x, y + 9}},
              fill);
    a.outline({{x, y + 3},
               {x + len - 7, y + 3},
               {x + len - 7, y},
               {x + len, y + 6},
               {x + len - 7, y + 12},
               {x + len - 7, y + 9},
               {x, y + 9}},
              Black);
}

void moon(PixelArt& a, double x, double y, double d, Rgb sky) {
    a.ellipse(x, y, d, d, Yellow);
    a.ellipse(x + d * 0.35, y - d * 0.1, d * 0.8, d * 0.8, sky);
}

void powerSymbol(PixelArt& a, double cx, double cy, double r, Rgb colour) {
    a.ring(cx - r, cy - r, 2 * r + 1, 2 * r + 1, colour);
    a.ring(cx - r + 1, cy - r + 1, 2 * r - 1, 2 * r - 1, colour);
    a.rect(cx - 2, cy - r - 2, 5, r, a.rich() ? Rgb{0, 102, 102} : Teal);
    a.rect(cx - 1, cy - r - 1, 2, r + 1, colour);
}

void key(PixelArt& a, double x, double y) {
    a.ellipse(x, y, 12, 12, Black);
    a.ellipse(x + 1, y + 1, 10, 10, a.rich() ? kGold : Yellow);
    a.ellipse(x + 4, y + 4, 4, 4, Black);
    a.polygon({{x + 9, y + 9}, {x + 11, y + 7}, {x + 23, y + 19}, {x + 21, y + 21}}, Yellow);
    a.outline({{x + 9, y + 9}, {x + 11, y + 7}, {x + 23, y + 19}, {x + 21, y + 21}}, Black);
    a.rect(x + 16, y + 16, 3, 3, Black);
    a.rect(x + 19, y + 19, 2, 4, Black);
}

void person(PixelArt& a, double x, double y, Rgb shirt) {
    a.ellipse(x + 4, y, 9, 9, Black);
    a.ellipse(x + 5, y + 1, 7, 7, Rgb{255, 204, 153});
    a.polygon({{x, y + 20}, {x + 2, y + 11}, {x + 15, y + 11}, {x + 17, y + 20}}, shirt);
    a.outline({{x, y + 20}, {x + 2, y + 11}, {x + 15, y + 11}, {x + 17, y + 20}}, Black);
}

void hand(PixelArt& a) {
    a.polygon({{0, 26}, {8, 22}, {16, 22}, {24, 26}, {24, 31}, {0, 31}}, Rgb{255, 204, 153});
    a.outline({{0, 26}, {8, 22}, {16, 22}, {24, 26}, {24, 31}, {0, 31}}, Black);
    a.line(8, 26, 18, 26, Maroon);
}

void cd(PixelArt& a, double x, double y, double d) {
    a.ellipse(x, y, d, d, Black);
    a.ellipse(x + 1, y + 1, d - 2, d - 2, Silver);
    if (a.rich())
        a.ellipse(x + 3, y + 3, d - 6, d - 6, Rgb{204, 204, 255});
    a.line(x + d * 0.3, y + d * 0.2, x + d * 0.45, y + d * 0.4, White);
    a.ellipse(x + d / 2 - 3, y + d / 2 - 3, 7, 7, Black);
    a.ellipse(x + d / 2 - 1, y + d / 2 - 1, 3, 3, White);
}

void recycleBin(PixelArt& a, bool full) {
    if (full) {
        page(a, 8, 0, 12, 12, false);
        a.polygon({{14, 4}, {26, 2}, {27, 10}, {16, 11}}, White);
        a.outline({{14, 4}, {26, 2}, {27, 10}, {16, 11}}, Black);
    }
    a.polygon({{5, 9}, {27, 9}, {24, 31}, {8, 31}}, a.rich() ? Rgb{204, 204, 204} : Silver);
    a.outline({{5, 9}, {27, 9}, {24, 31}, {8, 31}}, Black);
    for (double lx = 10; lx < 24; lx += 4)
        a.line(lx, 12, lx + 0.5, 28, Gray);
    a.box(3, 7, 26, 4, White, Black);
    // the recycling arrows
    a.ring(11, 15, 10, 10, Green);
    a.rect(18, 15, 3, 3, a.rich() ? Rgb{204, 204, 204} : Silver);
    a.polygon({{18, 14}, {22, 17}, {17, 18}}, Green);
}

void floppy35(PixelArt& a) {
    a.polygon({{3, 3}, {27, 3}, {29, 5}, {29, 29}, {3, 29}}, Navy);
    a.outline({{3, 3}, {27, 3}, {29, 5}, {29, 29}, {3, 29}}, Black);
    a.box(9, 3, 14, 9, Silver, Black);
    a.rect(18, 5, 3, 5, Navy);
    a.box(6, 16, 20, 13, White, Black);
    a.line(8, 20, 24, 20, Silver);
    a.line(8, 24, 24, 24, Silver);
}

void cable(PixelArt& a, double x0, double y0, double x1, double y1) {
    a.line(x0, y0, x0, y1, Black);
    a.line(x0, y1, x1, y1, Black);
}

// ---- The icons --------------------------------------------------------------

void drawIcon(PixelArt& a, int index) {
    switch (index) {
    case 0: // unknown document
        page(a, 6, 1, 20, 30, false);
        break;
    case 1: // document
        page(a, 6, 1, 20, 30);
        break;
    case 2: // application
        window(a, 2, 5, 28, 22);
        a.rect(4, 12, 10, 2, Gray);
        a.rect(4, 16, 14, 2, Gray);
        break;
    case 3: // folder
        folder(a, 2, 5, 28, 22);
        break;
    case 4: // open folder
        folder(a, 2, 5, 28, 22, true);
        break;
    case 5: // 5.25-inch floppy drive
        driveBox(a, 14);
        a.rect(4, 17, 22, 1, Black);
        a.box(11, 15, 6, 4, Gray, Black);
        break;
    case 6: // 3.5-inch floppy
        floppy35(a);
        break;
    case 7: // removable drive
        driveBox(a, 12, Yellow);
        a.box(6, 16, 14, 3, Black, Black);
        break;
    case 8: // hard disk
        driveBox(a, 12);
        break;
    case 9: // network drive
        driveBox(a, 8);
        cable(a, 16, 20, 28, 28);
        a.rect(4, 28, 24, 2, Black);
        break;
    case 10: // disconnected network drive
        driveBox(a, 8);
        cable(a, 16, 20, 28, 28);
        a.rect(4, 28, 24, 2, Black);
        a.line(18, 18, 28, 30, Red);
        a.line(19, 18, 29, 30, Red);
        a.line(28, 18, 18, 30, Red);
        a.line(29, 18, 19, 30, Red);
        break;
    case 11: // CD-ROM drive
        driveBox(a, 16);
        cd(a, 8, 2, 16);
        break;
    case 12: // RAM drive
        a.box(2, 10, 28, 12, Green, Black);
        for (double cx = 5; cx < 27; cx += 6)
            a.box(cx, 12, 4, 6, Black, Black);
        for (double px = 4; px < 29; px += 2)
            a.rect(px, 22, 1, 3, a.rich() ? kGold : Yellow);
        break;
    case 13: // entire network
        globe(a, 3, 1, 26);
        a.rect(2, 28, 28, 2, Black);
        break;
    case 14: // network computers
        monitor(a, 1, 2, 16, 12);
        monitor(a, 15, 11, 16, 12);
        cable(a, 8, 19, 14, 28);
        break;
    case 15: // my computer
        computer(a);
        break;
    case 16: // printer
        printer(a, 2, 4);
        break;
    case 17: // network neighbourhood
        globe(a, 12, 1, 18);
        monitor(a, 1, 10, 18, 13);
        break;
    case 18: // workgroup
        monitor(a, 1, 1, 14, 11);
        monitor(a, 17, 1, 14, 11);
        monitor(a, 9, 16, 14, 10);
        break;
    case 19: // Programs: folder with a program window
        folder(a, 1, 9, 26, 21);
        window(a, 12, 1, 19, 15);
        a.rect(14, 9, 8, 1, Gray);
        a.rect(14, 12, 11, 1, Gray);
        break;
    case 20: // Documents: folder with a page
        folder(a, 1, 11, 26, 20);
        page(a, 13, 1, 16, 20);
        break;
    case 21: // Settings: folder with a gear
        folder(a, 1, 9, 26, 21);
        gear(a, 22, 10, 9, a.rich() ? Rgb{153, 153, 153} : Gray);
        break;
    case 22: // Find: a magnifier over a page
        page(a, 2, 1, 18, 24);
        magnifier(a, 10, 8, 15);
        break;
    case 23: // Help: book with a question mark
        book(a, 3, 1, a.rich() ? Rgb{0, 102, 204} : Blue);
        questionMark(a, 12, 7, Yellow);
        break;
    case 24: // Run: a window and an arrow going into it
        window(a, 9, 2, 22, 22, Silver);
        a.box(12, 10, 16, 11, White, Black);
        arrowRight(a, 1, 18, 18, Lime);
        break;
    case 25: { // Suspend: a computer with a moon on a night screen
        const Rgb night = a.rich() ? kDeepBlue : Navy;
        computer(a, night);
        moon(a, 11, 7, 9, night);
        a.dot(21, 9, White);
        a.dot(18, 15, White);
        break;
    }
    case 26: // docking station: a portable computer
        a.polygon({{5, 3}, {27, 3}, {27, 19}, {5, 19}}, Silver);
        a.box(5, 3, 22, 17, Silver, Black);
        a.box(8, 6, 16, 11, Teal, Black);
        a.polygon({{2, 21}, {30, 21}, {28, 27}, {4, 27}}, Silver);
        a.outline({{2, 21}, {30, 21}, {28, 27}, {4, 27}}, Black);
        a.line(7, 23, 25, 23, Gray);
        a.line(8, 25, 24, 25, Gray);
        break;
    case 27: { // Shut Down: the computer with a power button on its screen
        computer(a, a.rich() ? Rgb{0, 102, 102} : Teal);
        powerSymbol(a, 16, 11.5, 5, a.rich() ? Rgb{255, 51, 51} : Red);
        break;
    }
    case 28: // shared folder
        folder(a, 3, 2, 26, 20);
        hand(a);
        break;
    case 29: // shortcut overlay
        shortcutArrow(a);
        break;
    case 30: // empty recycle bin
        recycleBin(a, false);
        break;
    case 31: // full recycle bin
        recycleBin(a, true);
        break;
    case 32: // dial-up networking
        monitor(a, 1, 3, 16, 13);
        a.polygon({{16, 20}, {30, 20}, {30, 28}, {16, 28}}, Black);
        a.box(17, 21, 13, 7, a.rich() ? kBrown : Maroon, Black);
        a.box(15, 17, 17, 4, Black, Black);
        a.rect(21, 23, 5, 3, White);
        break;
    case 33: // desktop
        a.shade(1, 3, 30, 22, Teal, Rgb{0, 153, 153}, Rgb{0, 102, 102});
        a.frame(1, 3, 30, 22, Black);
        a.box(3, 5, 5, 5, White, Black);
        a.box(3, 12, 5, 5, Yellow, Black);
        window(a, 11, 7, 17, 13);
        a.rect(1, 25, 30, 4, Silver);
        a.frame(1, 25, 30, 5, Black);
        a.rect(2, 26, 6, 3, Gray);
        break;
    case 34: // control panel
        folder(a, 1, 10, 28, 21);
        a.box(6, 2, 10, 14, Silver, Black);
        a.rect(8, 5, 6, 2, Red);
        a.rect(8, 9, 6, 2, Blue);
        gear(a, 23, 8, 7, a.rich() ? Rgb{153, 153, 153} : Gray);
        break;
    case 35: // program group
        folder(a, 1, 12, 28, 19);
        window(a, 3, 1, 14, 12);
        window(a, 15, 4, 14, 12);
        break;
    case 36: // printers folder
        folder(a, 1, 10, 28, 21);
        a.box(8, 2, 16, 8, White, Black);
        a.box(4, 9, 24, 8, Silver, Black);
        a.rect(22, 12, 3, 2, Lime);
        break;
    case 37: // fonts folder
        folder(a, 1, 6, 28, 24);
        if (a.small())
            a.canvas().text(4, 6, "A", Navy, Font::Bold);
        else
            a.canvas().text(9, 12, "A", Navy, Font::Large);
        break;
    case 38: // taskbar
        a.shade(1, 6, 30, 16, Teal, Rgb{0, 153, 153}, Rgb{0, 102, 102});
        a.frame(1, 6, 30, 16, Black);
        a.box(1, 20, 30, 8, Silver, Black);
        a.box(2, 21, 9, 6, Silver, Black);
        a.rect(3, 23, 2, 2, Red);
        a.rect(5, 23, 2, 2, Lime);
        a.box(13, 21, 9, 6, White, Black);
        break;
    case 39: // audio CD
        cd(a, 3, 3, 26);
        if (a.small()) {
            a.dot(12, 28, Black);
        } else {
            a.rect(22, 18, 2, 12, Black);
            a.ellipse(17, 27, 6, 5, Black);
            a.rect(22, 18, 6, 2, Black);
        }
        break;
    case 40: // network tree
        a.box(12, 2, 8, 7, Yellow, Black);
        a.box(2, 22, 8, 7, Teal, Black);
        a.box(22, 22, 8, 7, Teal, Black);
        a.line(16, 9, 16, 16, Black);
        a.line(6, 16, 26, 16, Black);
        a.line(6, 16, 6, 22, Black);
        a.line(26, 16, 26, 22, Black);
        break;
    case 41: // find computer
        monitor(a, 1, 1, 22, 16);
        magnifier(a, 14, 12, 13);
        break;
    case 42: // MS-DOS prompt
        window(a, 1, 3, 30, 25, Black);
        if (a.small())
            a.canvas().text(2, 6, "C", Silver);
        else
            a.canvas().text(4, 12, "C:\\>", Silver);
        a.rect(a.small() ? 8 : 26, a.small() ? 12 : 19, a.small() ? 3 : 3, 1, Silver);
        break;
    case 43: // Favorites: folder with a star
        folder(a, 1, 9, 26, 21);
        star(a, 22, 10, 10, a.rich() ? kGold : Yellow, a.rich() ? Rgb{153, 51, 0} : Maroon);
        break;
    case 44: // Log Off: a person and a key
        person(a, 1, 3, a.rich() ? Rgb{0, 102, 204} : Blue);
        key(a, 9, 9);
        break;
    case 45: // padlock
        a.ring(9, 2, 14, 16, Black);
        a.ring(10, 3, 12, 14, Gray);
        a.box(6, 13, 20, 17, a.rich() ? kGold : Yellow, Black);
        a.rect(15, 18, 2, 6, Black);
        a.line(7, 14, 24, 14, White);
        break;
    case 46: // mail
        a.box(2, 7, 28, 19, White, Black);
        a.line(2, 7, 16, 18, Black);
        a.line(30, 7, 16, 18, Black);
        a.box(23, 9, 5, 5, Red, Black);
        break;
    case 47: // clock
        a.ellipse(2, 2, 28, 28, Black);
        a.ellipse(3, 3, 26, 26, White);
        for (int h = 0; h < 12; ++h) {
            const double ang = h * M_PI / 6;
            a.dot(16 + 11 * std::cos(ang), 16 + 11 * std::sin(ang), Navy);
        }
        a.line(16, 16, 16, 7, Black);
        a.line(16, 16, 22, 19, Black);
        break;
    default:
        page(a, 6, 1, 20, 30, false);
        break;
    }
}

} // namespace

Canvas drawShell32Icon(int index, int size) {
    return drawShell32Icon(index, size, true);
}

Canvas drawShell32Icon(int index, int size, bool rich) {
    Canvas canvas(size, size);
    PixelArt art(canvas, rich);
    drawIcon(art, index);
    return canvas;
}

std::vector<std::uint8_t> makeShell32Dll() {
    std::vector<PeResource> resources;
    std::uint16_t iconId = 1;
    for (int index = 0; index < kShell32IconCount; ++index) {
        const std::vector<IconImage> images = {
            encodeIconImage(drawShell32Icon(index, 32, false), 4),
            encodeIconImage(drawShell32Icon(index, 16, false), 4),
            encodeIconImage(drawShell32Icon(index, 32, true), 8),
            encodeIconImage(drawShell32Icon(index, 16, true), 8),
        };
        iconId = addIconGroup(resources, static_cast<std::uint16_t>(index + 1), images, iconId);
    }
    return writePeResourceDll(resources);
}

} // namespace velkan::machine
