#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace velkan::hidden {

// A value of the x87 extended precision the drawings computed in: a 64-bit
// significand, rounded to the nearest value (ties to the even significand)
// after every operation, as the FPU rounds. It is done in integers so the
// drawings come out the same on every processor, x87 or not; the exponent is
// never limited, as no drawing comes near the extended range.
class Extended {
public:
    constexpr Extended() = default;
    constexpr Extended(int value) { *this = fromInteger(value); }
    // Exact: every finite double is an extended value. An infinity raises
    // std::overflow_error, a NaN std::domain_error.
    Extended(double value);

    static constexpr Extended fromInteger(std::int64_t value);
    // num / den rounded once, as the compiler rounds a decimal constant:
    // ratio(85, 100) is 0.85L.
    static Extended ratio(std::int64_t num, std::int64_t den);

    bool isZero() const { return significand_ == 0; }
    bool negative() const { return negative_; }
    // The nearest integer, halves to even, for values below 2^62.
    std::int64_t nearestInteger() const;
    // Rounded to a double: for messages and tests.
    double toDouble() const;

    friend Extended operator+(const Extended& a, const Extended& b);
    friend Extended operator-(const Extended& a, const Extended& b);
    friend Extended operator*(const Extended& a, const Extended& b);
    friend Extended operator-(const Extended& a) {
        Extended r = a;
        r.negative_ = !a.negative_ && !a.isZero();
        return r;
    }
    friend bool operator==(const Extended& a, const Extended& b) {
        return a.significand_ == b.significand_ && a.negative_ == b.negative_ &&
               (a.isZero() || a.exponent_ == b.exponent_);
    }
    friend bool operator<(const Extended& a, const Extended& b);
    friend bool operator>(const Extended& a, const Extended& b) { return b < a; }
    friend bool operator<=(const Extended& a, const Extended& b) { return !(b < a); }
    friend bool operator>=(const Extended& a, const Extended& b) { return !(a < b); }

    // The parts: significand * 2^(exponent - 63), the significand's top bit set
    // unless the value is zero.
    std::uint64_t significand() const { return significand_; }
    int exponent() const { return exponent_; }
    static constexpr Extended fromParts(bool negative, int exponent, std::uint64_t significand) {
        Extended e;
        e.negative_ = negative;
        e.exponent_ = exponent;
        e.significand_ = significand;
        return e;
    }
    // The value m * 2^lsbExponent rounded to 64 bits; `sticky` tells that
    // nonzero bits below m were already dropped.
    static Extended rounded(bool negative, int lsbExponent, unsigned __int128 m, bool sticky = false);

private:
    std::uint64_t significand_ = 0;
    int exponent_ = 0;
    bool negative_ = false;
};

constexpr Extended Extended::fromInteger(std::int64_t value) {
    if (value == 0)
        return {};
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(value) : std::uint64_t(value);
    const int shift = std::countl_zero(magnitude);
    return fromParts(negative, 63 - shift, magnitude << shift);
}

// The 6-byte real of Turbo Pascal: 1 sign bit, 39 stored fraction bits below
// an implicit leading 1, and an 8-bit exponent biased by 129; an exponent byte
// of 0 means zero, whatever the other bits hold. There are no infinities, no
// NaNs and no denormals. Arithmetic runs in extended precision and every
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
    Real48(const Extended& value);
    Real48(double value) : Real48(Extended(value)) {}
    Real48(int value) : Real48(Extended(value)) {}

    // Bytes as the value is laid out in memory: the exponent first, then the
    // fraction from its lowest byte up, the sign in the top bit of the last.
    static Real48 fromBytes(const Bytes& bytes);
    const Bytes& bytes() const { return bytes_; }

    // Expressions take the value in extended precision, so `Real48 x = a * x + e`
    // computes as the drawings did and rounds once, when it is stored.
    Extended extended() const;
    operator Extended() const { return extended(); }
    // Exact: 40 significant bits fit a double.
    double value() const { return extended().toDouble(); }

    bool isZero() const { return bytes_[0] == 0; }

    // The value Real48(value) holds, kept as an extended value: for loops that
    // store and read again at every step, without packing the bytes.
    static Extended stored(const Extended& value);

    // The smallest and largest magnitudes the format holds.
    static Real48 smallest();
    static Real48 largest();

