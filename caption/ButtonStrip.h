#pragma once

#include "caption/CaptionButton.h"
#include "caption/CaptionTypes.h"

#include <optional>
#include <vector>

namespace velkan::caption {

// Where the extra buttons sit on the caption bar (bar coordinates).
struct StripLayout {
    int firstButtonLeft = 0;
    int buttonWidth = 0;
    // One entry per item: the button's rectangle, or nothing for a separator
    // and an invisible button (which are not drawn).
    std::vector<std::optional<Rect>> buttons;
    // The caption work rectangle, narrowed on the strip's side.
    Rect work;
};

// `work` is the work rectangle after the icon and the standard buttons;
// `standardLeft` the left edge of the leftmost standard button.
StripLayout layoutStrip(const TCaptionButtonsList& buttons, TDirection direction, Rect work,
                        int standardLeft, int buttonWidth);

// The index of the button under `point` (window coordinates), or -1. The
// strip's position is the one recorded at the last paint; `caption` is the
// caption rectangle in window coordinates.
int hitTestStrip(const TCaptionButtonsList& buttons, Rect caption, int firstButtonLeft,
                 int buttonWidth, Point point);

} // namespace velkan::caption
