#include "hidden/Random.h"

namespace velkan::hidden {

std::uint32_t RandomGenerator::below(std::uint32_t n) {
    std::uint32_t old = seed_.load(std::memory_order_relaxed);
    std::uint32_t next;
    do {
        next = old * 134775813u + 1u;
    } while (!seed_.compare_exchange_weak(old, next, std::memory_order_relaxed));
    return std::uint32_t((std::uint64_t(next) * n) >> 32);
}

RandomGenerator& programRandom() {
    static RandomGenerator generator;
    return generator;
}

} // namespace velkan::hidden
