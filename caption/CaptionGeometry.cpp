#include "caption/CaptionGeometry.h"

#include "platform/SystemMetrics.h"

namespace velkan::caption {

using namespace platform;

int frameWidth(TFormBorderStyle style) {
    switch (style) {
    case bsNone:
        return 0;
    case bsSizeable:
    case bsSizeToolWin:
        return GetSystemMetrics(SM_CXFRAME);
    default:
        return GetSystemMetrics(SM_CXDLGFRAME);
    }
}

int frameHeight(TFormBorderStyle style) {
    switch (style) {
    case bsNone:
        return 0;
    case bsSizeable:
    case bsSizeToolWin:
        return GetSystemMetrics(SM_CYFRAME);
    default:
        return GetSystemMetrics(SM_CYDLGFRAME);
    }
}

int captionHeight(TFormBorderStyle style) {
    if (style == bsNone)
        return 0;
    return GetSystemMetrics(isToolWindow(style) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

Rect captionRect(TFormBorderStyle style, int width, int height) {
    if (style == bsNone)
        return {};
    const int dx = frameWidth(style);
    const int dy = frameHeight(style);
    Rect r{dx, dy, width - dx, height - dy};
    r.bottom = r.top + captionHeight(style) - 1;
    return r;
}

Margins nonClientMargins(TFormBorderStyle style) {
    const int dx = frameWidth(style);
    const int dy = frameHeight(style);
    return {dx, dy + captionHeight(style), dx, dy};
}

int captionButtonWidth() {
    return GetSystemMetrics(SM_CXSMICON) - 2;
}

CaptionLayout layoutCaption(TFormBorderStyle style, TBorderIcons icons, bool maximized, int width,
                            int height) {
    CaptionLayout layout;
    Rect work{0, 0, width, height};
    work.left += 1;

    const bool systemMenu = icons & biSystemMenu;
    if (systemMenu && (style == bsSingle || style == bsSizeable)) {
        layout.hasIcon = true;
        layout.icon = {work.left, 1, work.left + height - 2, 1 + height - 2};
        work.left += height - 1;
    }

    Rect b = work.inflated(-2);
    if (isToolWindow(style)) {
        b.left = b.right - GetSystemMetrics(SM_CXSMSIZE) + 2;
        layout.buttons.push_back({CaptionGlyph::Close, b});
        work.right = b.left - 2;
        layout.buttonsLeft = b.left;
        layout.work = work;
        return layout;
    }

    const int bw = captionButtonWidth();
    b.left = b.right - bw - 2;
    if (systemMenu)
        layout.buttons.push_back({CaptionGlyph::Close, b});
    if (style == bsDialog) {
        if (icons & biHelp) {
            if (systemMenu)
                b = b.offset(-(bw + 4), 0);
            layout.buttons.push_back({CaptionGlyph::Help, b});
        }
    } else if (systemMenu && (icons & (biMaximize | biMinimize))) {
        b = b.offset(-(bw + 4), 0);
        layout.buttons.push_back(
            {maximized ? CaptionGlyph::Restore : CaptionGlyph::Maximize, b, !(icons & biMaximize)});
        b = b.offset(-(bw + 2), 0);
        layout.buttons.push_back({CaptionGlyph::Minimize, b, !(icons & biMinimize)});
    }
    if (systemMenu)
        work.right = b.left - 2;
    layout.buttonsLeft = b.left;
    layout.work = work;
    return layout;
}

} // namespace velkan::caption
