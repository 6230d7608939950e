#pragma once

#include "platform/SysColors.h"

#include <functional>
#include <vector>

namespace velkan::hidden {

// One pixel a drawing sets, in its paint box's coordinates (row 0 at the top).
struct Pixel {
    int x = 0;
    int y = 0;
    platform::COLORREF colour = 0;
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

// Where a drawing hands its pixels, a batch at a time, in drawing order.
using PixelSink = std::function<void(std::vector<Pixel>)>;

} // namespace velkan::hidden
