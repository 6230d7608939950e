#include "caption/ui/CaptionDrawing.h"

#include <cstring>

#include "caption/ButtonGlyph.h"
#include "platform/ui/Win95Look.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

namespace velkan::caption::ui {

using namespace platform;

QColor qColor(COLORREF colour) {
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

QColor sysColor(int index) {
    return qColor(GetSysColor(index));
}

QRect qRect(Rect r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

namespace {

// The stock brushes of GDI.
const QColor kLightGray(192, 192, 192);
const QColor kDarkGray(64, 64, 64);

void hline(QPainter& p, int x0, int x1, int y, const QColor& c) {
    if (x1 > x0)
        p.fillRect(x0, y, x1 - x0, 1, c);
}
void vline(QPainter& p, int x, int y0, int y1, const QColor& c) {
    if (y1 > y0)
        p.fillRect(x, y0, 1, y1 - y0, c);
}

// One ring of an edge: top and left in `light`, bottom and right in `dark`.
void ring(QPainter& p, Rect& r, const QColor& light, const QColor& dark) {
    hline(p, r.left, r.right - 1, r.top, light);
    vline(p, r.left, r.top, r.bottom - 1, light);
    hline(p, r.left, r.right, r.bottom - 1, dark);
    vline(p, r.right - 1, r.top, r.bottom - 1, dark);
    r = r.inflated(-1);
}

// Win32 GDI rectangles: the outline with the pen, the inside with the brush.
void gdiRectangle(QPainter& p, Rect r, const QColor& pen, const QColor& brush) {
    if (r.width() < 2 || r.height() < 2)
        return;
    p.setPen(QPen(pen, 0));
    p.setBrush(brush);
    p.drawRect(r.left, r.top, r.width() - 1, r.height() - 1);
}

void drawShape(QPainter& p, TCaptionButtonKind kind, Rect glyph, const QColor& pen,
               const QColor& brush, bool enabled, int dx) {
    auto rects = shapeRects(kind, glyph);
    for (Rect& r : rects)
        r = r.offset(dx, dx);
    if (kind == cbkOk) {
        QPolygon polygon;
        for (Point pt : okPolygon(glyph))
            polygon << QPoint(pt.x + dx, pt.y + dx);
        p.setPen(QPen(pen, 0));
        p.setBrush(brush);
        p.drawPolygon(polygon);
    } else if (kind == cbkWindow) {
        if (enabled) {
            gdiRectangle(p, rects[0], pen, Qt::white);
            gdiRectangle(p, rects[1], pen, sysColor(COLOR_ACTIVECAPTION));
        } else if (dx != 0) {
            gdiRectangle(p, rects[0], pen, kLightGray);
            gdiRectangle(p, rects[1], pen, kLightGray);
        } else {
            gdiRectangle(p, rects[0], pen, kLightGray);
            gdiRectangle(p, rects[1], pen, kDarkGray);
        }
    } else {
        for (Rect r : rects)
            gdiRectangle(p, r, pen, brush);
    }
}

// When the symbol font is not on this machine the same pictures come from
// the Unicode symbols of an ordinary font.
QString fallbackSymbol(TCaptionButtonKind kind) {
    switch (kind) {
    case cbkDocument:
        return QString(QChar(0x25A4));
    case cbkFolder:
        return QString(QChar(0x25AD));
    case cbkMail:
        return QString(QChar(0x2709));
    case cbkDownArrow:
        return QString(QChar(0x2193));
    case cbkUpArrow:
        return QString(QChar(0x2191));
    case cbkLeftArrow:
        return QString(QChar(0x2190));
    case cbkRightArrow:
        return QString(QChar(0x2192));
    case cbkFlag:
        return QString(QChar(0x2691));
    case cbkCool:
        return QString(QChar(0x263A));
    default:
        return {};
    }
}

// A character of a symbol font as Qt reaches it: the symbol code itself
// where the font maps it, else in the private-use page symbol fonts use.
// Empty when the font lacks the picture (Wine's Wingdings holds only some).
QString symbolText(const QFont& font, unsigned char code) {
    QFontMetrics metrics(font);
    if (metrics.inFontUcs4(code))
        return QString(QChar(code));
    if (metrics.inFontUcs4(0xF000u + code))
        return QString(QChar(0xF000 + code));
    return {};
}

} // namespace

std::optional<QFont> captionFont(bool /*smallCaption*/) {
    // The Windows Standard scheme gives the caption and the small caption
    // the same face: MS Sans Serif 8 pt bold.
    QString family = platform::ui::windowsFontFamily("MS Sans Serif");
    QFont font(family.isEmpty() ? QStringLiteral("Sans Serif") : family);
    font.setPixelSize(11);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

std::optional<QFont> symbolFont(int height) {
    QString family = platform::ui::windowsFontFamily("Wingdings");
    if (family.isEmpty())
        return std::nullopt;
    QFont font(family);
    font.setPixelSize(std::max(1, height < 0 ? -height : height));
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

void drawPushFrame(QPainter& p, Rect r, bool pushed) {
    if (pushed) {
        ring(p, r, sysColor(COLOR_3DDKSHADOW), sysColor(COLOR_3DHILIGHT));
        ring(p, r, sysColor(COLOR_3DSHADOW), sysColor(COLOR_3DLIGHT));
    } else {
        ring(p, r, sysColor(COLOR_3DLIGHT), sysColor(COLOR_3DDKSHADOW));
        ring(p, r, sysColor(COLOR_3DHILIGHT), sysColor(COLOR_3DSHADOW));
    }
    if (!r.empty())
        p.fillRect(qRect(r), sysColor(COLOR_BTNFACE));
}

void drawWindowFrame(QPainter& p, QRect window, int frameWidth) {
    p.fillRect(window, sysColor(COLOR_BTNFACE));
    if (frameWidth <= 0)
        return;
    Rect r{window.left(), window.top(), window.right() + 1, window.bottom() + 1};
    ring(p, r, sysColor(COLOR_3DLIGHT), sysColor(COLOR_3DDKSHADOW));
    if (frameWidth > 1)
        ring(p, r, sysColor(COLOR_3DHILIGHT), sysColor(COLOR_3DSHADOW));
}

void drawCaptionButton(QPainter& p, Rect r, CaptionGlyph glyph, bool pushed, bool inactive) {
    drawPushFrame(p, r, pushed);
    Rect g = pushed ? r.offset(1, 1) : r;
    auto paintGlyph = [&](int dx, const QColor& colour) {
        const QRect box = qRect(g.offset(dx, dx));
        // The glyphs of the Windows 95 buttons, pixel for pixel: the Marlett
        // face scaled to the button came out thinner and narrower. They sit
        // in the middle of the face, half a pixel up and left when it does
        // not divide evenly, as Windows places them.
        static const char* const kClose[] = {"11....11", ".11..11.", "..1111..", "...11...",
                                             "..1111..", ".11..11.", "11....11"};
        static const char* const kMaximize[] = {"111111111", "111111111", "1.......1",
                                                "1.......1", "1.......1", "1.......1",
                                                "1.......1", "1.......1", "111111111"};
        static const char* const kRestore[] = {"..111111", "..111111", "..1....1", "111111.1",
                                               "111111.1", "1....111", "1....1..", "1....1..",
                                               "111111.."};
        static const char* const kMinimize[] = {"111111", "111111"};
        auto bitmap = [&](const char* const* rows, int count, int bottomOffset) {
            const int width = int(std::strlen(rows[0]));
            const int left = box.left() + (box.width() - width) / 2;
            const int top = bottomOffset >= 0 ? box.bottom() - bottomOffset - count + 1
                                              : box.top() + (box.height() - count) / 2;
            for (int y = 0; y < count; ++y)
                for (int x = 0; x < width; ++x)
                    if (rows[y][x] == '1')
                        p.fillRect(left + x, top + y, 1, 1, colour);
        };
        switch (glyph) {
        case CaptionGlyph::Close:
            bitmap(kClose, 7, -1);
            break;
        case CaptionGlyph::Help:
            p.setPen(colour);
            p.drawText(box, Qt::AlignCenter, "?");
            break;
        case CaptionGlyph::Maximize:
            bitmap(kMaximize, 9, -1);
            break;
        case CaptionGlyph::Restore:
            bitmap(kRestore, 9, -1);
            break;
        case CaptionGlyph::Minimize:
            bitmap(kMinimize, 2, 3);
            break;
        }
    };
    if (inactive) {
        paintGlyph(1, sysColor(COLOR_BTNHIGHLIGHT));
        paintGlyph(0, sysColor(COLOR_BTNSHADOW));
    } else {
        paintGlyph(0, sysColor(COLOR_BTNTEXT));
    }
}

bool drawButtonGlyph(QPainter& p, const TCaptionButton& button, Rect glyph) {
    p.save();
    const GlyphStyle style = glyphStyle(button.Kind);
    if (style == GlyphStyle::Shape) {
        if (button.Enabled) {
            drawShape(p, button.Kind, glyph, Qt::black, Qt::black, true, 0);
        } else {
            drawShape(p, button.Kind, glyph, Qt::white, Qt::white, false, 1);
            drawShape(p, button.Kind, glyph, sysColor(COLOR_BTNSHADOW), kDarkGray, false, 0);
        }
        p.restore();
        return true;
    }

    std::optional<QFont> font;
    QString text;
    if (style == GlyphStyle::SymbolCharacter) {
        font = symbolFont(symbolFontHeight(glyph));
        if (font)
            text = symbolText(*font, static_cast<unsigned char>(glyphText(button)[0]));
        if (text.isEmpty()) {
            font = captionFont(true);
            if (font) {
                font->setPixelSize(std::max(1, -symbolFontHeight(glyph)));
                font->setBold(false);
            }
            text = fallbackSymbol(button.Kind);
        }
    } else {
        font = captionFont(true);
        text = QString::fromLatin1(glyphText(button).c_str());
    }
    if (!font) {
        p.restore();
        return false;
    }
    p.setFont(*font);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    if (button.Enabled) {
        p.setPen(sysColor(COLOR_BTNTEXT));
        p.drawText(qRect(glyph), flags, text);
    } else {
        p.setPen(sysColor(COLOR_BTNHIGHLIGHT));
        p.drawText(qRect(glyph.offset(1, 1)), flags, text);
        p.setPen(sysColor(COLOR_BTNSHADOW));
        p.drawText(qRect(glyph), flags, text);
    }
    p.restore();
    return true;
}

} // namespace velkan::caption::ui
