#pragma once

#include "caption/CaptionButton.h"
#include "caption/CaptionTypes.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace velkan::caption {

// How a kind's glyph is made.
enum class GlyphStyle { CaptionText, SymbolCharacter, Shape };
GlyphStyle glyphStyle(TCaptionButtonKind kind);

// The glyph text of a text or symbol kind: the Caption for cbkCustom, "..."
// for cbkMore, one character of the symbol font for the others.
std::string glyphText(const TCaptionButton& button);

// The character height of the symbol font for a glyph rectangle: negative,
// which asks for the height of the characters rather than of the cells.
int symbolFontHeight(Rect glyph);

// The shapes are drawn inside the glyph rectangle less a margin of 17 % of
// its width.
int shapeMargin(Rect glyph);
Rect shapeInner(Rect glyph);

// cbkRollUp: one bar; cbkRollDown: the top and bottom bars; cbkWindow: the
// window and its title bar, in this order.
std::vector<Rect> shapeRects(TCaptionButtonKind kind, Rect glyph);
// The seven corners of the cbkOk check mark.
std::array<Point, 7> okPolygon(Rect glyph);

// The glyph rectangle of button rectangle `b`: pushed glyphs sit 2 pixels
// right and down.
Rect glyphRect(Rect b, bool drawnPushed);

} // namespace velkan::caption
