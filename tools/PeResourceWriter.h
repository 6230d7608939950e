#pragma once

#include "tools/IconImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velkan::machine {

inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtGroupIcon = 14;
inline constexpr std::uint16_t kLangEnglishUs = 0x409;

// One resource of a PE file, identified by number (names are not needed for
// the libraries we make).
struct PeResource {
    std::uint16_t type = 0;
    std::uint16_t id = 0;
    std::uint16_t language = kLangEnglishUs;
    std::vector<std::uint8_t> data;
};

// Adds one RT_GROUP_ICON (with id `groupId`) and one RT_ICON per image, the
// icons numbered from `firstIconId` upward. Returns the next free icon id.
std::uint16_t addIconGroup(std::vector<PeResource>& resources, std::uint16_t groupId,
                           const std::vector<IconImage>& images, std::uint16_t firstIconId);

// A 32-bit Windows DLL (i386, PE32) with an MZ header program, no code and one .rsrc
// section holding `resources`: FileAlignment 0x200, SectionAlignment 0x1000,
// the directory tree sorted as Windows expects (types, ids and languages in
// ascending order).
std::vector<std::uint8_t> writePeResourceDll(const std::vector<PeResource>& resources,
                                             std::uint32_t timeDateStamp = 0x2FF35C00);

} // namespace velkan::machine
