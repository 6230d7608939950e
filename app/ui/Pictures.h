#pragma once

#include <QPixmap>

#include "platform/Controls.h"

namespace velkan::app::ui {

// Turns a picture reference of the models into pixels: icon files (the 32x32
// image, or the one closest to it), bitmap files, the stock Windows-logo
// icon and the default Start-menu logo of the program's resources.
QPixmap renderPicture(const platform::Picture& picture);

// The program's own pictures, drawn in the colours of the Windows 95 ones:
// the Windows flag at the large-icon size, and the Start-menu band.
QImage windowsLogoIcon();
QImage defaultStartMenuLogo();

} // namespace velkan::app::ui
