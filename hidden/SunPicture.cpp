#include "hidden/SunPicture.h"

#include "hidden/FastExtended.h"
#include "hidden/Real48.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

namespace velkan::hidden {

namespace {

// 1e16 as an extended value.
constexpr int kEscapeExponent = 63 - std::countl_zero(std::uint64_t(kSunEscape));
constexpr std::uint64_t kEscapeSignificand = std::uint64_t(kSunEscape)
                                             << std::countl_zero(std::uint64_t(kSunEscape));
static_assert(kEscapeExponent == 53);

// |z|^2 > 1e16, decided from the squares as the drawing decided it: their
// sum rounded to extended precision, then to 6 bytes, compared with 1e16.
[[gnu::always_inline]] inline bool escaped(const FastExtended& aa, const FastExtended& bb) {
    // 1e16 lies in [2^53, 2^54). A sum below 2^53 or from 2^54 up stays on
    // its side through both roundings, as rounding is monotonic and both
    // powers of two are 6-byte values; only between them is it computed.
    const int top = std::max(aa.exponent, bb.exponent);
    if (top < kEscapeExponent - 1)
        return false;
    if (top > kEscapeExponent)
        return true;
    const FastExtended magnitude = fast::stored(fast::add(aa, bb));
    return magnitude.exponent > kEscapeExponent ||
           (magnitude.exponent == kEscapeExponent && magnitude.significand > kEscapeSignificand);
}

[[gnu::always_inline]] inline bool sameValue(const FastExtended& x, const FastExtended& y) {
    return x.significand == y.significand && x.exponent == y.exponent && x.negative == y.negative;
}

// One point of the picture on its way; step() until it reports its count.
class SunPoint {
public:
    SunPoint() = default;
    SunPoint(int p, int q) {
        static const Extended eightieth = Extended::ratio(1, 80), hundredth = Extended::ratio(1, 100);
        // Every value is stored as a 6-byte real, as the drawing stored it;
        // kept as the extended value it reads back as, so no bytes are packed.
        cRe_ = FastExtended::from(Real48::stored(q * eightieth));
        cIm_ = FastExtended::from(Real48::stored(p * hundredth));
        cycleA_.exponent = cycleB_.exponent = 0; // no value: a zero has kZeroExponent
    }

    int count() const { return n_; }

    // One step; true once the count is known.
    [[gnu::always_inline]] bool step() {
        using namespace fast;
        const FastExtended re = stored(add(add(aa_, negate(bb_)), cRe_));
        const FastExtended im = stored(add(multiply(twice(a_), b_), cIm_));
        a_ = re;
        b_ = im;
        aa_ = multiply(a_, a_);
        bb_ = multiply(b_, b_);
        if (escaped(aa_, bb_))
            return true;
        if (++n_ == kSunSteps)
            return true;
        // A step depends on nothing but a and b, so once they repeat the
        // point goes round the same cycle for ever without escaping, as
        // points deep inside the set do once they settle. Comparing with a
        // value saved at doubling intervals (Brent's way) finds the cycle.
        if (sameValue(a_, cycleA_) && sameValue(b_, cycleB_)) {
            n_ = kSunSteps;
            return true;
        }
        if (++sinceSaved_ == saveEvery_) {
            cycleA_ = a_;
            cycleB_ = b_;
            saveEvery_ *= 2;
            sinceSaved_ = 0;
        }
        return false;
    }

private:
    FastExtended cRe_, cIm_;
    FastExtended a_, b_;
    // The squares of a step's a and b are the ones the next step starts
    // from: the same extended products, computed once.
    FastExtended aa_, bb_;
    FastExtended cycleA_, cycleB_;
    int saveEvery_ = 1, sinceSaved_ = 0;
    int n_ = 0;
};

constexpr int kSunRows = kSunLastRow - kSunFirstRow + 1;

// Processors with BMI2 and LZCNT shift by a register and count leading zeros
// in one instruction each, which the steps do a dozen times; the same
// integer arithmetic either way, so the same counts.
#if defined(__x86_64__) && defined(__GNUC__) && defined(__linux__)
#define VELKAN_SUN_CLONES [[gnu::target_clones("arch=x86-64-v3", "default")]]
#else
#define VELKAN_SUN_CLONES
#endif

// The counts of a column, in one function so the processor's clone is chosen
// once a column.
VELKAN_SUN_CLONES
void sunColumn(int p, std::array<std::uint8_t, kSunRows>& counts) {
    for (int q = kSunFirstRow; q <= kSunLastRow; ++q) {
        SunPoint point(p, q);
        while (!point.step()) {
        }
        counts[std::size_t(q - kSunFirstRow)] = std::uint8_t(point.count());
    }
}

} // namespace

VELKAN_SUN_CLONES
int sunEscapeCount(int p, int q) {
    SunPoint point(p, q);
    while (!point.step()) {
    }
    return point.count();
}

std::optional<platform::COLORREF> sunColour(int count) {
    const int k = count / 15;
    if (k == 0)
        return std::nullopt;
    if (count >= 99)
        return platform::RGB(0, 0, 0);
    return platform::GetSysColor(15 + 2 * k);
}

bool drawSun(const PixelSink& sink, std::stop_token stop) {
    // Column -p is column p mirrored in the real axis, and every step keeps
    // the mirror exact (the roundings treat both signs alike, and a zero's
    // sign never matters), so the columns right of the axis reuse the counts
    // of those left of it.
    std::array<std::array<std::uint8_t, kSunRows>, -kSunFirstColumn + 1> counts{};
    for (int p = kSunFirstColumn; p <= kSunLastColumn; ++p) {
        const bool mirrored = p > 0 && -p >= kSunFirstColumn;
        auto& mine = counts[std::size_t(mirrored ? -p - kSunFirstColumn : p - kSunFirstColumn)];
        if (!mirrored)
            sunColumn(p, mine);
        std::vector<Pixel> column;
        column.reserve(kSunRows);
        for (int q = kSunFirstRow; q <= kSunLastRow; ++q) {
            if (auto colour = sunColour(mine[std::size_t(q - kSunFirstRow)]))
                column.push_back({p - kSunFirstColumn, q - kSunFirstRow, *colour});
        }
        sink(std::move(column));
        if (stop.stop_requested())
            return p == kSunLastColumn;
    }
    return true;
}

} // namespace velkan::hidden
