#include "hidden/SunPicture.h"

#include "hidden/FastExtended.h"
#include "hidden/Real48.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
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

constexpr int kSunRows = kSunLastRow - kSunFirstRow + 1;

// c of a column or row: its 6-byte value, as the drawing stored it, kept as
// the extended value it reads back as, and as a double (exact: 40 bits).
struct SunCoordinate {
    FastExtended value;
    double approximate = 0;
};

SunCoordinate sunCoordinate(int index, const Extended& scale) {
    const Extended value = Real48::stored(index * scale);
    return {FastExtended::from(value), value.toDouble()};
}

// The real parts of the rows, the same for every column.
const std::array<SunCoordinate, kSunRows>& sunRows() {
    static const auto rows = [] {
        const Extended eightieth = Extended::ratio(1, 80);
        std::array<SunCoordinate, kSunRows> r;
        for (int q = kSunFirstRow; q <= kSunLastRow; ++q)
            r[std::size_t(q - kSunFirstRow)] = sunCoordinate(q, eightieth);
        return r;
    }();
    return rows;
}

SunCoordinate sunColumnCoordinate(int p) {
    static const Extended hundredth = Extended::ratio(1, 100);
    return sunCoordinate(p, hundredth);
}

// Whether c = x + iy lies well inside the main cardioid or the disc of the
// period-2 bulb. There the orbit is drawn into an attracting fixed point or
// 2-cycle, and a rounding error of a 6-byte real (some 1e-12) is nothing
// beside the pull of a multiplier kept this far below 1, so the point never
// escapes and counts to the limit: that saves more than half the picture's
// steps. The margin leaves points near the boundary, whose pull is weak, to
// the steps; the recorded counts of every point confirm the shortcut.
bool settlesInside(double x, double y) {
    constexpr double kMultiplier = 0.95, kLimit = kMultiplier * kMultiplier;
    // The 2-cycle's multiplier is 4(c + 1).
    if (16 * ((x + 1) * (x + 1) + y * y) < kLimit)
        return true;
    if (x < -0.8 || x > 0.25 || std::abs(y) > 0.66) // nowhere near the cardioid
        return false;
    // The fixed point's is 1 - w, w the square root of 1 - 4c with a
    // positive real part; in real square roots, as this runs per point.
    const double u = 1 - 4 * x, v = -4 * y;
    const double modulus = std::sqrt(u * u + v * v);
    const double wRe = std::sqrt((modulus + u) / 2);
    if (wRe == 0) // c real from 1/4 up: |1 - w| >= 1
        return false;
    const double wIm = v / (2 * wRe);
    return (1 - wRe) * (1 - wRe) + wIm * wIm < kLimit;
}

// One point of the picture on its way; step() until it reports its count.
class SunPoint {
public:
    SunPoint() = default;
    SunPoint(const FastExtended& cRe, const FastExtended& cIm) : cRe_(cRe), cIm_(cIm) {
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

// Processors with BMI2 and LZCNT shift by a register and count leading zeros
// in one instruction each, which the steps do a dozen times; the same
// integer arithmetic either way, so the same counts.
// The clone is picked by a resolver the loader runs before a sanitizer's
// runtime is up; ThreadSanitizer's instrumented resolver crashes there, so
// sanitized builds keep the one default version.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define VELKAN_SUN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
#define VELKAN_SUN_SANITIZED 1
#endif
#endif
#if defined(__x86_64__) && defined(__GNUC__) && defined(__linux__) && !defined(VELKAN_SUN_SANITIZED)
#define VELKAN_SUN_CLONES [[gnu::target_clones("arch=x86-64-v3", "default")]]
#else
#define VELKAN_SUN_CLONES
#endif

// The counts of a column, in one function so the processor's clone is chosen
// once a column. Several points are stepped in turn, each on its own lane:
// their steps do not depend on each other, so the processor overlaps them
// where one point alone leaves it waiting on the last result. A lane whose
// point is done takes the next row's.
VELKAN_SUN_CLONES
void sunColumn(int p, std::array<std::uint8_t, kSunRows>& counts) {
    constexpr int kLanes = 3;
    std::array<SunPoint, kLanes> lanes;
    std::array<int, kLanes> laneRows{};
    const auto& rows = sunRows();
    const SunCoordinate column = sunColumnCoordinate(p);
    int next = kSunFirstRow;
    auto record = [&counts](int q, int count) { counts[std::size_t(q - kSunFirstRow)] = std::uint8_t(count); };
    // The next row that needs steps, on `lane`; false once the column is out.
    auto start = [&](int lane) {
        for (; next <= kSunLastRow; ++next) {
            const SunCoordinate& row = rows[std::size_t(next - kSunFirstRow)];
            if (settlesInside(row.approximate, column.approximate)) {
                record(next, kSunSteps);
                continue;
            }
            lanes[std::size_t(lane)] = SunPoint(row.value, column.value);
            laneRows[std::size_t(lane)] = next++;
            return true;
        }
        return false;
    };
    int running = 0;
    while (running < kLanes && start(running))
        ++running;
    if (running == kLanes) {
        std::array<bool, kLanes> idle{};
        bool columnOut = false;
        while (!columnOut) {
            std::array<bool, kLanes> finished{};
            bool any = false;
            for (int lane = 0; lane < kLanes; ++lane) {
                finished[std::size_t(lane)] = lanes[std::size_t(lane)].step();
                any |= finished[std::size_t(lane)];
            }
            if (!any) [[likely]]
                continue;
            // A finished point must not step again (its values would
            // overflow), so every lane that finished is dealt with now.
            for (int lane = 0; lane < kLanes; ++lane) {
                if (!finished[std::size_t(lane)])
                    continue;
                record(laneRows[std::size_t(lane)], lanes[std::size_t(lane)].count());
                if (!start(lane)) {
                    idle[std::size_t(lane)] = true;
                    columnOut = true;
                }
            }
        }
        running = 0;
        for (int lane = 0; lane < kLanes; ++lane) {
            if (!idle[std::size_t(lane)]) {
                lanes[std::size_t(running)] = lanes[std::size_t(lane)];
                laneRows[std::size_t(running)] = laneRows[std::size_t(lane)];
                ++running;
            }
        }
    }
    // The column's last points, one by one.
    for (int lane = 0; lane < running; ++lane) {
        SunPoint& point = lanes[std::size_t(lane)];
        while (!point.step()) {
        }
        record(laneRows[std::size_t(lane)], point.count());
    }
}

} // namespace

VELKAN_SUN_CLONES
int sunEscapeCount(int p, int q) {
    const SunCoordinate& row = sunRows()[std::size_t(q - kSunFirstRow)];
    const SunCoordinate column = sunColumnCoordinate(p);
    if (settlesInside(row.approximate, column.approximate))
        return kSunSteps;
    SunPoint point(row.value, column.value);
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
