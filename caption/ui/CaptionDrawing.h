#pragma once

#include "caption/CaptionButton.h"
#include "caption/CaptionGeometry.h"
#include "caption/CaptionTypes.h"
#include "platform/SysColors.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <optional>

class QPainter;

namespace velkan::caption::ui {

QColor qColor(platform::COLORREF colour);
QColor sysColor(int index);
// Windows rectangles have their right and bottom edges outside.
QRect qRect(Rect r);

// The caption font (bold MS Sans Serif) or, for tool windows, the small
// caption font. Nothing when the non-client metrics cannot be read.
std::optional<QFont> captionFont(bool smallCaption);
// "Wingdings" at the given character height (negative, as the height of a
// font asked for by its characters); nothing when the font is missing.
std::optional<QFont> symbolFont(int height);

// The raised or sunken 3-D edge of a push button, filled with the face colour.
void drawPushFrame(QPainter& p, Rect r, bool pushed);
// The window frame of a form: the raised dialog edge and the face colour.
void drawWindowFrame(QPainter& p, QRect window, int frameWidth);
// A standard caption button with its glyph (Marlett, or drawn lines when the
// font is missing).
void drawCaptionButton(QPainter& p, Rect r, CaptionGlyph glyph, bool pushed, bool inactive);

// An extra button's glyph in `glyph`; false when nothing could be drawn.
bool drawButtonGlyph(QPainter& p, const TCaptionButton& button, Rect glyph);

} // namespace velkan::caption::ui
