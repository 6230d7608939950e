#include "platform/IconDirectory.h"

#include <cstdlib>
#include <limits>

namespace velkan::platform {

int IconDirEntry::depth() const {
    if (bitCount)
        return bitCount;
    if (colorCount == 2)
        return 1;
    if (colorCount == 16)
        return 4;
    return 8;
}

std::optional<std::vector<IconDirEntry>> readIconDirectory(ByteView bytes, IconDirForm form) {
    const std::uint16_t reserved = bytes.u16(0), type = bytes.u16(2), count = bytes.u16(4);
    if (bytes.bad() || reserved != 0 || type != 1 || count == 0)
        return std::nullopt;
    const std::size_t entrySize = form == IconDirForm::IcoFile ? 16 : 14;
    if (!bytes.has(6, entrySize * count))
        return std::nullopt;
    std::vector<IconDirEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + i * entrySize;
        IconDirEntry e;
        e.width = bytes.u8(at) ? bytes.u8(at) : 256;
        e.height = bytes.u8(at + 1) ? bytes.u8(at + 1) : 256;
        e.colorCount = bytes.u8(at + 2);
        e.planes = bytes.u16(at + 4);
        e.bitCount = bytes.u16(at + 6);
        e.bytesInRes = bytes.u32(at + 8);
        if (form == IconDirForm::IcoFile)
            e.imageOffset = bytes.u32(at + 12);
        else
            e.iconId = bytes.u16(at + 12);
        entries.push_back(e);
    }
    return entries;
}

std::size_t chooseIconEntry(const std::vector<IconDirEntry>& entries, int size, int displayDepth) {
    int bestSize = std::numeric_limits<int>::max();
    for (const auto& e : entries)
        bestSize = std::min(bestSize, std::abs(e.width - size) + std::abs(e.height - size));
    std::size_t best = 0;
    int bestDepth = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        if (std::abs(e.width - size) + std::abs(e.height - size) != bestSize)
            continue;
        const int depthDiff = std::abs(e.depth() - displayDepth);
        if (depthDiff < bestDepth) {
            bestDepth = depthDiff;
            best = i;
        }
    }
    return best;
}

} // namespace velkan::platform
