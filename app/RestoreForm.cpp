#include "app/RestoreForm.h"

namespace velkan::app {

TRestoreFm::TRestoreFm(bool userBackupExists, bool shellBackupExists) : Form("RestoreFm") {
    setCaption("Restoring original settings...");
    RestoreLb.setCaption("Restore original:");
    CB1.setCaption("icons on start button (User.exe)");
    CB2.setCaption("text and logo on start menu (Explorer.exe)");
    CB3.setCaption("icons on start menu (Registry)");
    CB4.setCaption("show/hide items (Registry)");
    for (auto* box : {&CB1, &CB2, &CB3, &CB4})
        box->setChecked(true);
    if (!userBackupExists) {
        CB1.setChecked(false);
        CB1.setEnabled(false);
    }
    if (!shellBackupExists) {
        CB2.setChecked(false);
        CB2.setEnabled(false);
    }
    OKBn.setCaption("&OK");
    CancelBn.setCaption("&Cancel");
    OKBn.onClick = [this] { OKBnClick(); };
    CancelBn.onClick = [this] { CancelBnClick(); };
}

void TRestoreFm::OKBnClick() { setModalResult(platform::IDOK); }

void TRestoreFm::CancelBnClick() {
    for (auto* box : {&CB1, &CB2, &CB3, &CB4})
        box->setChecked(false);
    setModalResult(platform::IDCANCEL);
}

} // namespace velkan::app
