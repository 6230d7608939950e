#pragma once

#include "platform/Controls.h"
#include "platform/Registry.h"
#include "platform/UserQuestions.h"

namespace velkan::app {

// "Future problems": the warning shown before a rebuild of the icons that the
// user asked for, with the choice of not seeing it again (kept in Options).
class TWarnForm : public platform::Form, public platform::ModalWindow {
public:
    explicit TWarnForm(platform::Registry& registry);

    std::string windowName() const override { return "TWarnForm"; }
    std::string caption() const override { return Form::caption(); }

    platform::Label L1{"L1"};
    platform::Button CloseBn{"CloseBn"};
    platform::CheckBox DontFutCB{"DontFutCB"};

    // Reads Options: bit 0 clear hides the dialog in future.
    void FormCreate();
    void CloseBnClick();

private:
    platform::Registry& registry_;
};

} // namespace velkan::app
