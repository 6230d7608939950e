#pragma once

#include <functional>

#include "platform/Controls.h"
#include "platform/Shell.h"
#include "platform/UserQuestions.h"

namespace velkan::app {

// "Restarting...": offers a restart, or only a log-off when nothing but
// registry values changed. Made for one showing and thrown away after.
class TRebootForm : public platform::Form, public platform::ModalWindow {
public:
    // `logoffOnly` tells, each time it is asked, whether the log-off variant
    // applies; it is asked when the prompt is made and again when RebootBn is
    // pressed. `beforeRestart` runs just before a restart is requested: the
    // customiser lets go of the machine there, as the start it asks for runs
    // the autoload, another customiser.
    TRebootForm(const platform::Shell& shell, std::function<bool()> logoffOnly,
                std::function<void()> beforeRestart = {});

    std::string windowName() const override { return "TRebootForm"; }
    std::string caption() const override { return Form::caption(); }

    bool isLogoffVariant() const { return logoff_; }

    platform::Label RebootLabel{"RebootLabel"};
    platform::Button RebootBn{"RebootBn"};
    platform::Button DontrebootBn{"DontrebootBn"};

    void RebootBnClick();
    void DontrebootBnClick();

private:
    void showVariant(bool logoff);

    const platform::Shell& shell_;
    std::function<bool()> logoffOnly_;
    std::function<void()> beforeRestart_;
    bool logoff_ = false;
};

} // namespace velkan::app
