#include "app/RebootForm.h"

namespace velkan::app {

namespace {
// ExitWindowsEx's reserved argument as the log-off passes it.
constexpr std::uint32_t kLogoffReserved = 0xFFFFFFFF;
} // namespace

TRebootForm::TRebootForm(const platform::Shell& shell, std::function<bool()> logoffOnly,
                         std::function<void()> beforeRestart)
    : Form("RebootForm"), shell_(shell), logoffOnly_(std::move(logoffOnly)),
      beforeRestart_(std::move(beforeRestart)) {
    setCaption("Restarting...");
    RebootBn.onClick = [this] { RebootBnClick(); };
    DontrebootBn.onClick = [this] { DontrebootBnClick(); };
    showVariant(logoffOnly_());
}

void TRebootForm::showVariant(bool logoff) {
    logoff_ = logoff;
    if (logoff) {
        RebootLabel.setCaption("You will see your changes only after logoff.");
        RebootBn.setCaption("&Logoff");
        DontrebootBn.setCaption("&Don`t logoff");
    } else {
        RebootLabel.setCaption("You will see your changes only after restarting Windows.");
        RebootBn.setCaption("&Reboot");
        DontrebootBn.setCaption("&Don`t reboot");
    }
}

void TRebootForm::RebootBnClick() {
    showVariant(logoffOnly_());
    // A refused restart or log-off is not reported; the prompt closes all the same.
    if (logoff_)
        (void)shell_.ExitWindowsEx(platform::EWX_LOGOFF, kLogoffReserved);
    else {
        if (beforeRestart_)
            beforeRestart_();
        (void)shell_.ExitWindowsEx(platform::EWX_REBOOT, 0);
    }
    setModalResult(platform::IDOK);
}

void TRebootForm::DontrebootBnClick() { setModalResult(platform::IDCANCEL); }

} // namespace velkan::app
