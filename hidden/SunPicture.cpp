#include "hidden/SunPicture.h"

#include "hidden/Real48.h"

namespace velkan::hidden {

int sunEscapeCount(int p, int q) {
    static const Extended eightieth = Extended::ratio(1, 80), hundredth = Extended::ratio(1, 100);
    static const Extended escape = Extended::fromInteger(kSunEscape);
    const Real48 cRe = q * eightieth;
    const Real48 cIm = p * hundredth;
    Real48 a, b;
    // The squares of a step's a and b are the ones the next step starts
    // from: the same extended products, computed once.
    Extended aa, bb;
    int n = 0;
    for (;;) {
        const Real48 re = aa - bb + cRe;
        const Real48 im = 2 * a * b + cIm;
        a = re;
        b = im;
        aa = a * a;
        bb = b * b;
        const Real48 magnitude = aa + bb;
        if (magnitude > escape)
            return n;
        if (++n == kSunSteps)
            return n;
    }
}

std::optional<platform::COLORREF> sunColour(int count) {
    const int k = count / 15;
    if (k == 0)
        return std::nullopt;
    if (count >= 99)
        return platform::RGB(0, 0, 0);
    return platform::GetSysColor(15 + 2 * k);
}

bool drawSun(const PixelSink& sink, std::stop_token stop) {
    for (int p = kSunFirstColumn; p <= kSunLastColumn; ++p) {
        std::vector<Pixel> column;
        for (int q = kSunFirstRow; q <= kSunLastRow; ++q) {
            if (auto colour = sunColour(sunEscapeCount(p, q)))
                column.push_back({p - kSunFirstColumn, q - kSunFirstRow, *colour});
        }
        sink(std::move(column));
        if (stop.stop_requested())
            return p == kSunLastColumn;
    }
    return true;
}

} // namespace velkan::hidden
