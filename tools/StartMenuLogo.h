#pragma once

#include "tools/Canvas.h"

namespace velkan::machine {

// The vertical band at the left edge of the Windows 95 Start menu: 21 pixels
// wide and 130 high, "Windows95" reading upwards over a dark gradient.
Canvas drawStartMenuLogo();

// The Windows flag of the Start button at `size` pixels square, on a
// transparent ground.
Canvas drawStartButtonFlag(int size);

} // namespace velkan::machine
