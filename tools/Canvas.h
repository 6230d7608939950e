#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace velkan::machine {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

// The sixteen colours of the standard VGA palette, in the order Windows uses
// for 4-bit bitmaps (black, dark red, dark green, olive, dark blue, purple,
// teal, silver, grey, red, lime, yellow, blue, fuchsia, aqua, white).
namespace vga {
inline constexpr Rgb Black{0, 0, 0};
inline constexpr Rgb Maroon{128, 0, 0};
inline constexpr Rgb Green{0, 128, 0};
inline constexpr Rgb Olive{128, 128, 0};
inline constexpr Rgb Navy{0, 0, 128};
inline constexpr Rgb Purple{128, 0, 128};
inline constexpr Rgb Teal{0, 128, 128};
inline constexpr Rgb Silver{192, 192, 192};
inline constexpr Rgb Gray{128, 128, 128};
inline constexpr Rgb Red{255, 0, 0};
inline constexpr Rgb Lime{0, 255, 0};
inline constexpr Rgb Yellow{255, 255, 0};
inline constexpr Rgb Blue{0, 0, 255};
inline constexpr Rgb Fuchsia{255, 0, 255};
inline constexpr Rgb Aqua{0, 255, 255};
inline constexpr Rgb White{255, 255, 255};
} // namespace vga

// The 16-colour palette of 4-bit icons and bitmaps, index order as stored.
const std::array<Rgb, 16>& vgaPalette();
// The 256-colour palette of our 8-bit icons: the 16 VGA colours, a 6x6x6
// colour cube and 24 greys.
const std::array<Rgb, 256>& palette256();

enum class Dither { None, Ordered };

// Palette indexes of every pixel, top row first, left to right. Transparent
// pixels get index 0. Ordered dithering spreads gradients over neighbouring
// palette colours; flat pixel art keeps its exact colours either way.
std::vector<std::uint8_t> quantize(const class Canvas& canvas, std::span<const Rgb> palette,
                                   Dither dither = Dither::None);
std::uint8_t nearestIndex(Rgb colour, std::span<const Rgb> palette);

enum class Font {
    Small, // 5x7 glyphs in a 6-pixel cell
    Bold,  // the same glyphs one pixel wider, in a 7-pixel cell
    Large, // the 5x7 glyphs doubled: 10x14 in a 12-pixel cell
};

// An RGB picture with a per-pixel transparency bit (the icon AND mask), for
// drawing small pixel art. Every drawing call clips to the canvas.
class Canvas {
public:
    Canvas(int width, int height);             // all transparent
    Canvas(int width, int height, Rgb colour); // all opaque in `colour`

    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Rgb pixel(int x, int y) const;
    bool opaque(int x, int y) const;
    void set(int x, int y, Rgb colour);
    void erase(int x, int y); // make transparent

    void fill(Rgb colour);
    void clear(); // all transparent
    void fillRect(int x, int y, int w, int h, Rgb colour);
    void frameRect(int x, int y, int w, int h, Rgb colour);
    // The raised or sunken 3-D edge of Windows 95 controls.
    void bevel(int x, int y, int w, int h, bool raised);
    void line(int x0, int y0, int x1, int y1, Rgb colour);
    void fillEllipse(int x, int y, int w, int h, Rgb colour);
    void frameEllipse(int x, int y, int w, int h, Rgb colour);
    void fillPolygon(std::span<const std::pair<int, int>> points, Rgb colour);
    void gradientRect(int x, int y, int w, int h, Rgb from, Rgb to, bool vertical);
    void text(int x, int y, std::string_view text, Rgb colour, Font font = Font::Small);
    // Text drawn bottom-to-top, its baseline on the right (for a vertical logo).
    void textUp(int x, int y, std::string_view text, Rgb colour, Font font = Font::Small);
    static int textWidth(std::string_view text, Font font = Font::Small);
    static int textHeight(Font font = Font::Small);

    // Copies the opaque pixels of `source` with its top left corner at (x, y).
    void draw(const Canvas& source, int x, int y);
    // Nearest-neighbour resize.
    Canvas scaled(int width, int height) const;
    // A copy with a one-pixel dark outline around every opaque shape.
    Canvas outlined(Rgb colour) const;

private:
    int width_, height_;
    std::vector<Rgb> pixels_;
    std::vector<std::uint8_t> opaque_;
};

} // namespace velkan::machine
