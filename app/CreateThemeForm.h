#pragma once

#include "platform/Controls.h"
#include "platform/UserQuestions.h"

namespace velkan::app {

class TMainForm;

// "Theme Pack creation...": asks for the new pack's name, author and
// description and saves what changed since the start as a pack. Made once at
// start and kept, so its edits keep their texts from one use to the next.
class TCreateTh : public platform::Form, public platform::ModalWindow {
public:
    explicit TCreateTh(TMainForm& mainForm);
    TMainForm& mainForm() { return main_; }

    std::string windowName() const override { return "TCreateTh"; }
    std::string caption() const override { return Form::caption(); }

    platform::GroupBox ThemeGB{"ThemeGB"};
    platform::Label NameLb{"NameLb"}, AuthLb{"AuthLb"}, DescrLb{"DescrLb"};
    platform::Edit NameEd{"NameEd"}, AuthEd{"AuthEd"}, DescrEd{"DescrEd"};
    platform::Button OkBn{"OkBn"}, CancBn{"CancBn"};

    void OkBnClick();
    void CancBnClick();
    // Enter saves, Escape closes; every other key goes into the edit.
    bool NameEdKeyPress(char key);

private:
    TMainForm& main_;
};

} // namespace velkan::app
