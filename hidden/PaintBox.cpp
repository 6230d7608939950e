#include "hidden/PaintBox.h"

namespace velkan::hidden {

Surface::Surface(int width, int height)
    : width_(width), height_(height),
      pixels_(std::size_t(width) * std::size_t(height), kUnpainted) {}

platform::COLORREF Surface::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return kUnpainted;
    return pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
}

void Surface::set(int x, int y, platform::COLORREF colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = colour;
}

void PaintBox::paint(const std::vector<Pixel>& pixels) {
    if (!visible() || pixels.empty())
        return;
    for (const Pixel& p : pixels) {
        if (p.x < 0 || p.y < 0 || p.x >= width() || p.y >= height())
            continue;
        surface_.set(left() + p.x, top() + p.y, p.colour);
    }
    updated();
}

platform::COLORREF PaintBox::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return Surface::kUnpainted;
    return surface_.at(left() + x, top() + y);
}

int PaintBox::paintedCount() const {
    int count = 0;
    for (int y = 0; y < height(); ++y)
        for (int x = 0; x < width(); ++x)
            count += pixel(x, y) != Surface::kUnpainted;
    return count;
}

void PaintBox::erase() {
    for (int y = 0; y < height(); ++y)
        for (int x = 0; x < width(); ++x)
            surface_.set(left() + x, top() + y, Surface::kUnpainted);
    updated();
}

} // namespace velkan::hidden
