#include "hidden/Real48.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace velkan::hidden {

Extended::Extended(double value) {
    if (std::isnan(value))
        throw std::domain_error("6-byte real: not a number");
    if (std::isinf(value))
        throw std::overflow_error("6-byte real: overflow");
    if (value == 0)
        return;
    int exponent = 0;
    // frexp gives [0.5, 1) * 2^exponent; 2^64 times the fraction is an exact integer.
    const double fraction = std::frexp(std::fabs(value), &exponent);
    const auto significand = std::uint64_t(std::ldexp(fraction, 64));
    *this = fromParts(value < 0, exponent - 1, significand);
}

Extended Extended::ratio(std::int64_t num, std::int64_t den) {
    if (den == 0)
        throw std::domain_error("6-byte real: division by zero");
    if (num == 0)
        return {};
    const bool negative = (num < 0) != (den < 0);
    const unsigned __int128 n = num < 0 ? 0 - std::uint64_t(num) : std::uint64_t(num);
    const unsigned __int128 d = den < 0 ? 0 - std::uint64_t(den) : std::uint64_t(den);
    // The numerator at the top of 128 bits leaves a quotient of more than 64 bits.
    const int shift = 127 - (63 - std::countl_zero(std::uint64_t(n)));
    const unsigned __int128 wide = n << shift;
    return rounded(negative, -shift, wide / d, wide % d != 0);
}

std::int64_t Extended::nearestInteger() const {
    if (isZero() || exponent_ < -1) // below a half
        return 0;
    if (exponent_ > 61)
        throw std::overflow_error("6-byte real: no such integer");
    const int drop = 63 - exponent_; // 2 to 64
    const unsigned __int128 wide = significand_;
    auto magnitude = std::uint64_t(wide >> drop);
    const unsigned __int128 rest = wide & (((unsigned __int128)(1) << drop) - 1);
    const unsigned __int128 half = (unsigned __int128)(1) << (drop - 1);
    if (rest > half || (rest == half && (magnitude & 1)))
        ++magnitude;
    return negative_ ? -std::int64_t(magnitude) : std::int64_t(magnitude);
}

double Extended::toDouble() const {
    if (isZero())
        return 0.0;
    // The conversion of the integer rounds to the nearest double, ties to even.
    const double magnitude = std::ldexp(double(significand_), exponent_ - 63);
    return negative_ ? -magnitude : magnitude;
}

void Real48::overflow() {
    throw std::overflow_error("6-byte real: overflow");
}

Real48 Real48::fromBytes(const Bytes& bytes) {
    Real48 r;
    r.bytes_ = bytes;
    return r;
}

Real48 Real48::smallest() {
    return fromBytes({1, 0, 0, 0, 0, 0});
}

Real48 Real48::largest() {
    return fromBytes({255, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
}

} // namespace velkan::hidden
