#include "platform/SysColors.h"
#include "platform/SystemMetrics.h"

#include <gtest/gtest.h>
#include <thread>

using namespace velkan::platform;

TEST(SystemMetrics, WindowsStandardLookAtSmallFonts) {
    // The values the product's layouts and the Start-button icon mark rely on.
    EXPECT_EQ(GetSystemMetrics(SM_CXSIZE), 18);
    EXPECT_EQ(GetSystemMetrics(SM_CYSIZE), 18);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMCAPTION), 16);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CYICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), 16);
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(SM_CXDLGFRAME), 3);
    EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
    EXPECT_EQ(GetSystemMetrics(SM_CYMENU), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    EXPECT_EQ(GetSystemMetrics(SM_MIDEASTENABLED), 0);
}

TEST(SystemMetrics, MaximizedWindowFillsWorkAreaBelowItsCaption) {
    // A maximized window's frame hangs outside the work area, and its client
    // area plus its caption is exactly the work area's height.
    int workArea = GetSystemMetrics(SM_CYMAXIMIZED) - 2 * GetSystemMetrics(SM_CYFRAME);
    EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYCAPTION), workArea);
    EXPECT_LT(workArea, GetSystemMetrics(SM_CYSCREEN)); // the taskbar takes the rest
}

TEST(SystemMetrics, UnknownIndexesAnswerZero) {
    EXPECT_EQ(GetSystemMetrics(-1), 0);
    EXPECT_EQ(GetSystemMetrics(24), 0); // reserved
    EXPECT_EQ(GetSystemMetrics(1000), 0);
}

TEST(SystemMetrics, OverridesNestAndRestore) {
    {
        ScopedSystemMetric large(SM_CXSIZE, 28);
        EXPECT_EQ(GetSystemMetrics(SM_CXSIZE), 28);
        {
            ScopedSystemMetric larger(SM_CXSIZE, 40);
            EXPECT_EQ(GetSystemMetrics(SM_CXSIZE), 40);
            int seenByWorker = 0;
            std::thread([&] { seenByWorker = GetSystemMetrics(SM_CXSIZE); }).join();
            EXPECT_EQ(seenByWorker, 40);
        }
        EXPECT_EQ(GetSystemMetrics(SM_CXSIZE), 28);
        EXPECT_EQ(GetSystemMetrics(SM_CYSIZE), 18); // only the one metric changed
    }
    EXPECT_EQ(GetSystemMetrics(SM_CXSIZE), 18);
}

TEST(SysColors, ColorrefKeepsRedInTheLowByte) {
    EXPECT_EQ(RGB(0, 0, 128), 0x00800000u);
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x00563412u);
    EXPECT_EQ(toRgb(0x00563412u), (RgbTriple{0x12, 0x34, 0x56}));
}

TEST(SysColors, WindowsStandardScheme) {
    EXPECT_EQ(GetSysColor(COLOR_ACTIVECAPTION), 0x00800000u); // navy
    EXPECT_EQ(sysColorRgb(COLOR_ACTIVECAPTION), (RgbTriple{0, 0, 128}));
    EXPECT_EQ(sysColorRgb(COLOR_INACTIVECAPTION), (RgbTriple{128, 128, 128}));
    EXPECT_EQ(sysColorRgb(COLOR_CAPTIONTEXT), (RgbTriple{255, 255, 255}));
    EXPECT_EQ(sysColorRgb(COLOR_INACTIVECAPTIONTEXT), (RgbTriple{192, 192, 192}));
    EXPECT_EQ(sysColorRgb(COLOR_BACKGROUND), (RgbTriple{0, 128, 128}));
    EXPECT_EQ(sysColorRgb(COLOR_BTNFACE), (RgbTriple{192, 192, 192}));
    EXPECT_EQ(sysColorRgb(COLOR_BTNSHADOW), (RgbTriple{128, 128, 128}));
    EXPECT_EQ(sysColorRgb(COLOR_BTNHIGHLIGHT), (RgbTriple{255, 255, 255}));
    EXPECT_EQ(sysColorRgb(COLOR_BTNTEXT), (RgbTriple{0, 0, 0}));
    EXPECT_EQ(sysColorRgb(COLOR_INFOBK), (RgbTriple{255, 255, 225}));
    EXPECT_EQ(sysColorRgb(COLOR_HOTLIGHT), (RgbTriple{0, 0, 128}));
    EXPECT_EQ(sysColorRgb(COLOR_GRADIENTACTIVECAPTION), (RgbTriple{16, 132, 208}));
    EXPECT_EQ(sysColorRgb(COLOR_GRADIENTINACTIVECAPTION), (RgbTriple{192, 192, 192}));
}

TEST(SysColors, OddIndexesOfTheFractalPalette) {
    // 17, 19, 21, 23, 25 and 27: gray text, inactive caption text, dark
    // shadow, tooltip text, the empty slot 25 (black) and the gradient end.
    EXPECT_EQ(GetSysColor(17), RGB(128, 128, 128));
    EXPECT_EQ(GetSysColor(19), RGB(192, 192, 192));
    EXPECT_EQ(GetSysColor(21), RGB(0, 0, 0));
    EXPECT_EQ(GetSysColor(23), RGB(0, 0, 0));
    EXPECT_EQ(GetSysColor(25), 0u);
    EXPECT_EQ(GetSysColor(27), RGB(16, 132, 208));
    EXPECT_EQ(GetSysColor(29), 0u);
    EXPECT_EQ(GetSysColor(-1), 0u);
}

TEST(SysColors, OverrideAndRestore) {
    {
        ScopedSysColor teal(COLOR_ACTIVECAPTION, RGB(0, 128, 128));
        EXPECT_EQ(sysColorRgb(COLOR_ACTIVECAPTION), (RgbTriple{0, 128, 128}));
        ScopedSysColor inner(COLOR_ACTIVECAPTION, RGB(1, 2, 3));
        EXPECT_EQ(GetSysColor(COLOR_ACTIVECAPTION), RGB(1, 2, 3));
    }
    EXPECT_EQ(GetSysColor(COLOR_ACTIVECAPTION), RGB(0, 0, 128));
}
