#include "tools/StartMenuLogo.h"

#include <cmath>

namespace velkan::machine {

Canvas drawStartMenuLogo() {
    Canvas logo(21, 130);
    logo.gradientRect(0, 0, 21, 130, vga::Black, vga::Navy, true);
    // A lighter edge on the right, where the band meets the menu items.
    logo.fillRect(20, 0, 1, 130, vga::Gray);
    const int bottom = 124;
    logo.textUp(4, bottom, "Windows", vga::Silver, Font::Large);
    logo.textUp(4, bottom - Canvas::textWidth("Windows", Font::Large) - 6, "95", vga::White,
                Font::Large);
    return logo;
}

Canvas drawStartButtonFlag(int size) {
    Canvas flag(size, size);
    const double pi = 3.14159265358979;
    const bool gaps = size >= 14;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size, v = (y + 0.5) / size;
            // The flag waves: its rows rise and fall along its width.
            const double wave = 0.07 * std::sin(2 * pi * (u - 0.1));
            const double w = v + wave;
            if (u < 0.1 || u > 0.95 || w < 0.12 || w > 0.9)
                continue;
            const double gap = gaps ? 0.6 / size : 0.0;
            if (gaps && (std::abs(u - 0.53) < gap || std::abs(w - 0.51) < gap)) {
                flag.set(x, y, vga::Black);
                continue;
            }
            const bool left = u < 0.53, top = w < 0.51;
            flag.set(x, y, top ? (left ? vga::Red : vga::Lime) : (left ? vga::Blue : vga::Yellow));
        }
    return flag.outlined(vga::Black);
}

} // namespace velkan::machine
