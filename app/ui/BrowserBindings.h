#pragma once

#include "app/FolderList.h"
#include "platform/Controls.h"
#include "platform/ui/ControlBinding.h"

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>

// Views of the theme browser's controls: the folder list, the drive box and
// the read-only rich edits of the preview. Names and pack texts are bytes of
// the machine's code page, shown through `text`.
namespace velkan::app::ui {

void bindFolderList(QListWidget* widget, FolderList& list, platform::ui::TextConversion text);
void bindDriveBox(QComboBox* widget, DriveBox& box);
void bindRichEdit(QPlainTextEdit* widget, platform::Edit& edit,
                  platform::ui::TextConversion text);

} // namespace velkan::app::ui
