#include "hidden/FastExtended.h"

#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace velkan::hidden {
namespace {

// Values that reach the awkward corners: exponents equal or 62 to 65 and
// 126 to 128 apart, significands with runs of ones (carries) or a single
// bit (cancellation), 40-bit ones as the 6-byte reals hold, and zeros.
class Values {
public:
    FastExtended next() {
        if (pick(20) == 0)
            return {};
        std::uint64_t m = rng_();
        switch (pick(5)) {
        case 0: m = ~std::uint64_t(0) << pick(64); break;
        case 1: m = (std::uint64_t(1) << 63) | (std::uint64_t(1) << pick(63)); break;
        case 2: m &= ~((std::uint64_t(1) << 24) - 1); break; // a 6-byte real's
        default: break;
        }
        m |= std::uint64_t(1) << 63;
        const int far[] = {0, 1, 2, 62, 63, 64, 65, 126, 127, 128, 200};
        const int exponent = pick(2) ? int(pick(40)) - 20 : far[pick(11)];
        return {m, exponent, unsigned(pick(2))};
    }

private:
    unsigned pick(unsigned n) { return unsigned(rng_() % n); }
    std::mt19937_64 rng_{48};
};

void expectSame(const Extended& expected, const FastExtended& got, const FastExtended& x,
                const FastExtended& y) {
    ASSERT_EQ(got.extended(), expected)
        << std::hex << x.significand << " e" << std::dec << x.exponent << " s" << x.negative << " / "
        << std::hex << y.significand << " e" << std::dec << y.exponent << " s" << y.negative;
    if (got.isZero()) // so that a later sum treats it as zero
        ASSERT_LE(got.exponent, FastExtended::kZeroExponent / 2);
    else
        ASSERT_TRUE(got.significand >> 63);
}

TEST(FastExtendedTest, SumsProductsAndStoresMatchTheExtendedOperators) {
    Values values;
    for (int i = 0; i < 400000; ++i) {
        const FastExtended x = values.next();
        FastExtended y = values.next();
        if (i % 3 == 0) { // close to x: cancellation, equal exponents
            y = x;
            y.significand ^= std::uint64_t(1) << (i % 64);
            y.significand |= std::uint64_t(1) << 63;
            y.negative ^= unsigned(i & 1);
        }
        const Extended ex = x.extended(), ey = y.extended();
        expectSame(ex + ey, fast::add(x, y), x, y);
        expectSame(ex - ey, fast::add(x, fast::negate(y)), x, y);
        expectSame(ex * ey, fast::multiply(x, y), x, y);
        expectSame(ex * 2, fast::twice(x), x, x);
        if (x.exponent < 126) // the overflow has a test of its own
            expectSame(Real48::stored(ex), fast::stored(x), x, x);
    }
}

TEST(FastExtendedTest, StoringKeepsTheSixByteRangeAndItsOverflow) {
    const FastExtended smallest = FastExtended::from(Real48::smallest().extended());
    EXPECT_EQ(fast::stored(smallest).extended(), Real48::smallest().extended());
    FastExtended below = smallest;
    --below.exponent;
    EXPECT_TRUE(fast::stored(below).isZero());
    const FastExtended largest = FastExtended::from(Real48::largest().extended());
    EXPECT_EQ(fast::stored(largest).extended(), Real48::largest().extended());
    FastExtended above = largest;
    ++above.exponent;
    EXPECT_THROW(fast::stored(above), std::overflow_error);
    FastExtended roundsUp = largest;
    roundsUp.significand = ~std::uint64_t(0);
    EXPECT_THROW(fast::stored(roundsUp), std::overflow_error);
}

} // namespace
} // namespace velkan::hidden
