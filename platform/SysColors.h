#pragma once

#include <cstdint>

namespace velkan::platform {

// A Windows colour value: 0x00BBGGRR, red in the lowest byte.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return COLORREF(red) | (COLORREF(green) << 8) | (COLORREF(blue) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF colour) {
    return std::uint8_t(colour & 0xFF);
}
constexpr std::uint8_t GetGValue(COLORREF colour) {
    return std::uint8_t((colour >> 8) & 0xFF);
}
constexpr std::uint8_t GetBValue(COLORREF colour) {
    return std::uint8_t((colour >> 16) & 0xFF);
}

struct RgbTriple {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const RgbTriple&, const RgbTriple&) = default;
};

constexpr RgbTriple toRgb(COLORREF colour) {
    return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

// GetSysColor indexes, numbered as Windows numbers them.
inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_DESKTOP = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_3DFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_3DSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DHILIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
// 25 has no name: no colour lives there.
inline constexpr int COLOR_HOTLIGHT = 26;
inline constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
inline constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;

// The colour of a display element in the "Windows Standard" scheme, with the
// three later elements (26 to 28) at the values the scheme gives them where
// they exist. Index 25 and any index outside 0..28 answer 0 (black), which is
// what GetSysColor returns for an element it holds no colour for. Safe to call
// from any thread.
COLORREF GetSysColor(int index);

inline RgbTriple sysColorRgb(int index) {
    return toRgb(GetSysColor(index));
}

// Replaces one system colour for as long as the object lives (a test of a
// user's own scheme). Overrides nest; each restores what was in force before.
class ScopedSysColor {
public:
    ScopedSysColor(int index, COLORREF colour);
    ~ScopedSysColor();
    ScopedSysColor(const ScopedSysColor&) = delete;
    ScopedSysColor& operator=(const ScopedSysColor&) = delete;

private:
    int index_;
    bool hadOverride_;
    COLORREF previous_;
};

} // namespace velkan::platform
