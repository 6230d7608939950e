#include "hidden/SecretPanel.h"

#include "hidden/Fern.h"
#include "hidden/SunPicture.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <thread>

namespace velkan::hidden {
namespace {

using platform::COLORREF;

class SecretPanelTest : public ::testing::Test {
protected:
    // Runs what the drawings posted until `done` holds; the window thread's
    // part of the work.
    template <class Done> bool pumpUntil(Done done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            questions.processPosted();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    void open(SecretPanel& panel) { panel.AboutGBMouseDown(ssShift | ssCtrl | ssLeft); }

    platform::ScriptedQuestions questions;
    RandomGenerator random;
};

TEST_F(SecretPanelTest, OpensOnlyWithShiftAndCtrlHeldAndAnyClickOnItClosesIt) {
    SecretPanel panel(questions, random);
    EXPECT_FALSE(panel.visible());
    EXPECT_FALSE(panel.PB1.visible());
    EXPECT_FALSE(panel.PB2.visible());
    EXPECT_EQ(panel.FernBn.caption(), "&Fern");
    EXPECT_EQ(panel.SunBn.caption(), "&Sun");

    for (ShiftState alone : {ShiftState(ssShift | ssLeft), ShiftState(ssCtrl | ssLeft),
                             ShiftState(ssAlt | ssCtrl), ShiftState(ssLeft)}) {
        panel.AboutGBMouseDown(alone);
        EXPECT_FALSE(panel.visible()) << alone;
    }
    // Other keys and any button may be held as well.
    panel.AboutGBMouseDown(ssShift | ssCtrl | ssAlt | ssRight);
    EXPECT_TRUE(panel.visible());
    EXPECT_TRUE(panel.PB1.visible());
    EXPECT_TRUE(panel.PB2.visible());

    panel.SecrPnClick();
    EXPECT_FALSE(panel.visible());
    EXPECT_FALSE(panel.PB1.visible());
    EXPECT_FALSE(panel.PB2.visible());
}

TEST_F(SecretPanelTest, FernButtonStaysDisabledWhileItsThreadDrawsAndTheFernReachesPB1) {
    SecretPanel panel(questions, random);
    open(panel);
    panel.FernBn.click();
    EXPECT_FALSE(panel.FernBn.enabled());
    EXPECT_TRUE(panel.fernRunning());
    // A second press while it draws does nothing.
    panel.FernBn.click();
    panel.FernBnClick();
    ASSERT_TRUE(pumpUntil([&] { return panel.FernBn.enabled(); }));
    EXPECT_FALSE(panel.fernRunning());

    // The box shows the first fern of a run, the later points over the earlier.
    RandomGenerator fresh;
    std::map<std::pair<int, int>, COLORREF> expected;
    drawFern(fresh, [&expected](std::vector<Pixel> batch) {
        for (const Pixel& p : batch)
            expected[{p.x, p.y}] = p.colour;
    });
    EXPECT_EQ(panel.PB1.paintedCount(), int(expected.size()));
    for (const auto& [xy, colour] : expected)
        ASSERT_EQ(panel.PB1.pixel(xy.first, xy.second), colour);
    EXPECT_EQ(random.seed(), fresh.seed());
}

TEST_F(SecretPanelTest, BothDrawingsRunAtOnceOnTheSharedSurfaceAndTheLaterPixelWins) {
    SecretPanel panel(questions, random);
    open(panel);
    panel.SunBnClick();
    panel.FernBnClick();
    EXPECT_FALSE(panel.SunBn.enabled());
    EXPECT_FALSE(panel.FernBn.enabled());
    ASSERT_TRUE(pumpUntil([&] { return panel.SunBn.enabled() && panel.FernBn.enabled(); }));

    // The set's centre, c = 0, is black; a far corner is untouched by the set
    // (and lies outside the fern).
    EXPECT_EQ(panel.PB2.pixel(160, 160), platform::RGB(0, 0, 0));
    EXPECT_EQ(panel.PB2.pixel(0, 0), Surface::kUnpainted);
    // The two boxes lie on one place of the panel and show the same pixels.
    for (int y = 0; y < 257; y += 3)
        for (int x = 0; x < 321; x += 3)
            ASSERT_EQ(panel.PB1.pixel(x, y), panel.PB2.pixel(x, y));

    // Drawn again over both, the fern's pixels are on top.
    panel.FernBnClick();
    ASSERT_TRUE(pumpUntil([&] { return panel.FernBn.enabled(); }));
    int fernOnTop = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x) {
            const COLORREF c = panel.PB2.pixel(x, y);
            fernOnTop += c != Surface::kUnpainted && platform::GetGValue(c) == 0 &&
                         platform::GetBValue(c) == 0 && platform::GetRValue(c) != 0;
        }
    EXPECT_GT(fernOnTop, 1000);
}

TEST_F(SecretPanelTest, HiddenPanelShowsNothingOfADrawingAndHidingForgetsWhatWasDrawn) {
    SecretPanel panel(questions, random);
    open(panel);
    panel.SunBnClick();
    ASSERT_TRUE(pumpUntil([&] { return panel.SunBn.enabled(); }));
    EXPECT_GT(panel.PB2.paintedCount(), 10000);

    panel.SecrPnClick();
    open(panel);
    EXPECT_EQ(panel.PB2.paintedCount(), 0);

    // A drawing goes on while the panel is hidden, into nothing.
    panel.SecrPnClick();
    panel.FernBnClick();
    ASSERT_TRUE(pumpUntil([&] { return panel.FernBn.enabled(); }));
    open(panel);
    EXPECT_EQ(panel.PB1.paintedCount(), 0);
}

TEST_F(SecretPanelTest, StoppingEndsBothThreadsAndDropsWhatTheyHadPosted) {
    SecretPanel panel(questions, random);
    open(panel);
    panel.SunBnClick();
    panel.FernBnClick();
    panel.stopDrawings();
    EXPECT_FALSE(panel.sunRunning());
    EXPECT_FALSE(panel.fernRunning());
    EXPECT_TRUE(panel.SunBn.enabled());
    EXPECT_TRUE(panel.FernBn.enabled());
    questions.processPosted();
    EXPECT_EQ(panel.PB1.paintedCount(), 0);

    // The buttons work again after a stop.
    panel.SunBnClick();
    ASSERT_TRUE(pumpUntil([&] { return panel.SunBn.enabled(); }));
    EXPECT_GT(panel.PB2.paintedCount(), 10000);
}

TEST_F(SecretPanelTest, APanelDestroyedWhileDrawingLeavesNoThreadAndNoWorkThatReachesIt) {
    {
        SecretPanel panel(questions, random);
        open(panel);
        panel.SunBnClick();
        panel.FernBnClick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // What the threads posted before they were stopped runs after the panel
    // is gone and must not touch it (the sanitizer build watches this).
    questions.processPosted();
    EXPECT_TRUE(questions.asked().empty());
}

TEST_F(SecretPanelTest, SecondFernOfARunContinuesTheRandomSequence) {
    SecretPanel panel(questions, random);
    open(panel);
    panel.FernBnClick();
    ASSERT_TRUE(pumpUntil([&] { return panel.FernBn.enabled(); }));
    const std::uint32_t afterFirst = random.seed();
    panel.FernBnClick();
    ASSERT_TRUE(pumpUntil([&] { return panel.FernBn.enabled(); }));
    EXPECT_NE(random.seed(), afterFirst);

    RandomGenerator twice;
    drawFern(twice, [](std::vector<Pixel>) {});
    drawFern(twice, [](std::vector<Pixel>) {});
    EXPECT_EQ(random.seed(), twice.seed());
}

} // namespace
} // namespace velkan::hidden
