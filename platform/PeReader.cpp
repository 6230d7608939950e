#include "platform/IconResources.h"

#include <algorithm>

namespace velkan::platform {

namespace {

constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kNameIsString = 0x80000000u;
constexpr std::size_t kResourceDirectoryIndex = 2;

struct Section {
    std::uint32_t virtualAddress = 0, rawSize = 0, rawPointer = 0;
};

struct DirEntry {
    std::uint32_t name = 0;
    std::uint32_t target = 0;
    bool named() const { return (name & kNameIsString) != 0; }
    bool subdirectory() const { return (target & kSubdirectory) != 0; }
    std::uint32_t offset() const { return target & ~kSubdirectory; }
};

class PeImage {
public:
    PeImage(ByteView file, std::vector<Section> sections)
        : file_(file), sections_(std::move(sections)) {}

    // The file bytes that an RVA range is loaded from, or a bad view.
    ByteView at(std::uint32_t rva, std::uint32_t size) const {
        for (const auto& s : sections_) {
            if (rva < s.virtualAddress)
                continue;
            const std::uint64_t into = rva - s.virtualAddress;
            if (into >= s.rawSize || size > s.rawSize - into)
                continue;
            return file_.sub(s.rawPointer + into, size);
        }
        return file_.sub(file_.size(), 1);
    }
    // Everything the section holding `rva` carries in the file from there on.
    ByteView rest(std::uint32_t rva) const {
        for (const auto& s : sections_) {
            if (rva < s.virtualAddress || rva - s.virtualAddress >= s.rawSize)
                continue;
            const std::uint32_t into = rva - s.virtualAddress;
            return file_.sub(static_cast<std::uint64_t>(s.rawPointer) + into, s.rawSize - into);
        }
        return file_.sub(file_.size(), 1);
    }

private:
    ByteView file_;
    std::vector<Section> sections_;
};

// The entries of one directory of the resource tree, named ones first as the
// resource functions enumerate them.
std::optional<std::vector<DirEntry>> readDirectory(ByteView tree, std::uint32_t offset) {
    const std::size_t count =
        static_cast<std::size_t>(tree.u16(offset + 12)) + tree.u16(offset + 14);
    if (tree.bad() || !tree.has(offset + 16, count * 8))
        return std::nullopt;
    std::vector<DirEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        entries.push_back({tree.u32(offset + 16 + i * 8), tree.u32(offset + 20 + i * 8)});
    std::stable_partition(entries.begin(), entries.end(),
                          [](const DirEntry& e) { return e.named(); });
    return entries;
}

// The data of a resource, whatever its language: the first language listed.
std::optional<ByteView> resourceData(const PeImage& image, ByteView tree, const DirEntry& name) {
    if (!name.subdirectory())
        return std::nullopt;
    auto languages = readDirectory(tree, name.offset());
    if (!languages || languages->empty() || languages->front().subdirectory())
        return std::nullopt;
    const std::uint32_t leaf = languages->front().offset();
    const std::uint32_t rva = tree.u32(leaf), size = tree.u32(leaf + 4);
    if (tree.bad())
        return std::nullopt;
    ByteView data = image.at(rva, size);
    if (data.bad())
        return std::nullopt;
    return data;
}

} // namespace

std::optional<std::uint32_t> newHeaderOffset(ByteView file) {
    if (file.u8(0) != 'M' || file.u8(1) != 'Z')
        return std::nullopt;
    const std::uint32_t offset = file.u32(0x3C);
    if (file.bad() || !file.has(offset, 4))
        return std::nullopt;
    return offset;
}

std::optional<IconResources> readPeIconResources(ByteView file) {
    auto pe = newHeaderOffset(file);
    if (!pe || file.u32(*pe) != 0x00004550u)
        return std::nullopt;
    const std::size_t coff = *pe + 4;
    const std::size_t sectionCount = file.u16(coff + 2);
    const std::size_t optionalSize = file.u16(coff + 16);
    const std::size_t optional = coff + 20;
    const std::uint16_t magic = file.u16(optional);
    if (file.bad() || (magic != 0x10B && magic != 0x20B))
        return std::nullopt;
    const std::size_t directoryCountAt = optional + (magic == 0x10B ? 92 : 108);
    const std::uint32_t directoryCount = file.u32(directoryCountAt);
    if (file.bad())
        return std::nullopt;
    IconResources out;
    if (directoryCount <= kResourceDirectoryIndex ||
        directoryCountAt + 4 + (kResourceDirectoryIndex + 1) * 8 > optional + optionalSize)
        return out;
    const std::uint32_t resourceRva = file.u32(directoryCountAt + 4 + kResourceDirectoryIndex * 8);

    std::vector<Section> sections;
    const std::size_t table = optional + optionalSize;
    if (!file.has(table, sectionCount * 40))
        return std::nullopt;
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = table + i * 40;
        sections.push_back({file.u32(at + 12), file.u32(at + 16), file.u32(at + 20)});
    }
    if (resourceRva == 0 || file.bad())
        return out;
    PeImage image(file, std::move(sections));
    ByteView tree = image.rest(resourceRva);
    if (tree.bad())
        return out;

    auto types = readDirectory(tree, 0);
    if (!types)
        return out;
    for (const auto& type : *types) {
        if (type.named() || !type.subdirectory())
            continue;
        const std::uint32_t id = type.name;
        if (id != kRtIcon && id != kRtGroupIcon)
            continue;
        auto names = readDirectory(tree, type.offset());
        if (!names)
            continue;
        for (const auto& name : *names) {
            auto data = resourceData(image, tree, name);
            if (id == kRtGroupIcon) {
                // A group whose data cannot be found still counts, as it
                // does for the system; extracting it gives no icon.
                out.groups.push_back(data ? *data : file.sub(file.size(), 1));
            } else if (data && !name.named() && name.name <= 0xFFFF) {
                out.icons.emplace(static_cast<std::uint16_t>(name.name), *data);
            }
        }
    }
    return out;
}

} // namespace velkan::platform
