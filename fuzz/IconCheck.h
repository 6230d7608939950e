#pragma once

#include "platform/Icon.h"

namespace velkan::fuzz {

// Whatever an icon decodes to must be whole: a picture of its stated size
// that the icon-file writer can save. Aborts otherwise.
void checkIcon(const platform::Icon& icon);

} // namespace velkan::fuzz
