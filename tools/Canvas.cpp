#include "tools/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace velkan::machine {

namespace {

#include "tools/Font5x7.inc"

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

const std::uint8_t* glyph(char c) {
    auto u = static_cast<unsigned char>(c);
    if (u < 32 || u > 126)
        u = '?';
    return kFont5x7[u - 32];
}

int cellWidth(Font font) {
    switch (font) {
    case Font::Small:
        return 6;
    case Font::Bold:
        return 7;
    case Font::Large:
        return 12;
    }
    return 6;
}

int scaleOf(Font font) {
    return font == Font::Large ? 2 : 1;
}

// Calls plot(x, y) for every lit pixel of `text` laid out left to right from
// the origin.
template <class Plot> void layoutText(std::string_view text, Font font, Plot plot) {
    const int scale = scaleOf(font);
    int penX = 0;
    for (char c : text) {
        const std::uint8_t* rows = glyph(c);
        for (int row = 0; row < kGlyphHeight; ++row)
            for (int col = 0; col < kGlyphWidth; ++col) {
                if (!(rows[row] & (0x10 >> col)))
                    continue;
                for (int sy = 0; sy < scale; ++sy)
                    for (int sx = 0; sx < scale; ++sx) {
                        plot(penX + col * scale + sx, row * scale + sy);
                        if (font == Font::Bold)
                            plot(penX + col + 1, row);
                    }
            }
        penX += cellWidth(font);
    }
}

// 4x4 Bayer matrix, thresholds 0..15.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int distance(Rgb a, Rgb b) {
    // Weighted for the eye: green matters most, blue least.
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

std::uint8_t clampByte(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

const std::array<Rgb, 16>& vgaPalette() {
    static constexpr std::array<Rgb, 16> kPalette = {
        vga::Black, vga::Maroon,  vga::Green, vga::Olive, vga::Navy, vga::Purple,
        vga::Teal,  vga::Silver,  vga::Gray,  vga::Red,   vga::Lime, vga::Yellow,
        vga::Blue,  vga::Fuchsia, vga::Aqua,  vga::White};
    return kPalette;
}

const std::array<Rgb, 256>& palette256() {
    static const std::array<Rgb, 256> kPalette = [] {
        std::array<Rgb, 256> p{};
        int n = 0;
        for (Rgb c : vgaPalette())
            p[n++] = c;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p[n++] = {static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                              static_cast<std::uint8_t>(b * 51)};
        for (int i = 0; i < 24; ++i) {
            auto v = static_cast<std::uint8_t>(8 + i * 10);
            p[n++] = {v, v, v};
        }
        return p;
    }();
    return kPalette;
}

std::uint8_t nearestIndex(Rgb colour, std::span<const Rgb> palette) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int d = distance(colour, palette[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
            if (d == 0)
                break;
        }
    }
    return static_cast<std::uint8_t>(best);
}

std::vector<std::uint8_t> quantize(const Canvas& canvas, std::span<const Rgb> palette,
                                   Dither dither) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(canvas.width()) * canvas.height());
    // The spread of the dither is about half the gap between palette levels:
    // the VGA palette steps by 128, the cube by 51.
    const int spread = palette.size() <= 16 ? 96 : 40;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            std::uint8_t index = 0;
            if (canvas.opaque(x, y)) {
                Rgb c = canvas.pixel(x, y);
                if (dither == Dither::Ordered) {
                    // Exact palette colours stay exact so pixel art keeps its lines.
                    const std::uint8_t exact = nearestIndex(c, palette);
                    if (!(palette[exact] == c)) {
                        const int offset = (kBayer[y & 3][x & 3] - 8) * spread / 16;
                        c = {clampByte(c.r + offset), clampByte(c.g + offset),
                             clampByte(c.b + offset)};
                    }
                }
                index = nearestIndex(c, palette);
            }
            out[static_cast<std::size_t>(y) * canvas.width() + x] = index;
        }
    return out;
}

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_),
      opaque_(static_cast<std::size_t>(width_) * height_, 0) {}

Canvas::Canvas(int width, int height, Rgb colour) : Canvas(width, height) {
    fill(colour);
}

Rgb Canvas::pixel(int x, int y) const {
    return contains(x, y) ? pixels_[static_cast<std::size_t>(y) * width_ + x] : Rgb{};
}

bool Canvas::opaque(int x, int y) const {
    return contains(x, y) && opaque_[static_cast<std::size_t>(y) * width_ + x];
}

void Canvas::set(int x, int y, Rgb colour) {
    if (!contains(x, y))
        return;
    const auto i = static_cast<std::size_t>(y) * width_ + x;
    pixels_[i] = colour;
    opaque_[i] = 1;
}

void Canvas::erase(int x, int y) {
    if (!contains(x, y))
        return;
    const auto i = static_cast<std::size_t>(y) * width_ + x;
    pixels_[i] = {};
    opaque_[i] = 0;
}

void Canvas::fill(Rgb colour) {
    std::fill(pixels_.begin(), pixels_.end(), colour);
    std::fill(opaque_.begin(), opaque_.end(), 1);
}

void Canvas::clear() {
    std::fill(pixels_.begin(), pixels_.end(), Rgb{});
    std::fill(opaque_.begin(), opaque_.end(), 0);
}

void Canvas::fillRect(int x, int y, int w, int h, Rgb colour) {
    for (int yy = std::max(y, 0); yy < std::min(y + h, height_); ++yy)
        for (int xx = std::max(x, 0); xx < std::min(x + w, width_); ++xx)
            set(xx, yy, colour);
}

void Canvas::frameRect(int x, int y, int w, int h, Rgb colour) {
    if (w <= 0 || h <= 0)
        return;
    fillRect(x, y, w, 1, colour);
    fillRect(x, y + h - 1, w, 1, colour);
    fillRect(x, y, 1, h, colour);
    fillRect(x + w - 1, y, 1, h, colour);
}

