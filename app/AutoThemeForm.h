#pragma once

#include <memory>

#include "platform/Controls.h"

namespace velkan::app {

// "Processing...": the small progress window of the autoload and of the
// icon rebuild. It is shown without being modal and destroyed after use.
class TAutoTheme : public platform::Form {
public:
    TAutoTheme();

    platform::Control Bevel1{"Bevel1"};
    platform::Label L1{"L1"};
    platform::ProgressBar AutoThemePB{"AutoThemePB"};

    // Show and paint at once: the window must be seen before the work starts.
    void showNow();
    bool shownNow() const { return shown_; }

    // The window on the screen, when there is one.
    std::shared_ptr<void> view;

private:
    bool shown_ = false;
};

} // namespace velkan::app
