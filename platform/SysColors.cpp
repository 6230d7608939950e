#include "platform/SysColors.h"
#include "platform/OverrideTable.h"

#include <array>
#include <map>
#include <mutex>

namespace velkan::platform {
namespace {

struct SysColor {
    int index;
    COLORREF colour;
};

// The "Windows Standard" scheme. Windows 95 itself holds the elements 0 to 24;
// the hot-tracking colour and the two gradient ends came with the later
// versions of the same scheme and are given their values there. Index 25 was
// never given a colour by this family of Windows: GetSysColor answers 0 for
// it, black, as for any element it keeps no colour for.
constexpr std::array sysColors{
    SysColor{COLOR_SCROLLBAR, RGB(192, 192, 192)},
    SysColor{COLOR_BACKGROUND, RGB(0, 128, 128)}, // the teal desktop
    SysColor{COLOR_ACTIVECAPTION, RGB(0, 0, 128)},
    SysColor{COLOR_INACTIVECAPTION, RGB(128, 128, 128)},
    SysColor{COLOR_MENU, RGB(192, 192, 192)},
    SysColor{COLOR_WINDOW, RGB(255, 255, 255)},
    SysColor{COLOR_WINDOWFRAME, RGB(0, 0, 0)},
    SysColor{COLOR_MENUTEXT, RGB(0, 0, 0)},
    SysColor{COLOR_WINDOWTEXT, RGB(0, 0, 0)},
    SysColor{COLOR_CAPTIONTEXT, RGB(255, 255, 255)},
    SysColor{COLOR_ACTIVEBORDER, RGB(192, 192, 192)},
    SysColor{COLOR_INACTIVEBORDER, RGB(192, 192, 192)},
    SysColor{COLOR_APPWORKSPACE, RGB(128, 128, 128)},
    SysColor{COLOR_HIGHLIGHT, RGB(0, 0, 128)},
    SysColor{COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
    SysColor{COLOR_BTNFACE, RGB(192, 192, 192)},
    SysColor{COLOR_BTNSHADOW, RGB(128, 128, 128)},
    SysColor{COLOR_GRAYTEXT, RGB(128, 128, 128)},
    SysColor{COLOR_BTNTEXT, RGB(0, 0, 0)},
    SysColor{COLOR_INACTIVECAPTIONTEXT, RGB(192, 192, 192)},
    SysColor{COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)},
    SysColor{COLOR_3DDKSHADOW, RGB(0, 0, 0)},
    SysColor{COLOR_3DLIGHT, RGB(192, 192, 192)},
    SysColor{COLOR_INFOTEXT, RGB(0, 0, 0)},
    SysColor{COLOR_INFOBK, RGB(255, 255, 225)}, // the pale yellow of tooltips
    SysColor{25, RGB(0, 0, 0)},
    SysColor{COLOR_HOTLIGHT, RGB(0, 0, 128)},
    SysColor{COLOR_GRADIENTACTIVECAPTION, RGB(16, 132, 208)},
    SysColor{COLOR_GRADIENTINACTIVECAPTION, RGB(192, 192, 192)},
};

static_assert(
    [] {
        for (std::size_t i = 0; i < sysColors.size(); ++i)
            if (sysColors[i].index != int(i))
                return false;
        return true;
    }(),
    "the table is indexed by the element number");

OverrideTable<COLORREF>& overrides() {
    static OverrideTable<COLORREF> table;
    return table;
}

} // namespace

COLORREF GetSysColor(int index) {
    if (auto overridden = overrides().find(index))
        return *overridden;
    if (index < 0 || index >= int(sysColors.size()))
        return 0;
    return sysColors[std::size_t(index)].colour;
}

ScopedSysColor::ScopedSysColor(int index, COLORREF colour) : index_(index), hadOverride_(false), previous_(0) {
    if (auto before = overrides().replace(index, colour)) {
        hadOverride_ = true;
        previous_ = *before;
    }
}

ScopedSysColor::~ScopedSysColor() {
    overrides().restore(index_, hadOverride_ ? std::optional<COLORREF>(previous_) : std::nullopt);
}

} // namespace velkan::platform
