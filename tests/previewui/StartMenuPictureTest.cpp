// The picture of the taskbar and the open Start menu, checked pixel by pixel
// where the logo, the icons, the captions and their underlines must be, and
// as velkan-machine writes it.
#include "preview/ui/StartMenuPicture.h"

#include "platform/Registry.h"
#include "platform/SysColors.h"
#include "preview/Accelerator.h"
#include "preview/StartMenuLook.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"
#include "tools/MachineBuilder.h"
#include "tools/MachineLook.h"

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace velkan::test {
namespace {

using shellpatch::Entry;

QRgb sys(int index) {
    const auto c = platform::GetSysColor(index);
    return qRgb(platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c));
}

bool isDark(QRgb c) {
    return qRed(c) + qGreen(c) + qBlue(c) < 3 * 64;
}

class StartMenuPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        preview::ui::ensureGuiApplication();
        options.clock = "12:00 PM";
    }
    // The demo machine's look; with `fullColour` its icons in all their colours.
    preview::StartMenuLook lookOf(int build, bool fullColour = true) {
        machine::MachineSpec spec;
        spec.build = build;
        EXPECT_TRUE(machine::createMachine(dir.path(), spec).ok());
        auto made = machine::machineLookSources(m, machine::ShellMoment::AfterNextStart);
        EXPECT_TRUE(made.ok());
        sources = *made;
        if (fullColour)
            sources.shellIconBpp = "16";
        return relook();
    }
    preview::StartMenuLook relook() {
        auto look = preview::buildLook(m, sources);
        EXPECT_TRUE(look.ok());
        return *look;
    }
    static const preview::ui::MenuRowPlace* row(const preview::ui::PicturePlaces& places,
                                                Entry entry) {
        for (const auto& r : places.rows)
            if (r.entry == entry)
                return &r;
        return nullptr;
    }

    TempDir dir;
    platform::Machine m{dir.path()};
    preview::LookSources sources;
    preview::ui::PictureOptions options;
};

TEST_F(StartMenuPictureTest, LogoBandHoldsTheLogoAtItsFootAndItsTopColourAbove) {
    auto look = lookOf(0);
    look.logo.height = 57; // the top rows of the 130 are cut away, as a lower logo height does
    look.logo.pixels.erase(look.logo.pixels.begin(),
                           look.logo.pixels.begin() + std::ptrdiff_t((130 - 57) * 21));
    const QImage image = preview::ui::drawStartMenu(look, options);
    const auto places = preview::ui::placesOf(look, options);
    ASSERT_EQ(places.logo.height(), 57);
    EXPECT_EQ(places.logo.bottom(), places.band.bottom());
    for (int y = 0; y < 57; ++y)
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(image.pixel(places.logo.left() + x, places.logo.top() + y) & 0xFFFFFF,
                      look.logo.at(x, y))
                << x << "," << y;
    const QRgb above = image.pixel(places.band.left() + 10, places.band.top() + 2);
    EXPECT_EQ(above & 0xFFFFFF, look.logo.at(0, 0));
}

TEST_F(StartMenuPictureTest, EntryIconsAndTheStartImageSitAtTheirPlaces) {
    const auto look = lookOf(0);
    const QImage image = preview::ui::drawStartMenu(look, options);
    const auto places = preview::ui::placesOf(look, options);
    ASSERT_EQ(places.rows.size(), look.entries.size());
    auto same = [&](const platform::Icon& icon, const QRect& at) {
        int opaque = 0;
        for (int y = 0; y < icon.height; ++y)
            for (int x = 0; x < icon.width; ++x) {
                const auto px = icon.rgba(x, y);
                if ((px >> 24) != 0xFF)
                    continue;
                ++opaque;
                if ((image.pixel(at.left() + x, at.top() + y) & 0xFFFFFF) != (px & 0xFFFFFF))
                    return false;
            }
        return opaque > 0;
    };
    for (std::size_t i = 0; i < look.entries.size(); ++i)
        EXPECT_TRUE(same(look.entries[i].icon, places.rows[i].icon)) << "entry " << i;
    EXPECT_TRUE(same(look.startIcon, places.startIcon));
    // Transparent parts of an icon show the menu behind.
    const auto& programs = look.entries[0].icon;
    for (int y = 0; y < programs.height; ++y)
        for (int x = 0; x < programs.width; ++x)
            if ((programs.rgba(x, y) >> 24) == 0) {
                ASSERT_EQ(
                    image.pixel(places.rows[0].icon.left() + x, places.rows[0].icon.top() + y),
                    sys(platform::COLOR_MENU));
            }
}

