#include "preview/ui/StartMenuPicture.h"

#include "platform/SysColors.h"
#include "platform/SystemMetrics.h"
#include "platform/ui/Win95Look.h"
#include "preview/Accelerator.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace velkan::preview::ui {

using namespace platform;

namespace {

constexpr int kMenuBorder = 3; // the raised edge and one pixel of menu colour
constexpr int kSeparatorHeight = 8;
constexpr int kDesktopAbove = 10; // desktop shown above the menu
constexpr int kTaskbarMinHeight = 28;
constexpr int kArrowRoom = 22; // right of the longest caption

QColor sys(int index) {
    const COLORREF c = GetSysColor(index);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

QString qt(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QFont dialogFont() {
    const QString family = platform::ui::windowsFontFamily("MS Sans Serif");
    QFont font(family.isEmpty() ? QStringLiteral("Sans Serif") : family);
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

int rowHeight(const StartMenuLook& look) {
    return std::max(look.menuIconSize + 4, QFontMetrics(menuFont()).height() + 6);
}

int taskbarHeight(const StartMenuLook& look) {
    return std::max(kTaskbarMinHeight, look.startIconSize + 12);
}

// Lines of a 3-D edge: `topLeft` along the top and left, `bottomRight`
// along the bottom and right.
void edge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

void drawMarked(QPainter& p, const QFont& font, const QColor& colour, const QRect& textBox,
                const QRect& underline, const QString& text) {
    QFontMetrics fm(font);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QPoint(textBox.left(), textBox.top() + fm.ascent()), text);
    if (!underline.isEmpty())
        p.fillRect(underline, colour);
}

// The underline under character `index` of text drawn at `box`.
QRect underlineOf(const QFont& font, const QRect& box, const MarkedText& marked) {
    if (marked.underlined < 0)
        return {};
    QFontMetrics fm(font);
    const QString text = qt(marked.text);
    const int x = box.left() + fm.horizontalAdvance(text.left(marked.underlined));
    const int w = fm.horizontalAdvance(text.mid(marked.underlined, 1));
    return QRect(x, box.top() + fm.ascent() + 1, std::max(1, w - 1), 1);
}

// The Start button's bold face as the system makes it from a face without
// one: each character drawn twice, one pixel apart, and one pixel wider.
int boldAdvance(const QString& text) {
    QFontMetrics fm(menuFont());
    int width = 0;
    for (QChar c : text)
        width += fm.horizontalAdvance(c) + 1;
    return width;
}

void drawBold(QPainter& p, const QColor& colour, const QRect& box, const QString& text,
              int underlined) {
    QFontMetrics fm(menuFont());
    p.setFont(menuFont());
    p.setPen(colour);
    int x = box.left();
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const int advance = fm.horizontalAdvance(c) + 1;
        for (int dx : {0, 1})
            p.drawText(QPoint(x + dx, box.top() + fm.ascent()), QString(c));
        if (i == underlined)
            p.fillRect(QRect(x, box.top() + fm.ascent() + 1, advance - 1, 1), colour);
        x += advance;
    }
}

} // namespace

QFont menuFont() {
    return dialogFont();
}

PicturePlaces placesOf(const StartMenuLook& look, const PictureOptions& options) {
    PicturePlaces places;
    const QFontMetrics menuMetrics(menuFont());
    const QFontMetrics boldMetrics(menuFont());
    const int width = options.width > 0 ? options.width : GetSystemMetrics(SM_CXSCREEN);

    const int rowH = rowHeight(look);
    int textWidth = 0;
    for (const auto& entry : look.entries)
        textWidth = std::max(
            textWidth, menuMetrics.horizontalAdvance(qt(parseAccelerator(entry.caption).text)));
    const int innerLeft = kMenuBorder + shellpatch::kLogoWidth;
    const int menuWidth =
        innerLeft + 2 + look.menuIconSize + 8 + textWidth + kArrowRoom + kMenuBorder;
    const int separators = look.separatorBefore >= 0 ? 1 : 0;
    const int menuHeight =
        2 * kMenuBorder + rowH * int(look.entries.size()) + kSeparatorHeight * separators;
    const int barH = taskbarHeight(look);
    places.size = QSize(width, kDesktopAbove + menuHeight + barH);
    const int barTop = places.size.height() - barH;
    places.taskbar = QRect(0, barTop, width, barH);

    // The Start button, pressed while its menu is open; its face moves one
    // pixel down and right.
    const MarkedText start = parseAccelerator(look.startText);
    const int startTextWidth = boldAdvance(qt(start.text));
    const int buttonH = barH - 6;
    places.startButton =
        QRect(2, barTop + 4, 3 + look.startIconSize + 2 + startTextWidth + 4, buttonH);
    places.startIcon = QRect(places.startButton.left() + 3 + 1,
                             places.startButton.top() + (buttonH - look.startIconSize) / 2 + 1,
                             look.startIconSize, look.startIconSize);
    places.startText = QRect(places.startIcon.right() + 1 + 2,
                             places.startButton.top() + (buttonH - boldMetrics.height()) / 2 + 1,
                             startTextWidth, boldMetrics.height());

    const int clockWidth = menuMetrics.horizontalAdvance(options.clock);
    const int trayW = clockWidth + 16;
    places.tray = QRect(width - 2 - trayW, barTop + 4, trayW, buttonH);

    places.menu = QRect(0, barTop - menuHeight, menuWidth, menuHeight);
    places.band = QRect(kMenuBorder, places.menu.top() + kMenuBorder, shellpatch::kLogoWidth,
                        menuHeight - 2 * kMenuBorder);
    if (!look.logo.empty()) {
        const int h = std::min(look.logo.height, places.band.height());
        places.logo = QRect(places.band.left(), places.band.bottom() - h + 1,
                            std::min(look.logo.width, places.band.width()), h);
    }

    int y = places.menu.top() + kMenuBorder;
    const int rowLeft = innerLeft;
    const int rowWidth = menuWidth - innerLeft - kMenuBorder;
    for (int i = 0; i < int(look.entries.size()); ++i) {
        if (i == look.separatorBefore) {
            places.separators.push_back(QRect(rowLeft, y, rowWidth, kSeparatorHeight));
            y += kSeparatorHeight;
        }
        const auto& entry = look.entries[std::size_t(i)];
        MenuRowPlace row;
        row.entry = entry.entry;
        row.row = QRect(rowLeft, y, rowWidth, rowH);
        row.icon = QRect(rowLeft + 2, y + (rowH - look.menuIconSize) / 2, look.menuIconSize,
                         look.menuIconSize);
        const MarkedText marked = parseAccelerator(entry.caption);
        row.text = QRect(row.icon.right() + 1 + 8, y + (rowH - menuMetrics.height()) / 2,
                         menuMetrics.horizontalAdvance(qt(marked.text)), menuMetrics.height());
        row.underline = underlineOf(menuFont(), row.text, marked);
        if (entry.submenu)
            row.arrow = QRect(row.row.right() - 11, y + rowH / 2 - 3, 4, 7);
        places.rows.push_back(row);
        y += rowH;
    }

    if (options.showTooltip && !look.tooltip.empty()) {
        const int w = menuMetrics.horizontalAdvance(qt(look.tooltip)) + 6;
        const int h = menuMetrics.height() + 4;
        places.tooltip = QRect(places.menu.right() + 12, barTop - h - 4, w, h);
    }
    return places;
}

QImage iconImage(const platform::Icon& icon) {
    QImage image(icon.width, icon.height, QImage::Format_ARGB32);
    for (int y = 0; y < icon.height; ++y)
        for (int x = 0; x < icon.width; ++x)
            image.setPixel(x, y, icon.rgba(x, y));
    return image;
}

QImage logoImage(const LookLogo& logo) {
    QImage image(logo.width, logo.height, QImage::Format_RGB32);
    for (int y = 0; y < logo.height; ++y)
        for (int x = 0; x < logo.width; ++x)
            image.setPixel(x, y, 0xFF000000u | logo.at(x, y));
    return image;
}

QImage drawStartMenu(const StartMenuLook& look, const PictureOptions& options) {
    const PicturePlaces places = placesOf(look, options);
    QImage image(places.size, QImage::Format_RGB32);
    image.fill(sys(COLOR_DESKTOP));
    QPainter p(&image);

    // Taskbar: a raised bar whose top edge shows; the rest runs off the screen.
    p.fillRect(places.taskbar, sys(COLOR_3DFACE));
    p.setPen(sys(COLOR_3DLIGHT));
    p.drawLine(places.taskbar.left(), places.taskbar.top(), places.taskbar.right(),
               places.taskbar.top());
    p.setPen(sys(COLOR_3DHILIGHT));
    p.drawLine(places.taskbar.left(), places.taskbar.top() + 1, places.taskbar.right(),
               places.taskbar.top() + 1);

    const QRect& button = places.startButton;
    edge(p, button, sys(COLOR_3DDKSHADOW), sys(COLOR_3DHILIGHT));
    edge(p, button.adjusted(1, 1, -1, -1), sys(COLOR_3DSHADOW), sys(COLOR_3DLIGHT));
    if (look.startIcon.width > 0)
        p.drawImage(places.startIcon.topLeft(), iconImage(look.startIcon));
    const MarkedText start = parseAccelerator(look.startText);
    drawBold(p, sys(COLOR_BTNTEXT), places.startText, qt(start.text), start.underlined);

    edge(p, places.tray, sys(COLOR_3DSHADOW), sys(COLOR_3DHILIGHT));
    {
        QFontMetrics fm(menuFont());
        p.setFont(menuFont());
        p.setPen(sys(COLOR_BTNTEXT));
        const int x =
            places.tray.left() + (places.tray.width() - fm.horizontalAdvance(options.clock)) / 2;
        const int y = places.tray.top() + (places.tray.height() - fm.height()) / 2 + fm.ascent();
        p.drawText(QPoint(x, y), options.clock);
    }

    // The menu window.
    const QRect& menu = places.menu;
    p.fillRect(menu, sys(COLOR_MENU));
    edge(p, menu, sys(COLOR_3DLIGHT), sys(COLOR_3DDKSHADOW));
    edge(p, menu.adjusted(1, 1, -1, -1), sys(COLOR_3DHILIGHT), sys(COLOR_3DSHADOW));

    // The band: the logo at its foot, the colour of its top row above it.
    const QColor bandColour =
        look.logo.empty() ? sys(COLOR_3DSHADOW) : QColor::fromRgb(look.logo.at(0, 0));
    p.fillRect(places.band, bandColour);
    if (!places.logo.isEmpty()) {
        const QImage logo = logoImage(look.logo);
        p.drawImage(places.logo.topLeft(), logo,
                    QRect(0, logo.height() - places.logo.height(), places.logo.width(),
                          places.logo.height()));
    }

    for (std::size_t i = 0; i < places.rows.size(); ++i) {
        const auto& row = places.rows[i];
        const auto& entry = look.entries[i];
        if (entry.icon.width > 0)
            p.drawImage(row.icon.topLeft(), iconImage(entry.icon));
        const MarkedText marked = parseAccelerator(entry.caption);
        drawMarked(p, menuFont(), sys(COLOR_MENUTEXT), row.text, row.underline, qt(marked.text));
        if (!row.arrow.isEmpty()) {
            QPolygon arrow;
            arrow << row.arrow.topLeft() << row.arrow.bottomLeft()
                  << QPoint(row.arrow.right(), row.arrow.top() + 3);
            p.setPen(sys(COLOR_MENUTEXT));
            p.setBrush(sys(COLOR_MENUTEXT));
            p.drawPolygon(arrow);
            p.setBrush(Qt::NoBrush);
        }
    }
    for (const QRect& sep : places.separators) {
        const int y = sep.top() + sep.height() / 2 - 1;
        p.setPen(sys(COLOR_3DSHADOW));
        p.drawLine(sep.left() + 1, y, sep.right() - 1, y);
        p.setPen(sys(COLOR_3DHILIGHT));
        p.drawLine(sep.left() + 1, y + 1, sep.right() - 1, y + 1);
    }

    if (!places.tooltip.isEmpty()) {
        p.fillRect(places.tooltip, sys(COLOR_INFOBK));
        p.setPen(sys(COLOR_INFOTEXT));
        p.drawRect(places.tooltip.adjusted(0, 0, -1, -1));
        QFontMetrics fm(menuFont());
        p.setFont(menuFont());
        p.drawText(QPoint(places.tooltip.left() + 3, places.tooltip.top() + 2 + fm.ascent()),
                   qt(look.tooltip));
    }
    return image;
}

platform::Status writeStartMenuPng(const StartMenuLook& look, const std::string& file,
                                   const PictureOptions& options) {
    const QImage image = drawStartMenu(look, options);
    if (!image.save(QString::fromStdString(file), "PNG"))
        return platform::Error::of(platform::WinError::CantWrite, "cannot write " + file);
    return {};
}

void ensureGuiApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 3;
    static char program[] = "velkan";
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    static char* argv[] = {program, platformOption, offscreen, nullptr};
    // Kept to the end of the process: taking it down among the static
    // destructors would outlive the font cache it clears.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

} // namespace velkan::preview::ui
