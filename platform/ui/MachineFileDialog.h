#pragma once

#include <optional>
#include <string>

#include "platform/Machine.h"
#include "platform/UserQuestions.h"

class QWidget;

namespace velkan::platform::ui {

// The Open and Save As dialogs as Windows 95 shows them, on the machine's
// drives: "Look in:" with the drive letters and the way down to the current
// folder, the folders and files of that folder, "File name:" and "Files of
// type:" with the request's filters, and for opening a preview of pictures.
// What it returns is always a Windows path on the machine.
std::optional<std::string> machineFileDialog(const Machine& machine, const FileDialogRequest& request,
                                             bool saving, QWidget* parent);

} // namespace velkan::platform::ui
