#include "platform/ui/Win95Look.h"

#include <algorithm>

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QFontDatabase>
#include <QHash>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include "platform/SysColors.h"

namespace velkan::platform::ui {

namespace {

QColor sysColor(int index) {
    COLORREF c = GetSysColor(index);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

const char* const kWineFonts = "/usr/share/wine/fonts/";

QString fontFile(const QString& family) {
    static const QHash<QString, QString> files = {
        {"MS Sans Serif", "ms_sans_serif.ttf"},
        {"Marlett", "marlett.ttf"},
        {"Wingdings", "wingding.ttf"},
        {"Small Fonts", "small_fonts.ttf"},
    };
    return files.value(family);
}

} // namespace

QPalette win95Palette() {
    QPalette p;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Window, sysColor(COLOR_BTNFACE));
        p.setColor(group, QPalette::WindowText, sysColor(COLOR_WINDOWTEXT));
        p.setColor(group, QPalette::Base, sysColor(COLOR_WINDOW));
        p.setColor(group, QPalette::AlternateBase, sysColor(COLOR_BTNFACE));
        p.setColor(group, QPalette::Text, sysColor(COLOR_WINDOWTEXT));
        p.setColor(group, QPalette::Button, sysColor(COLOR_BTNFACE));
        p.setColor(group, QPalette::ButtonText, sysColor(COLOR_BTNTEXT));
        p.setColor(group, QPalette::Light, sysColor(COLOR_3DHILIGHT));
        p.setColor(group, QPalette::Midlight, sysColor(COLOR_3DLIGHT));
        p.setColor(group, QPalette::Mid, sysColor(COLOR_BTNSHADOW));
        p.setColor(group, QPalette::Dark, sysColor(COLOR_3DSHADOW));
        p.setColor(group, QPalette::Shadow, sysColor(COLOR_3DDKSHADOW));
        p.setColor(group, QPalette::Highlight, sysColor(COLOR_HIGHLIGHT));
        p.setColor(group, QPalette::HighlightedText, sysColor(COLOR_HIGHLIGHTTEXT));
        p.setColor(group, QPalette::ToolTipBase, sysColor(COLOR_INFOBK));
        p.setColor(group, QPalette::ToolTipText, sysColor(COLOR_INFOTEXT));
        p.setColor(group, QPalette::Link, sysColor(COLOR_HOTLIGHT));
    }
    // Windows draws disabled text etched in grey, and a disabled edit keeps
    // the window colour unless the program paints it.
    p.setColor(QPalette::Disabled, QPalette::WindowText, sysColor(COLOR_GRAYTEXT));
    p.setColor(QPalette::Disabled, QPalette::Text, sysColor(COLOR_GRAYTEXT));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, sysColor(COLOR_GRAYTEXT));
    return p;
}

QString windowsFontFamily(const QString& family) {
    static QHash<QString, QString> loaded;
    if (auto it = loaded.find(family); it != loaded.end())
        return *it;
    QString result;
    const QString file = fontFile(family);
    if (!file.isEmpty() && QFile::exists(kWineFonts + file)) {
        int id = QFontDatabase::addApplicationFont(kWineFonts + file);
        if (id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty())
            result = QFontDatabase::applicationFontFamilies(id).front();
    }
    loaded.insert(family, result);
    return result;
}

namespace {

// Qt's Windows style fills a progress bar in one piece; the common controls
// of Windows 95 fill it with blocks two thirds of the bar's inner height
// wide, two pixels apart, and print no percentage.
class Win95Style : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_ProgressBarLabel)
            return;
        const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
        if (element != CE_ProgressBarContents || !bar || bar->maximum <= bar->minimum) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const QRect inner = option->rect.adjusted(2, 2, -2, -2);
        const int block = std::max(2, inner.height() * 2 / 3);
        const long long span = static_cast<long long>(bar->maximum) - bar->minimum;
        const int filled = static_cast<int>(
            (static_cast<long long>(std::clamp(bar->progress, bar->minimum, bar->maximum)) -
             bar->minimum) * inner.width() / span);
        const QColor colour = option->palette.color(QPalette::Highlight);
        for (int x = 0; x < filled; x += block + 2)
            painter->fillRect(QRect(inner.left() + x, inner.top(),
                                    std::min(block, inner.width() - x), inner.height()),
                              colour);
    }
};

} // namespace

QString applyWin95Look(QApplication& app) {
    if (QStyle* style = QStyleFactory::create("Windows"))
        app.setStyle(new Win95Style(style));
    app.setPalette(win95Palette());
    QString family = windowsFontFamily("MS Sans Serif");
    QFont font(family.isEmpty() ? QStringLiteral("Sans Serif") : family);
    // 8 points at 96 dpi is the 11-pixel face of the dialog font.
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    app.setFont(font);
    return family;
}

} // namespace velkan::platform::ui
