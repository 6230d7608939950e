#include "app/WarnForm.h"

#include "app/ProgramKeys.h"

namespace velkan::app {

TWarnForm::TWarnForm(platform::Registry& registry) : Form("WarnForm"), registry_(registry) {
    setCaption("Future problems");
    setWidth(271);
    setHeight(104);
    L1.setCaption("Some icons on desktop (on taskbar in IE4) may become incorrect. To fix this "
                  "problem you need to relogoff or restart your Windows.");
    CloseBn.setCaption("&OK");
    CloseBn.onClick = [this] { CloseBnClick(); };
    DontFutCB.setCaption("Show this dialog in future");
    DontFutCB.setChecked(true);
    FormCreate();
}

void TWarnForm::FormCreate() {
    auto key = registry_.createKey(platform::RootKey::CurrentUser, kProgramKey);
    if (!key)
        return;
    // Only a stored integer can say "don't show"; anything else keeps the default.
    auto options = key->queryDword(kOptionsValue);
    if (options && (*options & 1) == 0)
        DontFutCB.setChecked(false);
    key->close();
}

void TWarnForm::CloseBnClick() { setModalResult(platform::IDOK); }

} // namespace velkan::app
