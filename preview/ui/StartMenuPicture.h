#pragma once

#include "platform/Result.h"
#include "preview/StartMenuLook.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <string>
#include <vector>

// Draws the bottom of the machine's screen with the Start menu open: the
// desktop, the taskbar with the pressed Start button and the clock, the menu
// with its logo band, and the Start button's tooltip beside the menu. The
// sizes and colours are those of Windows 95 at 96 dpi (system metrics and
// colours of the platform), the fonts MS Sans Serif.
namespace velkan::preview::ui {

struct PictureOptions {
    QString clock = QStringLiteral("12:00 PM");
    bool showTooltip = true;
    int width = 0; // 0: the screen width (SM_CXSCREEN)
};

// Where each part lands in the picture, for the painter and for those who
// check its pixels.
struct MenuRowPlace {
    shellpatch::Entry entry;
    QRect row, icon, text;
    QRect underline; // empty when the caption marks no access key
    QRect arrow;     // empty without a submenu
};

struct PicturePlaces {
    QSize size;
    QRect taskbar, startButton, startIcon, startText, tray, menu, band, logo, tooltip;
    std::vector<MenuRowPlace> rows;
    std::vector<QRect> separators;
};

// MS Sans Serif 8 pt; the Start button draws it emboldened.
QFont menuFont();

PicturePlaces placesOf(const StartMenuLook& look, const PictureOptions& options = {});
QImage drawStartMenu(const StartMenuLook& look, const PictureOptions& options = {});

QImage iconImage(const platform::Icon& icon);
QImage logoImage(const LookLogo& logo);

// Writes the picture as a PNG file.
platform::Status writeStartMenuPng(const StartMenuLook& look, const std::string& file,
                                   const PictureOptions& options = {});

// For programs without windows: makes the application object that text
// drawing needs, on the offscreen platform, unless one exists.
void ensureGuiApplication();

} // namespace velkan::preview::ui
