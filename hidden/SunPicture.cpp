#include "hidden/SunPicture.h"

#include "hidden/Real48.h"

namespace velkan::hidden {

int sunEscapeCount(int p, int q) {
    const Real48 cRe = q * 0.0125L;
    const Real48 cIm = p * 0.01L;
    Real48 a, b;
    int n = 0;
    for (;;) {
        const Real48 re = a * a - b * b + cRe;
        const Real48 im = 2 * a * b + cIm;
        a = re;
        b = im;
        const Real48 magnitude = a * a + b * b;
        if (magnitude > kSunEscape)
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
