#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Machine.h"
#include "platform/Result.h"

// The Start-button icon lives in User.exe as six 16-colour images, one per
// size. An icon file is accepted only when it holds exactly one such image,
// and its bytes then go unchanged into the working copy at that size's place.
namespace velkan::startmenu {

enum class IconLoad {
    NotRecognised, // the working copy is not laid out as the selected build says
    Rejected,      // the file is no single 16-colour image of a supported size
    Accepted,
};

struct IconLoadResult {
    IconLoad outcome = IconLoad::Rejected;
    int size = 0; // the accepted image's width and height
};

// Checks `iconFile` and copies its image into `userWorkingCopy` at the place
// for its size, moved by the build's `iconShift`. A file that cannot be
// opened, or that ends before its header words, is an error.
platform::Result<IconLoadResult> loadStartButtonIcon(const platform::Machine& machine,
                                                     std::string_view userWorkingCopy,
                                                     std::string_view iconFile,
                                                     std::int32_t iconShift);

} // namespace velkan::startmenu
