#include "caption/Gradient.h"

#include <cmath>

namespace velkan::caption {

using platform::COLORREF;

int roundHalfEven(long double value) {
    long double floor = std::floor(value);
    long double fraction = value - floor;
    if (fraction > 0.5L)
        return int(floor) + 1;
    if (fraction < 0.5L)
        return int(floor);
    return std::fmod(floor, 2.0L) == 0 ? int(floor) : int(floor) + 1;
}

namespace {

std::array<COLORREF, 64> gradientRow(COLORREF colour) {
    const long double step = 1.0L / 63.0L;
    const long double red = platform::GetRValue(colour) * step;
    const long double green = platform::GetGValue(colour) * step;
    const long double blue = platform::GetBValue(colour) * step;
    std::array<COLORREF, 64> row{};
    for (int j = 0; j < 64; ++j)
        row[std::size_t(j)] = platform::RGB(std::uint8_t(roundHalfEven(red * j)),
                                            std::uint8_t(roundHalfEven(green * j)),
                                            std::uint8_t(roundHalfEven(blue * j)));
    return row;
}

} // namespace

GradientTable buildGradientTable(COLORREF inactive, COLORREF active) {
    return {gradientRow(inactive), gradientRow(active)};
}

GradientTable buildGradientTable() {
    return buildGradientTable(platform::GetSysColor(platform::COLOR_INACTIVECAPTION),
                              platform::GetSysColor(platform::COLOR_ACTIVECAPTION));
}

BandSpan gradientBand(int width, int band) {
    const double step = width / 64.0;
    return {roundHalfEven(step * band), roundHalfEven(step * (band + 1))};
}

} // namespace velkan::caption
