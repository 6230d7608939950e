#pragma once

#include <memory>

#include "app/CreateThemeForm.h"
#include "app/BrwsIcnForm.h"
#include "app/Environment.h"
#include "app/IconFm.h"
#include "app/mainform/MainForm.h"
#include "app/RestoreForm.h"
#include "app/WarnForm.h"
#include "platform/InstanceLock.h"

namespace velkan::app {

// The customiser's application object: it makes the windows in their order
// at start, owns them until exit, and knows when the program is to end.
class Application {
public:
    explicit Application(Environment& env);
    ~Application();

    // Makes the windows: the main window first (its creation runs the whole
    // start-up, or the whole autoload), then the others. The title is "Velkan'97".
    void createForms();
    // The message loop ends once the main window has closed, or at once when
    // another customiser already works on this machine.
    bool terminated() const { return refused_ || (MainForm && MainForm->closed()); }
    // Whether the start was refused because another customiser is running.
    bool refused() const { return refused_; }

    static constexpr const char* kTitle = "Velkan'97";
    static constexpr const char* kAlreadyRunning =
        "Velkan'97 is already running on this computer.\r"
        "Close it before you start it again.";
    // The name of the machine-wide lock the customiser holds while it runs.
    static constexpr const char* kInstanceLockName = platform::kCustomiserLockName;

    Environment& env;
    // Declared before the windows so that it is released after them: the
    // working copies are deleted while the lock is still held.
    platform::InstanceLock instanceLock;
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<TWarnForm> WarnForm;
    std::unique_ptr<TRestoreFm> RestoreFm;
    std::unique_ptr<TCreateTh> CreateTh;
    // Last, so that they go first: the browser's load stops before the
    // windows it reports to.
    std::unique_ptr<TIconFm> IconFm;
    std::unique_ptr<TBrwsIcnForm> BrwsIcnForm;

private:
    bool refused_ = false;
};

} // namespace velkan::app
