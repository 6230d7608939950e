#pragma once

#include "platform/DiskImage.h"
#include "platform/FatFormat.h"
#include "platform/FatVolume.h"
#include "platform/Result.h"
#include "tools/MachineBuilder.h"

#include <filesystem>

// Machines whose drive C: is a disk image file rather than a folder.
namespace velkan::machine {

// Makes the machine createMachine makes, with drive_c a new raw disk image
// (see FatFormat.h) holding the same files. Built in a folder beside `root`
// and moved into place when whole, so a failure or a kill leaves `root` as it
// was: missing, or without a machine in it.
platform::Result<platform::DiskLayout> createImageMachine(const std::filesystem::path& root,
                                                          const MachineSpec& spec,
                                                          const platform::DiskFormat& disk);

// Copies a host folder tree onto the volume's root, as Windows 95 would hold
// it: each folder's subfolders before its files, times from the host, the
// attributes setup gives (MSDOS.SYS read-only, hidden and system; the
// registry's SYSTEM.DAT and USER.DAT hidden; any other file archive, and
// read-only when the host file cannot be written). Host names keep their
// spelling; those that are no 8.3 name get long names.
platform::Status copyTreeToVolume(const std::filesystem::path& folder, platform::FatVolume& volume);

struct AttachedImage {
    std::filesystem::path image; // the absolute path drive_c points at
    platform::VolumeRange range;
    platform::FatType type = platform::FatType::Fat16;
    std::uint32_t clusterSize = 0;
    std::uint32_t clusters = 0;
};

// Makes `root` the machine folder of an existing disk image: drive_c becomes
// a symbolic link to the image, whose bytes are only read, to check that it
// holds a FAT volume. Refused, with nothing made, when the image is missing,
// is no regular file or holds no FAT volume, or when `root` has a drive_c.
platform::Result<AttachedImage> attachImage(const std::filesystem::path& image,
                                            const std::filesystem::path& root);

} // namespace velkan::machine
