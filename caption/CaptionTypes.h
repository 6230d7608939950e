#pragma once

#include <stdexcept>
#include <string>

namespace velkan::caption {

enum TCaptionGradient { cgNone, cgActive, cgAlways };
enum TDirection { dirLeft, dirRight };

// The owner form's border style and border icons, as the control reads them.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;

constexpr bool isToolWindow(TFormBorderStyle style) {
    return style == bsToolWindow || style == bsSizeToolWin;
}

// The form's extended window styles the direction properties switch.
inline constexpr unsigned WS_EX_RIGHT = 0x1000;
inline constexpr unsigned WS_EX_RTLREADING = 0x2000;
inline constexpr unsigned WS_EX_LEFTSCROLLBAR = 0x4000;

// A Windows rectangle: right and bottom are just outside it.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect inflated(int d) const { return {left - d, top - d, right + d, bottom + d}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0;
    int y = 0;
};

// The only exception the caption control raises.
class ECaptionError : public std::runtime_error {
public:
    explicit ECaptionError(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr const char* kOwnerMustBeForm = "Owner must be a form.";
inline constexpr const char* kSystemTooOld =
    "Operating system must be Windows 95/NT 4.0 or greater.";

} // namespace velkan::caption
