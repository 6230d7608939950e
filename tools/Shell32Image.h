#pragma once

#include "tools/Canvas.h"

#include <cstdint>
#include <vector>

namespace velkan::machine {

// Number of icons in our SHELL32.DLL; ExtractIcon indexes 0 to kShell32IconCount - 1.
inline constexpr int kShell32IconCount = 48;

// Draws icon `index` of our SHELL32.DLL at `size` pixels square (16 or 32).
// Indexes 19 to 44 are the Start-menu icons (19 Programs, 20 Documents,
// 21 Settings, 22 Find, 23 Help, 24 Run, 25 Suspend, 27 Shut Down,
// 43 Favorites, 44 Log Off); the others are the usual shell pictures.
// `rich` draws the shading of the 256-colour image; without it the picture
// uses the 16 VGA colours only.
Canvas drawShell32Icon(int index, int size, bool rich);
Canvas drawShell32Icon(int index, int size);

// The bytes of SHELL32.DLL: a 32-bit PE resource library whose group icons
// 1..kShell32IconCount each hold 16- and 256-colour images at 16x16 and 32x32.
std::vector<std::uint8_t> makeShell32Dll();

} // namespace velkan::machine
