#pragma once

#include <atomic>
#include <cstdint>

namespace velkan::hidden {

// The language's linear congruential generator: a 32-bit seed that starts at
// 0, and for each number below N the step seed := seed * 134775813 + 1 (mod
// 2^32), yielding the high 32 bits of the 64-bit product seed * N.
class RandomGenerator {
public:
    RandomGenerator() = default;
    RandomGenerator(const RandomGenerator&) = delete;
    RandomGenerator& operator=(const RandomGenerator&) = delete;

    // A number in [0, n); 0 when n is 0. Safe to call from any thread: each
    // draw takes one step of the sequence.
    std::uint32_t below(std::uint32_t n);

    std::uint32_t seed() const { return seed_.load(); }

private:
    std::atomic<std::uint32_t> seed_{0};
};

// The program's one generator, never reseeded, so each fern continues the
// sequence of the one before it.
RandomGenerator& programRandom();

} // namespace velkan::hidden
