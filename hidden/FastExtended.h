#pragma once

#include "hidden/Real48.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace velkan::hidden {

// The extended arithmetic of Real48.h for the set drawing's inner loop, with
// the same results bit for bit but without the branches on signs and
// magnitudes: in that loop they go either way at random, and mispredicting
// them cost more than the arithmetic. Zero is a zero significand with an
// exponent far below any other, so it needs no case of its own either.
struct FastExtended {
    std::uint64_t significand = 0;
    int exponent = kZeroExponent;
    unsigned negative = 0; // 0 or 1

    // Far enough down that a sum with any value the drawings reach shifts
    // it out whole, and high enough that exponents added in a product of
    // two zeros stay far from the int range.
    static constexpr int kZeroExponent = -(1 << 20);

    static FastExtended from(const Extended& value) {
        if (value.isZero())
            return {};
        return {value.significand(), value.exponent(), value.negative() ? 1u : 0u};
    }
    Extended extended() const {
        if (significand == 0)
            return {};
        return Extended::fromParts(negative != 0, exponent, significand);
    }
    bool isZero() const { return significand == 0; }
};

namespace fast {

using U128 = unsigned __int128;

// high:low rounded to the 64 bits of `high`, ties to the even one; returns
// whether the rounding carried into a new leading bit (high is then 2^63).
[[gnu::always_inline]] inline bool roundToHigh(std::uint64_t& high, std::uint64_t low) {
    // The carry out of low + (2^63 - 1) + (high & 1) is exactly "above half,
    // or half with high odd".
    std::uint64_t ignored;
    const bool up = __builtin_add_overflow(low, 0x7FFF'FFFF'FFFF'FFFFull + (high & 1), &ignored);
    high += up;
    const bool carried = up & (high == 0);
    high |= std::uint64_t(carried) << 63;
    return carried;
}

inline FastExtended negate(FastExtended x) {
    x.negative ^= 1;
    return x;
}

// Times 2: exact.
inline FastExtended twice(FastExtended x) {
    ++x.exponent;
    return x;
}

[[gnu::always_inline]] inline FastExtended multiply(const FastExtended& x, const FastExtended& y) {
    const U128 product = U128(x.significand) * y.significand;
    auto high = std::uint64_t(product >> 64);
    auto low = std::uint64_t(product);
    // Two normalised significands give a product with its top bit at 127 or
    // 126; a zero gives zero, which the shift leaves alone.
    const unsigned shift = unsigned(high >> 63) ^ 1;
    high = (high << shift) | ((low >> 63) & shift);
    low <<= shift;
    FastExtended r;
    r.exponent = x.exponent + y.exponent + 1 - int(shift);
    r.exponent += roundToHigh(high, low);
    r.significand = high;
    r.negative = x.negative ^ y.negative;
    return r;
}

[[gnu::always_inline]] inline FastExtended add(const FastExtended& x, const FastExtended& y) {
    // Masks rather than branches pick the larger magnitude.
    const bool swap = (x.exponent < y.exponent) |
                      ((x.exponent == y.exponent) & (x.significand < y.significand));
    const std::uint64_t pick = 0 - std::uint64_t(swap);
    const std::uint64_t bothM = (x.significand ^ y.significand) & pick;
    const std::uint64_t bigM = x.significand ^ bothM;
    const std::uint64_t smallM = y.significand ^ bothM;
    const int bothE = (x.exponent ^ y.exponent) & int(pick);
    const int bigE = x.exponent ^ bothE;
    const int smallE = y.exponent ^ bothE;
    const unsigned bigNeg = x.negative ^ ((x.negative ^ y.negative) & unsigned(pick));
    const std::uint64_t subtract = 0 - std::uint64_t(x.negative ^ y.negative);

    // The larger significand at bits 126..63: 63 guard bits below it and
    // room above for the carry. The smaller one fits whole below it unless
    // the exponents lie 64 or more apart; then what falls off the bottom is
    // kept as one sticky bit, which with so many guard bits between rounds
    // as the exact bits would, for a difference as well as a sum.
    const unsigned distance = unsigned(bigE - smallE);
    std::uint64_t smallHigh, smallLow;
    if (distance < 64) [[likely]] {
        smallHigh = (smallM >> 1) >> distance;
        smallLow = smallM << (63 - distance);
    } else {
        smallHigh = 0;
        const unsigned right = std::min(distance - 63, 64u);
        if (right < 64)
            smallLow = (smallM >> right) | std::uint64_t((smallM << (64 - right)) != 0);
        else
            smallLow = smallM != 0;
    }
    const U128 big = U128(bigM) << 63;
    U128 small = (U128(smallHigh) << 64) | smallLow;
    const U128 wideMask = (U128(subtract) << 64) | subtract;
    small = (small ^ wideMask) - wideMask;
    const U128 sum = big + small;

    auto high = std::uint64_t(sum >> 64);
    auto low = std::uint64_t(sum);
    int leading;
    if (high != 0) [[likely]] {
        leading = __builtin_clzll(high);
        high = (high << leading) | ((low >> 1) >> (63 - leading));
        low <<= leading;
    } else if (low != 0) { // more than 63 bits cancelled: exact
        leading = 64 + __builtin_clzll(low);
        high = low << (leading - 64);
        low = 0;
    } else { // exact cancellation: +0, as the FPU gives
        return {};
    }
    FastExtended r;
    r.exponent = bigE + 1 - leading;
    r.exponent += roundToHigh(high, low);
    r.significand = high;
    r.negative = bigNeg;
    return r;
}

// Real48::stored: the value rounded to the 40 bits of a 6-byte real.
[[gnu::always_inline]] inline FastExtended stored(const FastExtended& x) {
    constexpr std::uint64_t kDroppedMask = (std::uint64_t(1) << 24) - 1;
    const std::uint64_t rounded = x.significand + (0x7F'FFFF + ((x.significand >> 24) & 1));
    const bool carried = rounded < x.significand;
    FastExtended r;
    r.significand = carried ? std::uint64_t(1) << 63 : rounded & ~kDroppedMask;
    r.exponent = x.exponent + int(carried);
    r.negative = x.negative;
    // Exponent bytes 1 to 255 in one comparison; below them lies zero (and
    // every zero comes here), above them the overflow Real48 raises.
    if (unsigned(r.exponent + 128) > 254u) [[unlikely]] {
        if (r.exponent + 129 <= 0)
            return {};
        (void)Real48(Extended::fromParts(false, r.exponent, r.significand)); // throws
    }
    return r;
}

} // namespace fast

} // namespace velkan::hidden
