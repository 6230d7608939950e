#pragma once

#include "platform/ByteView.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace velkan::platform {

// One image of an icon as its directory describes it: the 16-byte entries of
// an .ico file and the 14-byte entries of an RT_GROUP_ICON resource.
struct IconDirEntry {
    int width = 0; // 0 in the file means 256
    int height = 0;
    int colorCount = 0;
    int planes = 0;
    int bitCount = 0;
    std::uint32_t bytesInRes = 0;
    std::uint32_t imageOffset = 0; // .ico files
    std::uint16_t iconId = 0;      // group icons: the RT_ICON resource
    // The depth the entry claims, from the colour count when the bit count is 0.
    int depth() const;
};

enum class IconDirForm { IcoFile, GroupResource };

// The 6-byte header (reserved 0, type 1) and its entries; nothing when the
// header is not an icon directory or the entries do not fit.
std::optional<std::vector<IconDirEntry>> readIconDirectory(ByteView bytes, IconDirForm form);

// The entry the system takes for an icon of `size` pixels on a display of
// `displayDepth` bits: the smallest size difference first, then the depth
// closest to the display's; the first such entry on a tie.
std::size_t chooseIconEntry(const std::vector<IconDirEntry>& entries, int size, int displayDepth);

// The large-icon size and the depth we choose images for.
inline constexpr int kLargeIconSize = 32;
inline constexpr int kDisplayDepth = 32;

} // namespace velkan::platform