private:
    [[noreturn]] static void overflow();

    Bytes bytes_{};
};

static_assert(sizeof(Real48) == 6);

// The operators on Extended, found for Real48 and int operands as well. They
// are most of the drawings' work, so they live here to be inlined.
Extended operator+(const Extended& a, const Extended& b);
Extended operator-(const Extended& a, const Extended& b);
Extended operator*(const Extended& a, const Extended& b);

inline Extended Extended::rounded(bool negative, int lsbExponent, unsigned __int128 m, bool sticky) {
    if (m == 0)
        return {};
    const auto high = std::uint64_t(m >> 64);
    const int top = high ? 127 - std::countl_zero(high) : 63 - std::countl_zero(std::uint64_t(m));
    if (top <= 63) {
        // Exact: nothing was dropped that could reach the round bit, as the
        // callers keep their sticky bits far below it.
        const auto shifted = std::uint64_t(m) << (63 - top);
        return fromParts(negative, lsbExponent + top, shifted);
    }
    const int drop = top - 63;
    auto kept = std::uint64_t(m >> drop);
    const unsigned __int128 rest = m & (((unsigned __int128)(1) << drop) - 1);
    const unsigned __int128 half = (unsigned __int128)(1) << (drop - 1);
    int exponent = lsbExponent + top;
    if (rest > half || (rest == half && (sticky || (kept & 1)))) {
        if (++kept == 0) { // carried into a new leading bit
            kept = std::uint64_t(1) << 63;
            ++exponent;
        }
    }
    return fromParts(negative, exponent, kept);
}

// high:low rounded to the 64 bits of `high`, which must not be zero;
// `exponent` is the value's when the top bit of `high` is set.
inline Extended roundedWords(bool negative, int exponent, std::uint64_t high, std::uint64_t low,
                             bool sticky) {
    if (const int shift = std::countl_zero(high)) {
        high = (high << shift) | (low >> (64 - shift));
        low <<= shift;
        exponent -= shift;
    }
    constexpr std::uint64_t half = std::uint64_t(1) << 63;
    if (low > half || (low == half && (sticky || (high & 1)))) {
        if (++high == 0) { // carried into a new leading bit
            high = half;
            ++exponent;
        }
    }
    return Extended::fromParts(negative, exponent, high);
}

inline Extended operator*(const Extended& a, const Extended& b) {
    if (a.isZero() || b.isZero())
        return {};
    const unsigned __int128 product = (unsigned __int128)(a.significand()) * b.significand();
    return roundedWords(a.negative() != b.negative(), a.exponent() + b.exponent() + 1,
                        std::uint64_t(product >> 64), std::uint64_t(product), false);
}

// Inlined even where the compiler thinks it too large: the set drawing runs
// it four times a step.
[[gnu::always_inline]] inline Extended operator+(const Extended& a, const Extended& b) {
    if (b.isZero())
        return a;
    if (a.isZero())
        return b;
    const bool aLarger = a.exponent() > b.exponent() ||
                         (a.exponent() == b.exponent() && a.significand() >= b.significand());
    const Extended& big = aLarger ? a : b;
    const Extended& small = aLarger ? b : a;
    // 63 guard bits below the larger value's last place hold the smaller one
    // whole when the exponents lie close; what falls below them only matters
    // as a sticky bit.
    const unsigned __int128 mBig = (unsigned __int128)(big.significand()) << 63;
    const int distance = big.exponent() - small.exponent();
    unsigned __int128 mSmall = 0;
    bool sticky = false;
    if (distance <= 63) {
        mSmall = (unsigned __int128)(small.significand()) << (63 - distance);
    } else if (distance < 127) {
        const int lost = distance - 63;
        mSmall = small.significand() >> lost;
        sticky = (small.significand() & ((std::uint64_t(1) << lost) - 1)) != 0;
    } else {
        sticky = true;
    }
    // Subtracting a little more than mSmall: one less, with the rest sticky.
    const unsigned __int128 m = big.negative() == small.negative() ? mBig + mSmall
                                                                   : mBig - mSmall - (sticky ? 1 : 0);
    const auto high = std::uint64_t(m >> 64);
    if (high == 0) // cancelled to 64 bits or fewer: exact
        return Extended::rounded(big.negative(), big.exponent() - 126, m);
    return roundedWords(big.negative(), big.exponent() + 1, high, std::uint64_t(m), sticky);
}

