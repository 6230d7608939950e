#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <filesystem>
#include <optional>

// A new, empty hard disk as Windows 95's FDISK and FORMAT leave it: one active
// primary partition from sector 63 (the second head of the first cylinder)
// to the end of the last whole cylinder, holding a FAT16 volume whose cluster
// size FORMAT would choose for it.
namespace velkan::platform {

// FAT16 below 16 MB would leave FORMAT making FAT12 instead, and from 2048 MB
// on the 32 KB clusters Windows 95 allows no longer number the disk.
constexpr std::uint32_t kSmallestDiskMegabytes = 16;
constexpr std::uint32_t kLargestDiskMegabytes = 2047;

struct DiskFormat {
    std::uint32_t megabytes = 64; // of the whole image file
    // FORMAT's is taken from the date and time; a caller may fix it.
    std::optional<std::uint32_t> serial;
};

// Where the volume went, for saying what was made.
struct DiskLayout {
    std::uint64_t imageBytes = 0;
    std::uint32_t partitionStart = 63; // sectors
    std::uint32_t partitionSectors = 0;
    std::uint8_t partitionType = 0; // 0x04 below 32 MB, else 0x06
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t clusters = 0;
    std::uint32_t serial = 0;
};

// What a disk of that size gets; InvalidParameter outside the sizes above.
Result<DiskLayout> planDisk(const DiskFormat& format);

// Makes `file`, which must not exist (FileExists when it does, and it is left
// alone). The bytes go to a temporary file beside it that is renamed into
// place only when complete and flushed, and never over a file that appeared
// meanwhile, so a process killed on the way leaves no image under the name.
// The image is sparse on hosts that allow it: FORMAT writes only the boot
// sector, the FATs and the root folder, and so do we.
Result<DiskLayout> formatDiskImage(const std::filesystem::path& file, const DiskFormat& format);

} // namespace velkan::platform
