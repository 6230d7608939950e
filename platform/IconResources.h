#pragma once

#include "platform/ByteView.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace velkan::platform {

// The icon resources of an executable module: its RT_GROUP_ICON resources in
// the order ExtractIcon counts them, and its RT_ICON resources by number.
// The views point into the file's bytes.
struct IconResources {
    std::vector<ByteView> groups;
    std::map<std::uint16_t, ByteView> icons;
};

inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtGroupIcon = 14;

// "MZ" with a new header at the offset stored at 0x3C; the offset when it
// lies inside the file.
std::optional<std::uint32_t> newHeaderOffset(ByteView file);

// A 32-bit (PE32) or 64-bit (PE32+) Windows module. Nothing when the file
// is not one; a module without resources gives empty lists.
std::optional<IconResources> readPeIconResources(ByteView file);

// A 16-bit Windows module (NE): Windows 3.x programs, libraries, .ICL files.
std::optional<IconResources> readNeIconResources(ByteView file);

} // namespace velkan::platform
