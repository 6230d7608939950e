#pragma once

#include <array>
#include <cstdint>

namespace velkan::hidden {

// The 6-byte real of Turbo Pascal: 1 sign bit, 39 stored fraction bits below
// an implicit leading 1, and an 8-bit exponent biased by 129; an exponent byte
// of 0 means zero, whatever the other bits hold. There are no infinities, no
// NaNs and no denormals. Arithmetic runs in x87 extended precision and every
// result is rounded back to 6 bytes, as the drawings stored their values
// between operations, so the points land on the same pixels.
//
// Rounding is to the nearest value, ties to the even fraction, as the FPU
// rounds. A magnitude that still lies below the smallest one (2^-128) after
// rounding becomes zero; one above the largest ((2 - 2^-39) * 2^126) raises
// std::overflow_error, as the arithmetic of the language raised its overflow
// error. A NaN raises std::domain_error.
class Real48 {
public:
    using Bytes = std::array<std::uint8_t, 6>;

    // Zero.
    constexpr Real48() = default;
    // The 6-byte value nearest to `value`.
    Real48(long double value);

    // Bytes as the value is laid out in memory: the exponent first, then the
    // fraction from its lowest byte up, the sign in the top bit of the last.
    static Real48 fromBytes(const Bytes& bytes);
    const Bytes& bytes() const { return bytes_; }

    // Expressions take the value in extended precision, so `Real48 x = a * x + e`
    // computes as the drawings did and rounds once, when it is stored.
    long double value() const;
    operator long double() const { return value(); }

    bool isZero() const { return bytes_[0] == 0; }

    // The smallest and largest magnitudes the format holds.
    static Real48 smallest();
    static Real48 largest();

private:
    Bytes bytes_{};
};

static_assert(sizeof(Real48) == 6);

} // namespace velkan::hidden
