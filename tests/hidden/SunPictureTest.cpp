#include "hidden/SunPicture.h"

#include <gtest/gtest.h>
#include <map>
#include <utility>

namespace velkan::hidden {
namespace {

using platform::COLORREF;
using platform::GetSysColor;
using platform::RGB;

std::map<std::pair<int, int>, COLORREF> wholeSun(int* batches = nullptr) {
    std::map<std::pair<int, int>, COLORREF> pixels;
    int count = 0;
    int lastColumn = -1, lastRow = -1;
    EXPECT_TRUE(drawSun([&](std::vector<Pixel> column) {
        ++count;
        for (const Pixel& p : column) {
            // Column by column from the left, each from the top.
            EXPECT_TRUE(p.x > lastColumn || (p.x == lastColumn && p.y > lastRow));
            lastColumn = p.x;
            lastRow = p.y;
            pixels[{p.x, p.y}] = p.colour;
        }
    }));
    if (batches)
        *batches = count;
    return pixels;
}

TEST(SunPictureTest, PointsThatNeverEscapeCountToTheLimit) {
    EXPECT_EQ(sunEscapeCount(0, 0), kSunSteps);    // c = 0
    EXPECT_EQ(sunEscapeCount(0, -40), kSunSteps);  // c = -0.5
    EXPECT_EQ(sunEscapeCount(0, -80), kSunSteps);  // c = -1, the 2-cycle
    EXPECT_EQ(sunEscapeCount(0, -160), kSunSteps); // c = -2: z stays at 2
    EXPECT_EQ(sunEscapeCount(0, 20), kSunSteps);   // c = 0.25, the cusp
}

TEST(SunPictureTest, FarPointsEscapeWithinAFewSteps) {
    // c = -2 - 1.6i: |z|^2 passes 1e16 after five squarings.
    EXPECT_LT(sunEscapeCount(-160, -160), 15);
    EXPECT_LT(sunEscapeCount(159, 39), 15);
    // c = 0.4875: outside, but slowly.
    const int slow = sunEscapeCount(0, 39);
    EXPECT_GT(slow, 0);
    EXPECT_LT(slow, kSunSteps);
}

TEST(SunPictureTest, TheCountChoosesNothingAColourOrBlack) {
    for (int n = 0; n < 15; ++n)
        EXPECT_FALSE(sunColour(n).has_value()) << n;
    const std::pair<int, int> colourOf[] = {{15, 17}, {29, 17}, {30, 19}, {44, 19},
                                            {45, 21}, {59, 21}, {60, 23}, {74, 23},
                                            {75, 25}, {89, 25}, {90, 27}, {98, 27}};
    for (auto [n, index] : colourOf)
        EXPECT_EQ(sunColour(n), GetSysColor(index)) << n;
    EXPECT_EQ(sunColour(99), RGB(0, 0, 0));
    EXPECT_EQ(sunColour(100), RGB(0, 0, 0));
}

TEST(SunPictureTest, ColoursComeFromTheSystemColoursInForce) {
    platform::ScopedSysColor ring25(25, RGB(1, 2, 3));
    platform::ScopedSysColor ring27(27, RGB(4, 5, 6));
    EXPECT_EQ(sunColour(80), RGB(1, 2, 3));
    EXPECT_EQ(sunColour(95), RGB(4, 5, 6));
}

TEST(SunPictureTest, PictureIsBlackInsideUntouchedFarOutAndSymmetricAboutTheRealAxis) {
    int batches = 0;
    const auto pixels = wholeSun(&batches);
    EXPECT_EQ(batches, 320);
    auto at = [&pixels](int p, int q) -> std::optional<COLORREF> {
        auto it = pixels.find({p + 160, q + 160});
        if (it == pixels.end())
            return std::nullopt;
        return it->second;
    };
    EXPECT_EQ(at(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(at(0, -160), RGB(0, 0, 0));
    EXPECT_EQ(at(-160, -160), std::nullopt);
    EXPECT_EQ(at(159, 39), std::nullopt);
    for (const auto& [xy, colour] : pixels) {
        ASSERT_GE(xy.first, 0);
        ASSERT_LT(xy.first, 320);
        ASSERT_GE(xy.second, 0);
        ASSERT_LT(xy.second, 200);
    }
    // Conjugate points escape alike: the rounding treats both signs the same.
    for (int p = 1; p <= 159; ++p)
        for (int q = kSunFirstRow; q <= kSunLastRow; ++q)
            ASSERT_EQ(at(p, q), at(-p, q)) << p << "," << q;
    // Every drawn pixel agrees with its own point's count.
    for (int p : {-120, -37, 0, 55, 101})
        for (int q = kSunFirstRow; q <= kSunLastRow; ++q)
            ASSERT_EQ(at(p, q), sunColour(sunEscapeCount(p, q))) << p << "," << q;
}

TEST(SunPictureTest, StopsAfterTheColumnInHand) {
    std::stop_source stop;
    stop.request_stop();
    int batches = 0;
    EXPECT_FALSE(drawSun([&batches](std::vector<Pixel>) { ++batches; }, stop.get_token()));
    EXPECT_EQ(batches, 1);
}

} // namespace
} // namespace velkan::hidden
