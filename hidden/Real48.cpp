#include "hidden/Real48.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace velkan::hidden {

// The conversions read and write the x87 80-bit format directly: a 64-bit
// significand with its leading 1 stored, a 15-bit exponent biased by 16383 and
// the sign above it.
static_assert(std::numeric_limits<long double>::digits == 64,
              "the drawings compute in x87 extended precision");

namespace {

constexpr int kExtendedBias = 16383;
constexpr int kRealBias = 129;
constexpr int kFractionBits = 39;
// Significand bits of the extended value that do not fit into the 6 bytes.
constexpr int kDroppedBits = 63 - kFractionBits;
constexpr std::uint64_t kFractionMask = (std::uint64_t(1) << kFractionBits) - 1;

struct Extended {
    std::uint64_t significand = 0;
    std::uint16_t signAndExponent = 0;
};

Extended split(long double value) {
    unsigned char raw[sizeof(long double)] = {};
    std::memcpy(raw, &value, sizeof value);
    Extended e;
    std::memcpy(&e.significand, raw, 8);
    std::memcpy(&e.signAndExponent, raw + 8, 2);
    return e;
}

// 2^(e - 129 - 39) for each exponent byte e: scales the 40-bit significand
// taken as an integer. Building the value by arithmetic rather than from its
// bits keeps the reads of a value fast; they are most of the drawings' work.
constexpr std::array<long double, 256> kScale = [] {
    std::array<long double, 256> scale{};
    long double p = 1.0L;
    for (int i = 0; i < kRealBias + kFractionBits; ++i)
        p /= 2;
    for (auto& s : scale) {
        s = p;
        p *= 2;
    }
    return scale;
}();

std::uint64_t packed(const Real48::Bytes& b) {
    std::uint64_t v = 0;
    for (int i = 5; i >= 0; --i)
        v = (v << 8) | b[i];
    return v;
}

Real48::Bytes unpacked(std::uint64_t v) {
    Real48::Bytes b;
    for (auto& byte : b) {
        byte = std::uint8_t(v & 0xFF);
        v >>= 8;
    }
    return b;
}

} // namespace

Real48::Real48(long double value) {
    const Extended e = split(value);
    const bool negative = (e.signAndExponent & 0x8000) != 0;
    const int biased = e.signAndExponent & 0x7FFF;
    if (biased == 0x7FFF) {
        if ((e.significand << 1) != 0)
            throw std::domain_error("6-byte real: not a number");
        throw std::overflow_error("6-byte real: overflow");
    }
    // Zero and the extended denormals lie far below the smallest magnitude.
    if (biased == 0 || (e.significand >> 63) == 0)
        return;

    int exponent = biased - kExtendedBias + kRealBias;
    std::uint64_t kept = e.significand >> kDroppedBits; // 40 bits, leading 1 included
    const std::uint64_t rest = e.significand & ((std::uint64_t(1) << kDroppedBits) - 1);
    const std::uint64_t half = std::uint64_t(1) << (kDroppedBits - 1);
    if (rest > half || (rest == half && (kept & 1) != 0))
        ++kept;
    if (kept >> (kFractionBits + 1)) { // the rounding carried into a new leading bit
        kept >>= 1;
        ++exponent;
    }
    if (exponent <= 0)
        return;
    if (exponent > 255)
        throw std::overflow_error("6-byte real: overflow");

    std::uint64_t bits = std::uint64_t(exponent) | ((kept & kFractionMask) << 8);
    if (negative)
        bits |= std::uint64_t(1) << 47;
    bytes_ = unpacked(bits);
}

Real48 Real48::fromBytes(const Bytes& bytes) {
    Real48 r;
    r.bytes_ = bytes;
    return r;
}

long double Real48::value() const {
    const std::uint64_t bits = packed(bytes_);
    const int exponent = int(bits & 0xFF);
    if (exponent == 0)
        return 0.0L;
    const std::uint64_t significand =
        (std::uint64_t(1) << kFractionBits) | ((bits >> 8) & kFractionMask);
    const long double magnitude =
        static_cast<long double>(significand) * kScale[std::size_t(exponent)];
    return (bits >> 47) ? -magnitude : magnitude;
}

Real48 Real48::smallest() {
    return fromBytes({1, 0, 0, 0, 0, 0});
}

Real48 Real48::largest() {
    return fromBytes({255, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
}

} // namespace velkan::hidden
