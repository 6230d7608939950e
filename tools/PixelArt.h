#pragma once

#include "tools/Canvas.h"

#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

namespace velkan::machine {

// Drawing on a design grid of 32 units: the same picture description renders
// at 32 pixels (one unit a pixel) and at 16 (two units a pixel), with edges and
// outlines staying one pixel wide at either size. `rich` asks for the shading
// of 256-colour images; without it fills are flat 16-colour fills.
class PixelArt {
public:
    PixelArt(Canvas& canvas, bool rich)
        : canvas_(canvas), scale_(canvas.width() / 32.0), rich_(rich) {}

    Canvas& canvas() { return canvas_; }
    bool rich() const { return rich_; }
    bool small() const { return scale_ < 0.75; }
    int at(double v) const { return static_cast<int>(std::floor(v * scale_ + 1e-6)); }

    void rect(double x, double y, double w, double h, Rgb colour) {
        const int x0 = at(x), y0 = at(y);
        canvas_.fillRect(x0, y0, span(x, w), span(y, h), colour);
    }
    void frame(double x, double y, double w, double h, Rgb colour) {
        canvas_.frameRect(at(x), at(y), span(x, w), span(y, h), colour);
    }
    void box(double x, double y, double w, double h, Rgb fill, Rgb outline) {
        rect(x, y, w, h, fill);
        frame(x, y, w, h, outline);
    }
    // Flat in 16 colours, a gradient from `from` to `to` in 256 colours.
    void shade(double x, double y, double w, double h, Rgb flat, Rgb from, Rgb to,
               bool vertical = true) {
        if (!rich_) {
            rect(x, y, w, h, flat);
            return;
        }
        canvas_.gradientRect(at(x), at(y), span(x, w), span(y, h), from, to, vertical);
    }
    void line(double x0, double y0, double x1, double y1, Rgb colour) {
        canvas_.line(at(x0), at(y0), at(x1), at(y1), colour);
    }
    void dot(double x, double y, Rgb colour) { canvas_.set(at(x), at(y), colour); }
    void ellipse(double x, double y, double w, double h, Rgb colour) {
        canvas_.fillEllipse(at(x), at(y), span(x, w), span(y, h), colour);
    }
    void ring(double x, double y, double w, double h, Rgb colour) {
        canvas_.frameEllipse(at(x), at(y), span(x, w), span(y, h), colour);
    }
    void polygon(std::initializer_list<std::pair<double, double>> points, Rgb colour) {
        std::vector<std::pair<int, int>> scaled;
        for (auto [x, y] : points)
            scaled.emplace_back(at(x), at(y));
        canvas_.fillPolygon(scaled, colour);
    }
    void outline(std::initializer_list<std::pair<double, double>> points, Rgb colour) {
        std::vector<std::pair<double, double>> p(points);
        for (std::size_t i = 0; i < p.size(); ++i) {
            auto [ax, ay] = p[i];
            auto [bx, by] = p[(i + 1) % p.size()];
            line(ax, ay, bx, by, colour);
        }
    }

private:
    int span(double from, double length) const { return std::max(1, at(from + length) - at(from)); }

    Canvas& canvas_;
    double scale_;
    bool rich_;
};

} // namespace velkan::machine
