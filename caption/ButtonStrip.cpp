#include "caption/ButtonStrip.h"

namespace velkan::caption {

StripLayout layoutStrip(const TCaptionButtonsList& buttons, TDirection direction, Rect work,
                        int standardLeft, int buttonWidth) {
    StripLayout strip;
    strip.buttonWidth = buttonWidth;
    const Rect shrunk = work.inflated(-2);
    Rect b = shrunk;
    if (direction == dirRight) {
        b.left = standardLeft;
        for (int i = 0; i < buttons.count(); ++i)
            b.left -= buttons.item(i)->isSeparator() ? 4 : buttonWidth + 2;
        work.right = b.left - 2;
    }
    strip.firstButtonLeft = b.left;
    b.right = b.left + buttonWidth + 2;

    const int last = buttons.count() - 1;
    for (int i = 0; i <= last; ++i) {
        const TCaptionButton& button = *buttons.item(i);
        if (button.isSeparator()) {
            strip.buttons.push_back(std::nullopt);
            if (i != last)
                b = b.offset(2, 0);
            continue;
        }
        if (button.Visible)
            strip.buttons.push_back(b);
        else
            strip.buttons.push_back(std::nullopt);
        if (i != last)
            b = b.offset(buttonWidth + 2, 0);
    }
    if (direction == dirLeft)
        work.left = b.right + 2;
    strip.work = work;
    return strip;
}

int hitTestStrip(const TCaptionButtonsList& buttons, Rect caption, int firstButtonLeft,
                 int buttonWidth, Point point) {
    if (buttons.empty())
        return -1;
    Rect test{firstButtonLeft + 2, caption.top, firstButtonLeft + buttonWidth + 4, caption.bottom};
    for (int i = 0; i < buttons.count(); ++i) {
        const TCaptionButton& button = *buttons.item(i);
        if (i > 0)
            test = test.offset(button.isSeparator() ? 2 : buttonWidth + 2, 0);
        if (button.isSeparator() || !button.Visible)
            continue;
        if (test.contains(point.x, point.y))
            return i;
    }
    return -1;
}

} // namespace velkan::caption