[[gnu::always_inline]] inline Extended operator-(const Extended& a, const Extended& b) {
    return a + (-b);
}

inline Real48::Real48(const Extended& value) {
    if (value.isZero())
        return;
    constexpr int kDropped = 64 - 40;
    std::uint64_t kept = value.significand() >> kDropped; // 40 bits, leading 1 included
    const std::uint64_t rest = value.significand() & ((std::uint64_t(1) << kDropped) - 1);
    const std::uint64_t half = std::uint64_t(1) << (kDropped - 1);
    int exponent = value.exponent() + 129;
    if (rest > half || (rest == half && (kept & 1) != 0))
        ++kept;
    if (kept >> 40) {
        kept >>= 1;
        ++exponent;
    }
    if (exponent <= 0)
        return;
    if (exponent > 255)
        overflow();
    bytes_[0] = std::uint8_t(exponent);
    bytes_[1] = std::uint8_t(kept);
    bytes_[2] = std::uint8_t(kept >> 8);
    bytes_[3] = std::uint8_t(kept >> 16);
    bytes_[4] = std::uint8_t(kept >> 24);
    bytes_[5] = std::uint8_t(((kept >> 32) & 0x7F) | (value.negative() ? 0x80 : 0));
}

inline bool operator<(const Extended& a, const Extended& b) {
    if (a.isZero() && b.isZero())
        return false;
    if (a.negative() != b.negative())
        return a.negative();
    if (a.isZero() || b.isZero()) // the other is then positive here if nonzero
        return a.isZero() ? !b.negative() : a.negative();
    const bool magnitudeLess = a.exponent() != b.exponent() ? a.exponent() < b.exponent()
                                                          : a.significand() < b.significand();
    const bool magnitudeGreater = a.exponent() != b.exponent() ? a.exponent() > b.exponent()
                                                             : a.significand() > b.significand();
    return a.negative() ? magnitudeGreater : magnitudeLess;
}

inline Extended Real48::stored(const Extended& value) {
    if (value.isZero())
        return {};
    constexpr int kDropped = 64 - 40;
    std::uint64_t kept = value.significand() >> kDropped;
    const std::uint64_t rest = value.significand() & ((std::uint64_t(1) << kDropped) - 1);
    const std::uint64_t half = std::uint64_t(1) << (kDropped - 1);
    int exponent = value.exponent();
    if (rest > half || (rest == half && (kept & 1) != 0))
        ++kept;
    if (kept >> 40) {
        kept >>= 1;
        ++exponent;
    }
    if (exponent + 129 <= 0)
        return {};
    if (exponent + 129 > 255)
        overflow();
    return Extended::fromParts(value.negative(), exponent, kept << kDropped);
}

inline Extended Real48::extended() const {
    if (bytes_[0] == 0)
        return {};
    const std::uint64_t fraction = std::uint64_t(bytes_[1]) | std::uint64_t(bytes_[2]) << 8 |
                                   std::uint64_t(bytes_[3]) << 16 | std::uint64_t(bytes_[4]) << 24 |
                                   std::uint64_t(bytes_[5] & 0x7F) << 32;
    return Extended::fromParts((bytes_[5] & 0x80) != 0, int(bytes_[0]) - 129,
                               ((std::uint64_t(1) << 39) | fraction) << 24);
}

} // namespace velkan::hidden