void Canvas::bevel(int x, int y, int w, int h, bool raised) {
    const Rgb light = raised ? vga::White : vga::Gray;
    const Rgb dark = raised ? vga::Gray : vga::White;
    const Rgb outer = raised ? vga::Black : vga::Silver;
    fillRect(x, y, w, h, vga::Silver);
    fillRect(x, y, w - 1, 1, light);
    fillRect(x, y, 1, h - 1, light);
    fillRect(x, y + h - 1, w, 1, raised ? outer : dark);
    fillRect(x + w - 1, y, 1, h, raised ? outer : dark);
    if (raised && w > 2 && h > 2) {
        fillRect(x + 1, y + h - 2, w - 2, 1, dark);
        fillRect(x + w - 2, y + 1, 1, h - 2, dark);
    }
}

void Canvas::line(int x0, int y0, int x1, int y1, Rgb colour) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        set(x0, y0, colour);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

namespace {

// Whether the centre of pixel (px, py) lies inside the ellipse inscribed in the
// w x h box at the origin.
bool insideEllipse(int px, int py, int w, int h) {
    const double rx = w / 2.0, ry = h / 2.0;
    const double nx = (px + 0.5 - rx) / rx, ny = (py + 0.5 - ry) / ry;
    return nx * nx + ny * ny <= 1.0;
}

} // namespace

void Canvas::fillEllipse(int x, int y, int w, int h, Rgb colour) {
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px)
            if (insideEllipse(px, py, w, h))
                set(x + px, y + py, colour);
}

void Canvas::frameEllipse(int x, int y, int w, int h, Rgb colour) {
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) {
            if (!insideEllipse(px, py, w, h))
                continue;
            const bool edge =
                !insideEllipse(px - 1, py, w, h) || !insideEllipse(px + 1, py, w, h) ||
                !insideEllipse(px, py - 1, w, h) || !insideEllipse(px, py + 1, w, h) || px == 0 ||
                py == 0 || px == w - 1 || py == h - 1;
            if (edge)
                set(x + px, y + py, colour);
        }
}

void Canvas::fillPolygon(std::span<const std::pair<int, int>> points, Rgb colour) {
    if (points.size() < 3)
        return;
    int minY = points[0].second, maxY = points[0].second;
    for (auto [px, py] : points) {
        minY = std::min(minY, py);
        maxY = std::max(maxY, py);
    }
    // Scanline fill sampling at pixel centres (even-odd rule), then the
    // outline so thin shapes keep their edges.
    for (int y = std::max(minY, 0); y <= std::min(maxY, height_ - 1); ++y) {
        const double sy = y + 0.5;
        std::vector<double> xs;
        for (std::size_t i = 0; i < points.size(); ++i) {
            auto [ax, ay] = points[i];
            auto [bx, by] = points[(i + 1) % points.size()];
            if ((ay <= sy && by > sy) || (by <= sy && ay > sy))
                xs.push_back(ax + (sy - ay) * (bx - ax) / static_cast<double>(by - ay));
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
            const int from = static_cast<int>(std::ceil(xs[i] - 0.5));
            const int to = static_cast<int>(std::floor(xs[i + 1] - 0.5));
            for (int x = from; x <= to; ++x)
                set(x, y, colour);
        }
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        auto [ax, ay] = points[i];
        auto [bx, by] = points[(i + 1) % points.size()];
        line(ax, ay, bx, by, colour);
    }
}

void Canvas::gradientRect(int x, int y, int w, int h, Rgb from, Rgb to, bool vertical) {
    const int steps = std::max((vertical ? h : w) - 1, 1);
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx) {
            const int t = vertical ? yy : xx;
            auto mix = [&](std::uint8_t a, std::uint8_t b) {
                return static_cast<std::uint8_t>(a + (b - a) * t / steps);
            };
            set(x + xx, y + yy, {mix(from.r, to.r), mix(from.g, to.g), mix(from.b, to.b)});
        }
}

void Canvas::text(int x, int y, std::string_view text, Rgb colour, Font font) {
    layoutText(text, font, [&](int px, int py) { set(x + px, y + py, colour); });
}

void Canvas::textUp(int x, int y, std::string_view text, Rgb colour, Font font) {
    // (x, y) is the bottom left corner of the rotated text block.
    layoutText(text, font, [&](int px, int py) { set(x + py, y - px, colour); });
}

int Canvas::textWidth(std::string_view text, Font font) {
    if (text.empty())
        return 0;
    const int last = font == Font::Large ? 10 : font == Font::Bold ? 6 : 5;
    return static_cast<int>(text.size() - 1) * cellWidth(font) + last;
}

int Canvas::textHeight(Font font) {
    return kGlyphHeight * scaleOf(font);
}

void Canvas::draw(const Canvas& source, int x, int y) {
    for (int sy = 0; sy < source.height(); ++sy)
        for (int sx = 0; sx < source.width(); ++sx)
            if (source.opaque(sx, sy))
                set(x + sx, y + sy, source.pixel(sx, sy));
}

Canvas Canvas::scaled(int width, int height) const {
    Canvas out(width, height);
    if (width_ == 0 || height_ == 0)
        return out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int sx = x * width_ / width, sy = y * height_ / height;
            if (opaque(sx, sy))
                out.set(x, y, pixel(sx, sy));
        }
    return out;
}

Canvas Canvas::outlined(Rgb colour) const {
    Canvas out = *this;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            if (!opaque(x, y) &&
                (opaque(x - 1, y) || opaque(x + 1, y) || opaque(x, y - 1) || opaque(x, y + 1)))
                out.set(x, y, colour);
    return out;
}

} // namespace velkan::machine
