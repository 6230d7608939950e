#pragma once

#include "platform/UserQuestions.h"

#include <QWidget>

namespace velkan::app::ui {

// The view of "Load Icon" (TBrwsIcnForm), shown modally over `parent`. The
// list fills while the dialog runs, from the work the browser's load posts.
int showIconBrowser(platform::ModalWindow& window, QWidget* parent);

} // namespace velkan::app::ui
