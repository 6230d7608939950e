#pragma once

#include "app/FolderList.h"
#include "platform/Controls.h"

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>

// Views of the theme browser's controls: the folder list, the drive box and
// the read-only rich edits of the preview.
namespace velkan::app::ui {

void bindFolderList(QListWidget* widget, FolderList& list);
void bindDriveBox(QComboBox* widget, DriveBox& box);
void bindRichEdit(QPlainTextEdit* widget, platform::Edit& edit);

} // namespace velkan::app::ui
