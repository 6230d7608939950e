#pragma once

#include "platform/Controls.h"

#include <functional>
#include <string>
#include <vector>

namespace velkan::app {

// A pop-up menu: its items are buttons, and it opens at a screen point.
class PopupMenu : public platform::Control {
public:
    using Control::Control;

    // Where it last opened, and how often it did.
    int popupX() const { return x_; }
    int popupY() const { return y_; }
    int openings() const { return openings_; }
    void popup(int x, int y) {
        x_ = x;
        y_ = y;
        ++openings_;
        updated();
        if (onPopup)
            onPopup(x, y);
    }
    // The view shows the menu at the point.
    std::function<void(int, int)> onPopup;

private:
    int x_ = 0, y_ = 0, openings_ = 0;
};

enum class MouseButton { Left, Right, Middle };

} // namespace velkan::app
