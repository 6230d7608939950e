#pragma once

#include "hidden/Pixel.h"

#include <cstdint>
#include <optional>
#include <stop_token>

namespace velkan::hidden {

// The escape-time picture of z := z^2 + c over 320 columns and 200 rows: the
// column index p runs from -160 to 159 (imaginary part p * 0.01), the row
// index q from -160 to 39 (real part q * 0.0125), so the real axis runs down.
inline constexpr int kSunFirstColumn = -160, kSunLastColumn = 159;
inline constexpr int kSunFirstRow = -160, kSunLastRow = 39;
inline constexpr int kSunSteps = 100;
inline constexpr std::int64_t kSunEscape = 10000000000000000;

// How many steps the point of column index p and row index q takes before
// |z|^2 exceeds 1e16, counting up to 100 (a point that never escapes).
int sunEscapeCount(int p, int q);

// What a count paints: nothing below 15 steps, black from 99, and between
// them the system colour 15 + 2 * (count / 15), from 17 up to 27.
std::optional<platform::COLORREF> sunColour(int count);

// Draws the picture into `sink`, column by column from left to right, each
// column from top to bottom, one batch a column. Stops between columns when a
// stop is requested; returns whether the picture was finished.
bool drawSun(const PixelSink& sink, std::stop_token stop = {});

} // namespace velkan::hidden
