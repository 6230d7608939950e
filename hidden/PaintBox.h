#pragma once

#include "hidden/Pixel.h"
#include "platform/Controls.h"

#include <string>
#include <vector>

namespace velkan::hidden {

// The drawing surface of a panel. Paint boxes have no surface of their own:
// they draw on their panel's, so two boxes over the same place show whatever
// was drawn there last, by either of them.
class Surface {
public:
    // A pixel nothing has drawn on shows the panel beneath it.
    static constexpr platform::COLORREF kUnpainted = 0xFFFFFFFF;

    Surface(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    // kUnpainted outside the surface.
    platform::COLORREF at(int x, int y) const;
    void set(int x, int y, platform::COLORREF colour);

private:
    int width_, height_;
    std::vector<platform::COLORREF> pixels_;
};

// A paint box on a panel: a place on the panel's surface, without a repaint
// handler of its own. What it draws is clipped to its bounds and shows only
// while it is visible; what the window system paints over it is gone.
class PaintBox : public platform::Control {
public:
    PaintBox(std::string name, Surface& surface) : Control(std::move(name)), surface_(surface) {}

    // Sets pixels given in the box's own coordinates. Pixels outside the box,
    // and everything while it is hidden, are dropped, as drawing on a hidden
    // control's canvas shows nothing.
    void paint(const std::vector<Pixel>& pixels);
    // The colour shown at (x, y) of the box; Surface::kUnpainted where
    // nothing was drawn.
    platform::COLORREF pixel(int x, int y) const;
    // How many pixels of the box show a drawing.
    int paintedCount() const;
    // Forgets what the box shows, as a repaint of its panel does.
    void erase();

private:
    Surface& surface_;
};

} // namespace velkan::hidden
