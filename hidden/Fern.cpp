#include "hidden/Fern.h"

#include <cmath>

namespace velkan::hidden {

namespace {

constexpr std::size_t kBatchPoints = 250;

// Nearest integer, halves to even: the FPU's rounding.
int nearest(long double v) {
    return int(std::lrintl(v));
}

} // namespace

const std::array<AffineMap, 4>& fernMaps() {
    static const std::array<AffineMap, 4> maps{{
        {0.0L, 0.0L, 0.0L, 0.16L, 0.0L, 0.0L},
        {0.85L, 0.04L, -0.04L, 0.85L, 0.0L, 1.6L},
        {0.2L, -0.26L, 0.23L, 0.22L, 0.0L, 1.6L},
        {-0.15L, 0.28L, 0.26L, 0.24L, 0.0L, 0.44L},
    }};
    return maps;
}

int fernMapFor(std::uint32_t r) {
    if (r <= 10)
        return 0;
    if (r <= 860)
        return 1;
    if (r <= 930)
        return 2;
    return 3;
}

Pixel Fern::next() {
    if (++pairCounter_ > 1) {
        ++colourCounter_;
        pairCounter_ = 0;
    }
    const AffineMap& m = fernMaps()[std::size_t(fernMapFor(random_.below(1000)))];
    const Real48 x = m.a * x_ + m.b * y_ + m.e;
    const Real48 y = m.c * x_ + m.d * y_ + m.f;
    x_ = x;
    y_ = y;
    return {nearest((x_ + 4) * 32), nearest(y_ * 22),
            platform::RGB(std::uint8_t(colourCounter_ % 256), 0, 0)};
}

bool drawFern(RandomGenerator& random, const PixelSink& sink, std::stop_token stop) {
    Fern fern(random);
    std::vector<Pixel> batch;
    for (int i = 0; i < kFernPoints; ++i) {
        batch.push_back(fern.next());
        if (batch.size() == kBatchPoints || i + 1 == kFernPoints) {
            sink(std::move(batch));
            batch = {};
            if (stop.stop_requested())
                return i + 1 == kFernPoints;
        }
    }
    return true;
}

} // namespace velkan::hidden
