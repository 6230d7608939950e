#pragma once

#include "platform/Controls.h"
#include "platform/UserQuestions.h"

namespace velkan::app {

// "Restoring original settings...": which of the four kinds of change Restore
// undoes. Made once at start; its boxes keep their state for the whole run
// and are read by the close and the restart prompt as well.
class TRestoreFm : public platform::Form, public platform::ModalWindow {
public:
    // Whether the two backups exist decides whether their boxes can be ticked.
    TRestoreFm(bool userBackupExists, bool shellBackupExists);

    std::string windowName() const override { return "TRestoreFm"; }
    std::string caption() const override { return Form::caption(); }

    platform::Label RestoreLb{"RestoreLb"};
    platform::CheckBox CB1{"CB1"}; // icons on start button (User.exe)
    platform::CheckBox CB2{"CB2"}; // text and logo on start menu (Explorer.exe)
    platform::CheckBox CB3{"CB3"}; // icons on start menu (Registry)
    platform::CheckBox CB4{"CB4"}; // show/hide items (Registry)
    platform::Button OKBn{"OKBn"};
    platform::Button CancelBn{"CancelBn"};

    void OKBnClick();
    void CancelBnClick();
};

} // namespace velkan::app
