#pragma once

#include <QFont>
#include <QPalette>

class QApplication;

namespace velkan::platform::ui {

// The palette of the machine's colour scheme (the system colours).
QPalette win95Palette();

// Gives the application the Windows 95 look: Qt's "Windows" style, the
// palette of the system colours and the dialog font, MS Sans Serif 8 pt
// (from Debian's fonts-wine when installed; otherwise a plain sans serif of
// the same size). Returns the family that was found.
QString applyWin95Look(QApplication& app);

// A font family of the Windows set, loaded from fonts-wine when present:
// "MS Sans Serif", "Marlett", "Wingdings", "Small Fonts". Empty when the font
// is not on this machine.
QString windowsFontFamily(const QString& family);

} // namespace velkan::platform::ui
