#pragma once

#include "app/BrwsIcnForm.h"

#include <QWidget>

namespace velkan::app::ui {

// The view of "Load Icon" (TBrwsIcnForm), shown modally over `parent`. The
// list fills while the dialog runs, from the work the browser's load posts.
int showIconBrowser(TBrwsIcnForm& model, QWidget* parent);

} // namespace velkan::app::ui
