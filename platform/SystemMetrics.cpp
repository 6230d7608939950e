#include "platform/SystemMetrics.h"
#include "platform/OverrideTable.h"

#include <array>
#include <map>
#include <mutex>
#include <optional>

namespace velkan::platform {
namespace {

struct Metric {
    int index;
    int value;
};

// Windows 95 freshly installed on a VGA display, small fonts (96 dpi), the
// "Windows Standard" appearance: caption and menu bar 18 pixels, scroll bars
// 16, palette (small) caption 15, border width 1, the taskbar 28 pixels high
// along the bottom of the screen. Heights of bars include the one-pixel line
// below them, as a 4.0 program is told.
constexpr int screenWidth = 640;
constexpr int screenHeight = 480;
constexpr int taskbarHeight = 28;
constexpr int captionHeight = 18 + 1;
constexpr int sizingFrame = 4;
constexpr int workAreaHeight = screenHeight - taskbarHeight;

constexpr std::array metrics{
    Metric{SM_CXSCREEN, screenWidth},
    Metric{SM_CYSCREEN, screenHeight},
    Metric{SM_CXVSCROLL, 16},
    Metric{SM_CYHSCROLL, 16},
    Metric{SM_CYCAPTION, captionHeight},
    Metric{SM_CXBORDER, 1},
    Metric{SM_CYBORDER, 1},
    Metric{SM_CXDLGFRAME, 3},
    Metric{SM_CYDLGFRAME, 3},
    Metric{SM_CYVTHUMB, 16},
    Metric{SM_CXHTHUMB, 16},
    Metric{SM_CXICON, 32},
    Metric{SM_CYICON, 32},
    Metric{SM_CXCURSOR, 32},
    Metric{SM_CYCURSOR, 32},
    Metric{SM_CYMENU, 18 + 1},
    // The client area of a maximized window: the work area less its caption.
    Metric{SM_CXFULLSCREEN, screenWidth},
    Metric{SM_CYFULLSCREEN, workAreaHeight - captionHeight},
    Metric{SM_CYKANJIWINDOW, 0},
    Metric{SM_MOUSEPRESENT, 1},
    Metric{SM_CYVSCROLL, 16},
    Metric{SM_CXHSCROLL, 16},
    Metric{SM_DEBUG, 0},
    Metric{SM_SWAPBUTTON, 0},
    Metric{SM_CXMIN, 112},
    Metric{SM_CYMIN, 27},
    Metric{SM_CXSIZE, 18},
    Metric{SM_CYSIZE, 18},
    Metric{SM_CXFRAME, sizingFrame},
    Metric{SM_CYFRAME, sizingFrame},
    Metric{SM_CXMINTRACK, 112},
    Metric{SM_CYMINTRACK, 27},
    Metric{SM_CXDOUBLECLK, 4},
    Metric{SM_CYDOUBLECLK, 4},
    Metric{SM_CXICONSPACING, 75},
    Metric{SM_CYICONSPACING, 75},
    Metric{SM_MENUDROPALIGNMENT, 0},
    Metric{SM_PENWINDOWS, 0},
    Metric{SM_DBCSENABLED, 0},
    Metric{SM_CMOUSEBUTTONS, 2},
    Metric{SM_SECURE, 0},
    Metric{SM_CXEDGE, 2},
    Metric{SM_CYEDGE, 2},
    Metric{SM_CXMINSPACING, 160},
    Metric{SM_CYMINSPACING, 24},
    Metric{SM_CXSMICON, 16},
    Metric{SM_CYSMICON, 16},
    Metric{SM_CYSMCAPTION, 15 + 1},
    Metric{SM_CXSMSIZE, 12},
    Metric{SM_CYSMSIZE, 15},
    Metric{SM_CXMENUSIZE, 18},
    Metric{SM_CYMENUSIZE, 18},
    Metric{SM_ARRANGE, 8}, // ARW_HIDE: minimized windows go out of sight
    Metric{SM_CXMINIMIZED, 160},
    Metric{SM_CYMINIMIZED, 24},
    // A window may be dragged a little larger than the screen, frame and all.
    Metric{SM_CXMAXTRACK, screenWidth + 4 + 2 * sizingFrame},
    Metric{SM_CYMAXTRACK, screenHeight + 4 + 2 * sizingFrame},
    // A maximized window covers the work area with its sizing frame outside it.
    Metric{SM_CXMAXIMIZED, screenWidth + 2 * sizingFrame},
    Metric{SM_CYMAXIMIZED, workAreaHeight + 2 * sizingFrame},
    Metric{SM_NETWORK, 1},
    Metric{SM_CLEANBOOT, 0},
    Metric{SM_CXDRAG, 4},
    Metric{SM_CYDRAG, 4},
    Metric{SM_SHOWSOUNDS, 0},
    Metric{SM_CXMENUCHECK, 13},
    Metric{SM_CYMENUCHECK, 13},
    Metric{SM_SLOWMACHINE, 0},
    Metric{SM_MIDEASTENABLED, 0},
};

OverrideTable<int>& overrides() {
    static OverrideTable<int> table;
    return table;
}

int defaultMetric(int index) {
    for (const Metric& metric : metrics)
        if (metric.index == index)
            return metric.value;
    return 0;
}

} // namespace

int GetSystemMetrics(int index) {
    if (auto overridden = overrides().find(index))
        return *overridden;
    return defaultMetric(index);
}

ScopedSystemMetric::ScopedSystemMetric(int index, int value) : index_(index), hadOverride_(false), previous_(0) {
    if (auto before = overrides().replace(index, value)) {
        hadOverride_ = true;
        previous_ = *before;
    }
}

ScopedSystemMetric::~ScopedSystemMetric() {
    overrides().restore(index_, hadOverride_ ? std::optional<int>(previous_) : std::nullopt);
}

} // namespace velkan::platform
