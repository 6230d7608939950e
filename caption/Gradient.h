#pragma once

#include "platform/SysColors.h"

#include <array>

namespace velkan::caption {

// Nearest integer, halves to the even neighbour, as the caption arithmetic
// has always rounded.
int roundHalfEven(long double value);

// Row 0 for the inactive caption, row 1 for the active one; entry 0 of each
// row is black and entry 63 the caption colour itself.
using GradientTable = std::array<std::array<platform::COLORREF, 64>, 2>;

GradientTable buildGradientTable(platform::COLORREF inactive, platform::COLORREF active);
// From the current system caption colours.
GradientTable buildGradientTable();

// The pixels [first, last) of a bar `width` wide that gradient band `band`
// (0 to 63) covers. A band may be empty when the bar is narrower than 64.
struct BandSpan {
    int first = 0;
    int last = 0;
    friend bool operator==(const BandSpan&, const BandSpan&) = default;
};
BandSpan gradientBand(int width, int band);

} // namespace velkan::caption
