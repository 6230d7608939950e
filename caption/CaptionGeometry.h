#pragma once

#include "caption/CaptionTypes.h"

#include <vector>

namespace velkan::caption {

// Width of the frame on each side for the border style, from the metrics.
int frameWidth(TFormBorderStyle style);
int frameHeight(TFormBorderStyle style);
// The caption height including the line below the bar.
int captionHeight(TFormBorderStyle style);

// The caption bar of a window `width` by `height`, in coordinates relative to
// the window's top-left corner; empty for bsNone.
Rect captionRect(TFormBorderStyle style, int width, int height);

// The non-client area around the client: frame on all sides, caption on top.
struct Margins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Margins&, const Margins&) = default;
};
Margins nonClientMargins(TFormBorderStyle style);

enum class CaptionGlyph { Close, Help, Maximize, Restore, Minimize };

struct StandardButton {
    CaptionGlyph glyph;
    Rect rect;             // in coordinates of the caption bar
    bool inactive = false; // drawn greyed: the form lacks that border icon
};

// Where the icon and the standard caption buttons go on a bar whose work
// rectangle is `work` (already moved past the left edge), and what is left
// for the extra buttons and the text.
struct CaptionLayout {
    bool hasIcon = false;
    Rect icon;
    std::vector<StandardButton> buttons;
    // The left edge of the leftmost standard button, drawn or not: the extra
    // buttons line up left of it.
    int buttonsLeft = 0;
    Rect work;
};

CaptionLayout layoutCaption(TFormBorderStyle style, TBorderIcons icons, bool maximized, int width,
                            int height);

// Width of one extra or standard caption button, less its 2-pixel spacing.
int captionButtonWidth();

} // namespace velkan::caption
