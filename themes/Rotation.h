#pragma once

#include "platform/Machine.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The autoload's round of the program folder's packs: every subfolder is a
// candidate, in the order the folder search returns them, and each Windows
// start takes the one after the last applied.
namespace velkan::themes {

// The names of the subfolders of `programFolder` (a Windows path), without
// "." and "..", in search order. Files are never candidates; a folder that
// cannot be searched has none.
std::vector<std::string> rotationCandidates(const platform::Machine& machine,
                                            std::string_view programFolder);

struct RotationStep {
    std::string folder;       // the subfolder to apply; empty when there is none
    std::uint32_t stored = 0; // the next "Last Theme"
};

// With folders F1..Fn and the stored L: F(L+1) for 0 <= L < n, storing L+1;
// F1 for L = n, storing 1; F1 for L > n, storing n (so the next start takes
// F1 again and stores 1); F1 for L < 0, storing 1. With no folder the choice
// is empty and 1 is stored when L was 0, else 0. The count is not bounded.
RotationStep nextInRotation(const std::vector<std::string>& folders, std::int64_t lastTheme);

} // namespace velkan::themes
