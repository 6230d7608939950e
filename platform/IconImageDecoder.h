#pragma once

#include "platform/ByteView.h"
#include "platform/Icon.h"

#include <optional>

namespace velkan::platform {

// The largest icon edge we decode; the system's own limit is 256, PNG icons
// may state more, and a lying header must not make us allocate gigabytes.
inline constexpr int kMaxIconEdge = 1024;

// One icon image as an .ico file or an RT_ICON resource holds it: either a
// BITMAPINFOHEADER (height doubled), palette or bit fields, XOR rows and AND
// rows, bottom row first, at 1, 4, 8, 16, 24 or 32 bits per pixel; or a PNG
// image. Nothing when the bytes are not a complete, sane image.
std::optional<Icon> decodeIconImage(ByteView image);

// The DIB form alone (also what the fuzzers drive).
std::optional<Icon> decodeDibIcon(ByteView image);

// The PNG form alone, through libpng. The mask is set where alpha is 0.
std::optional<Icon> decodePngIcon(ByteView image);
bool isPng(ByteView image);

} // namespace velkan::platform
