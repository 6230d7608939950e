#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Machine.h"
#include "platform/Result.h"

// The vertical logo of the Start menu is a 16-colour bitmap inside
// Explorer.exe with room for 21 x 130 pixels. A bitmap file is accepted only
// when it already has that shape; its palette and rows are copied as they are.
namespace velkan::startmenu {

struct LogoLoadResult {
    bool accepted = false;
    std::int32_t height = 0; // the accepted bitmap's own height
    int bytesWritten = 0;    // palette and rows copied into the shell file
};

platform::Result<LogoLoadResult> loadLogo(const platform::Machine& machine,
                                          std::string_view shellWorkingCopy,
                                          std::string_view bitmapFile, std::int32_t logoOffset);

} // namespace velkan::startmenu
