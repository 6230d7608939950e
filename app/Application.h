#pragma once

#include <memory>

#include "app/CreateThemeForm.h"
#include "app/BrwsIcnForm.h"
#include "app/Environment.h"
#include "app/IconFm.h"
#include "app/MainForm.h"
#include "app/RestoreForm.h"
#include "app/WarnForm.h"

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
    // The message loop ends once the main window has closed.
    bool terminated() const { return MainForm && MainForm->closed(); }

    static constexpr const char* kTitle = "Velkan'97";

    Environment& env;
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<TWarnForm> WarnForm;
    std::unique_ptr<TRestoreFm> RestoreFm;
    std::unique_ptr<TCreateTh> CreateTh;
    // Last, so that they go first: the browser's load stops before the
    // windows it reports to.
    std::unique_ptr<TIconFm> IconFm;
    std::unique_ptr<TBrwsIcnForm> BrwsIcnForm;
};

} // namespace velkan::app