TEST_F(StartMenuPictureTest, CaptionsAreDrawnWithTheAccessKeyUnderlinedAndNothingElse) {
    const auto look = lookOf(0);
    const QImage image = preview::ui::drawStartMenu(look, options);
    const auto places = preview::ui::placesOf(look, options);
    const QRgb text = sys(platform::COLOR_MENUTEXT);
    for (const auto& r : places.rows) {
        int dark = 0;
        for (int y = r.text.top(); y <= r.text.bottom(); ++y)
            for (int x = r.text.left(); x <= r.text.right(); ++x)
                dark += isDark(image.pixel(x, y));
        EXPECT_GT(dark, 20) << "caption of entry " << int(r.entry);
        // Nothing is written outside the row's text and arrow.
        for (int x = r.text.right() + 3; x < r.arrow.left() - 1 && !r.arrow.isEmpty(); ++x)
            ASSERT_EQ(image.pixel(x, r.text.center().y()), sys(platform::COLOR_MENU));
    }
    // "Sh&ut Down...": the line runs under the "u" only.
    const auto* shut = row(places, Entry::ShutDown);
    ASSERT_NE(shut, nullptr);
    ASSERT_FALSE(shut->underline.isEmpty());
    const int y = shut->underline.top();
    for (int x = shut->underline.left(); x <= shut->underline.right(); ++x)
        EXPECT_EQ(image.pixel(x, y), text);
    EXPECT_GT(shut->underline.left(), shut->text.left() + 8); // past "Sh"
    int lineElsewhere = 0;
    for (int x = shut->text.left(); x <= shut->text.right(); ++x)
        if (x < shut->underline.left() - 1 || x > shut->underline.right() + 1)
            lineElsewhere += image.pixel(x, y) == text && image.pixel(x, y - 1) != text;
    EXPECT_LT(lineElsewhere, 2);
}

TEST_F(StartMenuPictureTest, AHiddenEntryLeavesNoRowAndTheMenuShrinksByOneRow) {
    const auto full = preview::ui::placesOf(lookOf(0), options);
    sources.hidden[static_cast<int>(Entry::Run)] = true;
    const auto fewer = preview::ui::placesOf(relook(), options);
    EXPECT_EQ(row(fewer, Entry::Run), nullptr);
    const int rowHeight = full.rows[0].row.height();
    EXPECT_EQ(full.menu.height() - fewer.menu.height(), rowHeight);
    // The rows close up: Help's row is followed by the separator.
    EXPECT_EQ(row(fewer, Entry::Help)->row.bottom() + 1, fewer.separators.at(0).top());
}

TEST_F(StartMenuPictureTest, StartButtonIsPressedWithBoldTextAndTheTaskbarAtTheFoot) {
    const auto look = lookOf(0);
    const QImage image = preview::ui::drawStartMenu(look, options);
    const auto places = preview::ui::placesOf(look, options);
    EXPECT_EQ(places.taskbar.bottom(), image.height() - 1);
    EXPECT_EQ(places.menu.bottom() + 1, places.taskbar.top());
    const QRect b = places.startButton;
    EXPECT_EQ(image.pixel(b.left() + 5, b.top()), sys(platform::COLOR_3DDKSHADOW));
    EXPECT_EQ(image.pixel(b.left() + 5, b.bottom()), sys(platform::COLOR_3DHILIGHT));
    // Bold: the strokes are two pixels wide, so some dark pixel has a dark
    // right neighbour in every column run of the text.
    int doubled = 0;
    for (int y = places.startText.top(); y <= places.startText.bottom(); ++y)
        for (int x = places.startText.left(); x < places.startText.right(); ++x)
            doubled += isDark(image.pixel(x, y)) && isDark(image.pixel(x + 1, y));
    EXPECT_GT(doubled, 15);
    EXPECT_EQ(image.pixel(2, 2), sys(platform::COLOR_DESKTOP));
}

TEST_F(StartMenuPictureTest, VelkanMachineWritesThePictureOfTheMachine) {
    const auto look = lookOf(0, false);
    const std::string png = (dir / "menu.png").string();
    auto r = runProcess(tool("velkan-machine"),
                        {"show", dir.path().string(), "--png", png, "--clock", "12:00 PM"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    QImage written(QString::fromStdString(png));
    ASSERT_FALSE(written.isNull());
    EXPECT_TRUE(written.convertToFormat(QImage::Format_RGB32) ==
                preview::ui::drawStartMenu(look, options));

    auto noPack = runProcess(tool("velkan-machine"),
                             {"show", dir.path().string(), "--png", png, "--pack", "C:\\WINDOWS"});
    EXPECT_EQ(noPack.exitCode, 1);
    EXPECT_NE(noPack.err.find("holds no theme pack"), std::string::npos);
    EXPECT_EQ(runProcess(tool("velkan-machine"), {"show", dir.path().string(), "--pack", "C:\\"})
                  .exitCode,
              2);
}

} // namespace
} // namespace velkan::test
