#pragma once

#include "app/mainform/MainForm.h"
#include "preview/LookSources.h"

#include <string>

// What the shell will draw once the main window's pending changes are
// applied and Windows has started again: the working copies with the
// pictures loaded so far, the edits and boxes where they will be written,
// the icon slots over the Shell Icons values they will replace.
namespace velkan::app {

preview::LookSources previewSources(const TMainForm& form);

// The same with the pack in `folder` loaded on top, as "&Load theme" and OK
// would leave it. Without a pack there, the main window's picture.
preview::LookSources packPreviewSources(const TMainForm& form, const std::string& folder);

} // namespace velkan::app
