#include "hidden/SunPicture.h"

#include "hidden/Real48.h"

namespace velkan::hidden {

int sunEscapeCount(int p, int q) {
    static const Extended eightieth = Extended::ratio(1, 80), hundredth = Extended::ratio(1, 100);
    static const Extended escape = Extended::fromInteger(kSunEscape);
    // Every value is stored as a 6-byte real, as the drawing stored it; kept
    // as the extended value it reads back as, so no bytes are packed.
    const Extended cRe = Real48::stored(q * eightieth);
    const Extended cIm = Real48::stored(p * hundredth);
    const Extended two = 2;
    Extended a, b;
    // The squares of a step's a and b are the ones the next step starts
    // from: the same extended products, computed once.
    Extended aa, bb;
    int n = 0;
    for (;;) {
        const Extended re = Real48::stored(aa - bb + cRe);
        const Extended im = Real48::stored(two * a * b + cIm);
        a = re;
        b = im;
        aa = a * a;
        bb = b * b;
        const Extended magnitude = Real48::stored(aa + bb);
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
