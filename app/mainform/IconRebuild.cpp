// The "Other" page: the icon rebuild, the icon size and the colour depth.
#include <cctype>

#include "app/mainform/MainForm.h"
#include "startmenu/IconMetrics.h"

namespace velkan::app {

namespace {
// 5e-5 of a day: the time the shell needs to pick up the first new size.
constexpr platform::Clock::Duration kRebuildPause = std::chrono::milliseconds(4320);
constexpr char kBackspace = 8;
} // namespace

void TMainForm::startShell() {
    // Whether the shell really started is not looked at: the size is written
    // all the same, and the next start of Windows picks it up.
    (void)env.shell.CreateProcess(paths.explorerExe);
}

void TMainForm::writeShellIconSize(std::string_view text) {
    (void)startmenu::writeWindowMetric(env.registry, startmenu::kShellIconSizeValue, text);
    startShell();
}

void TMainForm::bumpShellIconSize() {
    auto metrics = startmenu::readWindowMetrics(env.registry);
    std::optional<int> size;
    if (metrics && metrics->shellIconSize)
        size = startmenu::parseIconSize(*metrics->shellIconSize);
    if (!size) {
        // No size to move away from and back to: leave the value as it is and
        // only restart the shell, so that it still reloads its icons.
        startShell();
        return;
    }
    const int next = SizeBumpedUp ? *size - 1 : *size + 1;
    SizeBumpedUp = !SizeBumpedUp;
    writeShellIconSize(std::to_string(next));
}

void TMainForm::rebuildIconsBump() {
    std::unique_ptr<TAutoTheme> progress;
    if (!AutoloadMode) {
        progress = std::make_unique<TAutoTheme>();
        progress->L1.setCaption("Please wait while icons are updating");
        progress->showNow();
        if (env.showProgressWindow)
            progress->view = env.showProgressWindow(*progress);
        progress->AutoThemePB.setPosition(50);
    }
    bumpShellIconSize();
    // The pause lets the freshly started shell read the changed size before
    // it is set back; the windows keep painting meanwhile.
    env.clock.wait(kRebuildPause, [this] { env.questions.processPosted(); });
    if (progress)
        progress->AutoThemePB.setPosition(100);
    bumpShellIconSize();
}

void TMainForm::rebuildIconsEntered() {
    writeShellIconSize(other.IconSzEd.text());
}

void TMainForm::RebBnClick() {
    if (WarnForm && WarnForm->DontFutCB.checked()) {
        WarnForm->setModalResult(0);
        // However the dialog is closed, the rebuild follows.
        (void)env.questions.showModal(*WarnForm);
    }
    rebuildIconsEntered();
}

bool TMainForm::IconSzEdKeyPress(char key) {
    return std::isdigit(static_cast<unsigned char>(key)) || key == kBackspace;
}

} // namespace velkan::app
