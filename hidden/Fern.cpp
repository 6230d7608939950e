#include "hidden/Fern.h"


namespace velkan::hidden {

namespace {

constexpr std::size_t kBatchPoints = 250;

// Nearest integer, halves to even: the FPU's rounding.
int nearest(const Extended& v) {
    return int(v.nearestInteger());
}

// The decimal constants as the compiler rounded them to extended precision.
Real48 hundredths(int n) {
    return Extended::ratio(n, 100);
}

} // namespace

const std::array<AffineMap, 4>& fernMaps() {
    static const std::array<AffineMap, 4> maps{{
        {0, 0, 0, hundredths(16), 0, 0},
        {hundredths(85), hundredths(4), hundredths(-4), hundredths(85), 0, hundredths(160)},
        {hundredths(20), hundredths(-26), hundredths(23), hundredths(22), 0, hundredths(160)},
        {hundredths(-15), hundredths(28), hundredths(26), hundredths(24), 0, hundredths(44)},
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
