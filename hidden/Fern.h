#pragma once

#include "hidden/Pixel.h"
#include "hidden/Random.h"
#include "hidden/Real48.h"

#include <array>
#include <cstdint>
#include <stop_token>

namespace velkan::hidden {

// (x, y) -> (a*x + b*y + e, c*x + d*y + f)
struct AffineMap {
    Real48 a, b, c, d, e, f;
};

// The stem, the main frond and the two lowest leaves, in the order the map
// choice counts them.
const std::array<AffineMap, 4>& fernMaps();

// Which map a number below 1000 picks: 11, 850, 70 and 69 chances in 1000.
int fernMapFor(std::uint32_t r);

inline constexpr int kFernPoints = 10000;

// The fern as a sequence of points. Each point takes one number from the
// generator; its colour is a red that rises by one every second point and
// wraps at 256.
class Fern {
public:
    explicit Fern(RandomGenerator& random) : random_(random) {}

    Pixel next();

    Real48 x() const { return x_; }
    Real48 y() const { return y_; }

private:
    RandomGenerator& random_;
    Real48 x_, y_;
    unsigned colourCounter_ = 250;
    unsigned pairCounter_ = 0;
};

// Draws the whole fern into `sink`, a batch at a time. Stops between batches
// when a stop is requested; returns whether every point was drawn.
bool drawFern(RandomGenerator& random, const PixelSink& sink, std::stop_token stop = {});

} // namespace velkan::hidden
