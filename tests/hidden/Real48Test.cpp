#include "hidden/Real48.h"

#include "hidden/Fern.h"
#include "hidden/SunPicture.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>

namespace velkan::hidden {
namespace {

using Bytes = Real48::Bytes;

double pow2(int e) {
    return std::ldexp(1.0, e);
}

TEST(Real48Test, LaysOutExponentFractionAndSignAsTheSixBytesInMemory) {
    EXPECT_EQ(Real48(1.0).bytes(), (Bytes{129, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48(0.5).bytes(), (Bytes{128, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48(-1.5).bytes(), (Bytes{129, 0, 0, 0, 0, 0xC0}));
    EXPECT_EQ(Real48(3.0).bytes(), (Bytes{130, 0, 0, 0, 0, 0x40}));
    // The lowest fraction bit is the lowest bit of the second byte.
    EXPECT_EQ(Real48(1.0 + pow2(-39)).bytes(), (Bytes{129, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Real48::fromBytes({131, 0, 0, 0, 0, 0x20}).value(), 5.0);
}

TEST(Real48Test, ZeroIsAnyValueWithAZeroExponentByte) {
    EXPECT_EQ(Real48().bytes(), (Bytes{}));
    EXPECT_EQ(Real48(0.0).bytes(), (Bytes{}));
    // There is no negative zero.
    EXPECT_EQ(Real48(-0.0).bytes(), (Bytes{}));
    const Real48 junk = Real48::fromBytes({0, 0x12, 0x34, 0x56, 0x78, 0xFF});
    EXPECT_TRUE(junk.isZero());
    EXPECT_EQ(junk.value(), 0.0);
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
    EXPECT_TRUE(Real48(-pow2(-129) * 1.5).isZero());
    EXPECT_TRUE(Real48(std::numeric_limits<double>::denorm_min()).isZero());
    EXPECT_TRUE(Real48(std::numeric_limits<double>::min()).isZero());
}

TEST(Real48Test, LargestMagnitudeHoldsAndAnythingRoundingAboveItOverflows) {
    const double largest = pow2(127) - pow2(87);
    EXPECT_EQ(Real48::largest().value(), largest);
    EXPECT_EQ(Real48(largest).bytes(), (Bytes{255, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(Real48(-largest).bytes(), (Bytes{255, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    // Less than half a step above still rounds down to it.
    EXPECT_EQ(Real48(Extended(largest) + pow2(86) - pow2(70)).value(), largest);
    // Half a step above is a tie that rounds to the even fraction, 2^127.
    EXPECT_THROW(Real48(largest + pow2(86)), std::overflow_error);
    EXPECT_THROW(Real48(pow2(127)), std::overflow_error);
    EXPECT_THROW(Real48(-pow2(200)), std::overflow_error);
    EXPECT_THROW(Real48(std::numeric_limits<double>::infinity()), std::overflow_error);
    EXPECT_THROW(Real48(std::numeric_limits<double>::quiet_NaN()), std::domain_error);
}

TEST(Real48Test, RoundsToNearestWithTiesToTheEvenFraction) {
    const double step = pow2(-39); // one unit of the last place at 1
    struct Case {
        Extended in;
        double out;
    };
    const Case cases[] = {
        {1 + step / 2, 1},                      // tie, even below
        {1 + 3 * step / 2, 1 + 2 * step},       // tie, even above
        {Extended(1 + step / 2) + pow2(-60), 1 + step}, // just past the tie
        {Extended(1 + step / 2) - pow2(-60), 1},        // just short of it
        {2 - step / 2, 2},                      // tie carrying into the exponent
        {-(1 + 3 * step / 2), -(1 + 2 * step)}, // the same for negative values
        {-(1 + step / 2), -1},
        {1 + step, 1 + step}, // exact values stay
    };
    for (const Case& c : cases)
        EXPECT_EQ(Real48(c.in).value(), c.out) << (c.in - 1).toDouble() / step;
}

TEST(Real48Test, DecimalConstantsKeepFortyBitsOfPrecision) {
    const std::pair<int, int> ratios[] = {{16, 100}, {85, 100}, {-4, 100}, {23, 100},
                                          {16, 10},  {44, 100}, {1, 80},    {1, 100}};
    for (auto [num, den] : ratios) {
        const Extended v = Extended::ratio(num, den);
        const double stored = Real48(v).value();
        const double exact = double(num) / den;
        EXPECT_LE(std::fabs(stored - exact), std::fabs(exact) * pow2(-40)) << exact;
        EXPECT_NE(Extended(stored), v) << exact; // none of them is a binary fraction
    }
    // The extended constant is the nearest one to the decimal: 0.01 rounds down
    // at 64 bits, 0.85 up.
    EXPECT_EQ(Extended::ratio(1, 100).significand(), 0xA3D70A3D70A3D70Aull);
    EXPECT_EQ(Extended::ratio(85, 100).significand(), 0xD99999999999999Aull);
}

TEST(Real48Test, AnExpressionComputesInExtendedPrecisionAndRoundsOnceWhenStored) {
    const Real48 one = 1.0, quarterStep = pow2(-40);
    // Rounded after every operation, 1 + 2^-40 would tie back to 1 twice over.
    const Real48 sum = one + quarterStep + quarterStep;
    EXPECT_EQ(sum.value(), 1 + pow2(-39));
    Real48 stepwise = one + quarterStep;
    stepwise = stepwise + quarterStep;
    EXPECT_EQ(stepwise.value(), 1.0);
}

// The values the x87 implementation computed, recorded before the arithmetic
// was done in integers: every case must land on the same bytes.
Real48 parse(const std::string& hex) {
    Bytes b{};
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = std::uint8_t(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return Real48::fromBytes(b);
}

std::string hexOf(const Real48& r) {
    std::string s;
    char buf[3];
    for (auto byte : r.bytes()) {
        std::snprintf(buf, sizeof buf, "%02x", byte);
        s += buf;
    }
    return s;
}

std::ifstream data(const char* name) {
    std::ifstream in(std::string(VELKAN_HIDDEN_DATA) + "/" + name);
    EXPECT_TRUE(in) << name;
    return in;
}

TEST(Real48Test, ExpressionsGiveTheBytesTheExtendedPrecisionFpuGave) {
    std::ifstream in = data("real48-cases.txt");
    std::string line;
    int cases = 0, overflows = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string op, ha, hb, hc, hd, he, expected;
        long long expectedN = 0;
        fields >> op >> ha >> hb >> hc >> hd >> he >> expected >> expectedN;
        if (op == "r") { // int times the set's decimal constants
            const int q = std::stoi(hc);
            EXPECT_EQ(hexOf(q * Extended::ratio(1, 80)), ha) << q;
            EXPECT_EQ(hexOf(q * Extended::ratio(1, 100)), hb) << q;
            ++cases;
            continue;
        }
        const Real48 a = parse(ha), b = parse(hb), c = parse(hc), d = parse(hd), e = parse(he);
        std::string got;
        long long n = 0;
        try {
            Real48 r;
            switch (std::stoi(op)) {
            case 0: r = a * b + c; break;
            case 1: r = a * a - b * b + c; break;
            case 2: r = 2 * a * b + c; break;
            case 3: r = a * b + c * d + e; break;
            case 4: r = a - b; break;
            case 5: {
                Bytes small = a.bytes();
                small[0] = parse(expected).bytes()[0];
                const Real48 x = Real48::fromBytes(small);
                n = ((x + 4) * 32).nearestInteger() * 4 + (x * 22).nearestInteger() * 2 +
                    (a * a + b * b > Extended::fromInteger(10000000000000000) ? 1 : 0);
                r = x;
                break;
            }
            }
            got = hexOf(r);
        } catch (const std::overflow_error&) {
            got = "overflow";
            ++overflows;
        }
        EXPECT_EQ(got, expected) << line;
        EXPECT_EQ(n, expectedN) << line;
        ++cases;
    }
    EXPECT_GT(cases, 3000);
    EXPECT_GT(overflows, 100);
}

TEST(Real48Test, TheSetPictureCountsEveryPointAsBefore) {
    std::ifstream in = data("sun-counts.txt");
    std::string line;
    std::map<std::pair<int, int>, int> recorded;
    int differing = 0;
    for (int p = kSunFirstColumn; p <= kSunLastColumn; ++p) {
        ASSERT_TRUE(std::getline(in, line));
        for (int q = kSunFirstRow; q <= kSunLastRow; ++q) {
            const int expected = std::stoi(line.substr(2 * std::size_t(q - kSunFirstRow), 2), nullptr, 16);
            recorded[{p, q}] = expected;
            if (sunEscapeCount(p, q) != expected && ++differing < 10)
                ADD_FAILURE() << "p " << p << " q " << q << " expected " << expected;
        }
    }
    EXPECT_EQ(differing, 0);

    // The drawing steps several points side by side, finishing at different
    // steps, and skips the points deep inside the set: every pixel must still
    // be the one its recorded count paints.
    std::map<std::pair<int, int>, platform::COLORREF> drawn;
    ASSERT_TRUE(drawSun([&drawn](std::vector<Pixel> column) {
        for (const Pixel& pixel : column)
            drawn[{pixel.x + kSunFirstColumn, pixel.y + kSunFirstRow}] = pixel.colour;
    }));
    differing = 0;
    for (const auto& [point, count] : recorded) {
        const auto it = drawn.find(point);
        const std::optional<platform::COLORREF> got =
            it == drawn.end() ? std::nullopt : std::optional(it->second);
        if (got != sunColour(count) && ++differing < 10)
            ADD_FAILURE() << "drawn p " << point.first << " q " << point.second << " count " << count;
    }
    EXPECT_EQ(differing, 0);
}

TEST(Real48Test, TheFernVisitsTheSamePointsAsBefore) {
    std::ifstream in = data("fern-points.txt");
    RandomGenerator random;
    Fern fern(random);
    int index = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int at = 0, px = 0, py = 0;
        std::string hx, hy;
        fields >> at >> hx >> hy >> px >> py;
        Pixel pixel{};
        while (index < at) {
            pixel = fern.next();
            ++index;
        }
        ASSERT_EQ(hexOf(fern.x()) + " " + hexOf(fern.y()), hx + " " + hy) << "point " << at;
        ASSERT_EQ(pixel.x, px);
        ASSERT_EQ(pixel.y, py);
    }
    EXPECT_EQ(index, 30000);
}

} // namespace
} // namespace velkan::hidden
