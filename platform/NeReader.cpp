#include "platform/IconResources.h"

#include <algorithm>

namespace velkan::platform {

namespace {
constexpr std::uint16_t kIntegerId = 0x8000;
// Alignment shifts above this would place resources beyond any 16-bit file.
constexpr std::uint16_t kMaxAlignShift = 24;
} // namespace

std::optional<IconResources> readNeIconResources(ByteView file) {
    auto ne = newHeaderOffset(file);
    if (!ne || file.u8(*ne) != 'N' || file.u8(*ne + 1) != 'E')
        return std::nullopt;
    const std::size_t tableOffset = *ne + static_cast<std::size_t>(file.u16(*ne + 0x24));
    const std::size_t residentNames = *ne + static_cast<std::size_t>(file.u16(*ne + 0x26));
    if (file.bad())
        return std::nullopt;
    IconResources out;
    // An empty resource table starts where the resident-name table does.
    if (tableOffset == residentNames)
        return out;
    const std::uint16_t shift = file.u16(tableOffset);
    if (file.bad() || shift > kMaxAlignShift)
        return std::nullopt;

    // TYPEINFO records, each followed by its NAMEINFO records, up to a type of 0.
    // Every record moves forward, so a lying count ends at the end of the file.
    std::size_t at = tableOffset + 2;
    for (;;) {
        const std::uint16_t type = file.u16(at);
        if (file.bad())
            return std::nullopt;
        if (type == 0)
            break;
        const std::size_t count = file.u16(at + 2);
        at += 8;
        if (!file.has(at, count * 12))
            return std::nullopt;
        for (std::size_t i = 0; i < count; ++i, at += 12) {
            const std::uint64_t offset = static_cast<std::uint64_t>(file.u16(at)) << shift;
            const std::uint64_t length = static_cast<std::uint64_t>(file.u16(at + 2)) << shift;
            const std::uint16_t id = file.u16(at + 6);
            // The length is rounded up to the alignment; the last resource
            // of a file may end before that.
            const std::uint64_t available = offset < file.size() ? file.size() - offset : 0;
            ByteView data = offset < file.size() ? file.sub(offset, std::min(length, available))
                                                 : file.sub(file.size(), 1);
            if (type == (kIntegerId | kRtGroupIcon))
                out.groups.push_back(data);
            else if (type == (kIntegerId | kRtIcon) && (id & kIntegerId) && !data.bad())
                out.icons.emplace(static_cast<std::uint16_t>(id & ~kIntegerId), data);
        }
    }
    return out;
}

} // namespace velkan::platform
