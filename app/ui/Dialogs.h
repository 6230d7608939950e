#pragma once

#include <memory>

#include "app/AutoThemeForm.h"
#include "app/Environment.h"
#include "platform/ui/QtQuestions.h"

namespace velkan::app::ui {

// Registers the views of the customiser's modal windows (TRestoreFm,
// TRebootForm, TWarnForm) with the questions, and lets the progress window
// of the autoload and the icon rebuild appear when its model is shown.
void registerWindowViews(platform::ui::QtQuestions& questions, Environment& env);

} // namespace velkan::app::ui
