#include "hidden/Real48.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace velkan::hidden {
namespace {

using Bytes = Real48::Bytes;

long double pow2(int e) {
    return std::ldexp(1.0L, e);
}

TEST(Real48Test, LaysOutExponentFractionAndSignAsTheSixBytesInMemory) {
    EXPECT_EQ(Real48(1.0L).bytes(), (Bytes{129, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48(0.5L).bytes(), (Bytes{128, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48(-1.5L).bytes(), (Bytes{129, 0, 0, 0, 0, 0xC0}));
    EXPECT_EQ(Real48(3.0L).bytes(), (Bytes{130, 0, 0, 0, 0, 0x40}));
    // The lowest fraction bit is the lowest bit of the second byte.
    EXPECT_EQ(Real48(1.0L + pow2(-39)).bytes(), (Bytes{129, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Real48::fromBytes({131, 0, 0, 0, 0, 0x20}).value(), 5.0L);
}

TEST(Real48Test, ZeroIsAnyValueWithAZeroExponentByte) {
    EXPECT_EQ(Real48().bytes(), (Bytes{}));
    EXPECT_EQ(Real48(0.0L).bytes(), (Bytes{}));
    // There is no negative zero.
    EXPECT_EQ(Real48(-0.0L).bytes(), (Bytes{}));
    const Real48 junk = Real48::fromBytes({0, 0x12, 0x34, 0x56, 0x78, 0xFF});
    EXPECT_TRUE(junk.isZero());
    EXPECT_EQ(junk.value(), 0.0L);
    EXPECT_FALSE(std::signbit(junk.value()));
}

TEST(Real48Test, SmallestMagnitudeHoldsAndAnythingRoundingBelowItBecomesZero) {
    EXPECT_EQ(Real48::smallest().value(), pow2(-128));
    EXPECT_EQ(Real48(pow2(-128)).bytes(), (Bytes{1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48(-pow2(-128)).bytes(), (Bytes{1, 0, 0, 0, 0, 0x80}));
    // Halfway between the largest value of the exponent below and 2^-128: the
    // tie goes to the even fraction, which carries up into the smallest value.
    EXPECT_EQ(Real48(pow2(-128) - pow2(-169)).value(), pow2(-128));
    // Just below that stays in the exponent below, which the format lacks.
    EXPECT_TRUE(Real48(pow2(-128) - pow2(-169) - pow2(-180)).isZero());
    EXPECT_TRUE(Real48(pow2(-129)).isZero());
    EXPECT_TRUE(Real48(-pow2(-129) * 1.5L).isZero());
    EXPECT_TRUE(Real48(std::numeric_limits<long double>::denorm_min()).isZero());
    EXPECT_TRUE(Real48(std::numeric_limits<long double>::min()).isZero());
}

TEST(Real48Test, LargestMagnitudeHoldsAndAnythingRoundingAboveItOverflows) {
    const long double largest = pow2(127) - pow2(87);
    EXPECT_EQ(Real48::largest().value(), largest);
    EXPECT_EQ(Real48(largest).bytes(), (Bytes{255, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(Real48(-largest).bytes(), (Bytes{255, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    // Less than half a step above still rounds down to it.
    EXPECT_EQ(Real48(largest + pow2(86) - pow2(70)).value(), largest);
    // Half a step above is a tie that rounds to the even fraction, 2^127.
    EXPECT_THROW(Real48(largest + pow2(86)), std::overflow_error);
    EXPECT_THROW(Real48(pow2(127)), std::overflow_error);
    EXPECT_THROW(Real48(-pow2(200)), std::overflow_error);
    EXPECT_THROW(Real48(std::numeric_limits<long double>::infinity()), std::overflow_error);
    EXPECT_THROW(Real48(std::numeric_limits<long double>::quiet_NaN()), std::domain_error);
}

TEST(Real48Test, RoundsToNearestWithTiesToTheEvenFraction) {
    const long double step = pow2(-39); // one unit of the last place at 1
    struct Case {
        long double in;
        long double out;
    };
    const Case cases[] = {
        {1 + step / 2, 1},                      // tie, even below
        {1 + 3 * step / 2, 1 + 2 * step},       // tie, even above
        {1 + step / 2 + pow2(-60), 1 + step},   // just past the tie
        {1 + step / 2 - pow2(-60), 1},          // just short of it
        {2 - step / 2, 2},                      // tie carrying into the exponent
        {-(1 + 3 * step / 2), -(1 + 2 * step)}, // the same for negative values
        {-(1 + step / 2), -1},
        {1 + step, 1 + step}, // exact values stay
    };
    for (const Case& c : cases)
        EXPECT_EQ(Real48(c.in).value(), c.out) << double(c.in - 1) / double(step);
}

TEST(Real48Test, DecimalConstantsKeepFortyBitsOfPrecision) {
    for (long double v : {0.16L, 0.85L, -0.04L, 0.23L, 1.6L, 0.44L, 0.0125L, 0.01L}) {
        const long double stored = Real48(v).value();
        EXPECT_LE(std::fabs(stored - v), std::fabs(v) * pow2(-40)) << double(v);
        EXPECT_NE(stored, v) << double(v); // none of them is a binary fraction
    }
}

TEST(Real48Test, AnExpressionComputesInExtendedPrecisionAndRoundsOnceWhenStored) {
    const Real48 one = 1.0L, quarterStep = pow2(-40);
    // Rounded after every operation, 1 + 2^-40 would tie back to 1 twice over.
    const Real48 sum = one + quarterStep + quarterStep;
    EXPECT_EQ(sum.value(), 1 + pow2(-39));
    Real48 stepwise = one + quarterStep;
    stepwise = stepwise + quarterStep;
    EXPECT_EQ(stepwise.value(), 1.0L);
}

} // namespace
} // namespace velkan::hidden
