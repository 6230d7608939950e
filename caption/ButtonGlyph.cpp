#include "caption/ButtonGlyph.h"

namespace velkan::caption {

GlyphStyle glyphStyle(TCaptionButtonKind kind) {
    switch (kind) {
    case cbkOk:
    case cbkRollUp:
    case cbkRollDown:
    case cbkWindow:
        return GlyphStyle::Shape;
    case cbkCustom:
    case cbkMore:
        return GlyphStyle::CaptionText;
    default:
        return GlyphStyle::SymbolCharacter;
    }
}

std::string glyphText(const TCaptionButton& button) {
    switch (button.Kind) {
    case cbkCustom:
        return button.Caption;
    case cbkMore:
        return "...";
    case cbkDocument:
        return "\x32";
    case cbkFolder:
        return "\x30";
    case cbkMail:
        return "\x2B";
    case cbkDownArrow:
        return "\xEA";
    case cbkUpArrow:
        return "\xE9";
    case cbkLeftArrow:
        return "\xE7";
    case cbkRightArrow:
        return "\xE8";
    case cbkFlag:
        return "\x4F";
    case cbkCool:
        return "\x4A";
    default:
        return {};
    }
}

int symbolFontHeight(Rect glyph) {
    return (glyph.top - glyph.bottom) * 31 / 40;
}

int shapeMargin(Rect glyph) {
    return glyph.width() * 17 / 100;
}

Rect shapeInner(Rect glyph) {
    const int m = shapeMargin(glyph);
    return {glyph.left + m, glyph.top + m, glyph.right - m - 1, glyph.bottom - m - 1};
}

std::vector<Rect> shapeRects(TCaptionButtonKind kind, Rect glyph) {
    const int m = shapeMargin(glyph);
    const Rect in = shapeInner(glyph);
    switch (kind) {
    case cbkRollUp:
        return {{in.left, in.top, in.right, in.top + m}};
    case cbkRollDown:
        return {{in.left, in.top, in.right, in.top + m},
                {in.left, in.bottom - m, in.right, in.bottom}};
    case cbkWindow:
        return {in, {in.left, in.top, in.right, in.top + m + 1}};
    default:
        return {};
    }
}

std::array<Point, 7> okPolygon(Rect glyph) {
    const int m = shapeMargin(glyph);
    const Rect in = shapeInner(glyph);
    const int y = in.top + (in.bottom - in.top) / 2;
    const int x = in.left + (in.right - in.left) / 2 - m;
    return {{{in.left, y},
             {x, in.bottom},
             {x + m - 1, in.bottom},
             {in.right, in.top},
             {in.right - m + 1, in.top},
             {x + m / 3, in.bottom - m},
             {in.left + m, y}}};
}

Rect glyphRect(Rect b, bool drawnPushed) {
    if (drawnPushed) {
        b.left += 2;
        b.top += 2;
    }
    return b;
}

} // namespace velkan::caption
