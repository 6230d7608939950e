#pragma once

#include "platform/FatVolume.h"
#include "platform/Result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Drive C: kept in a disk image file. The machine folder's "drive_c" is then
// a regular file (or a link to one), and a host path below it names a file
// inside the image: "<machine>/drive_c/WINDOWS/WIN.INI" is WIN.INI in the
// image's WINDOWS folder. The file layer sends such paths here, so the rest
// of the product never learns whether drive C: is a folder or an image.
//
// Each operation holds the image for its duration: a lock between the
// threads of this process and a flock between processes (shared for reading,
// exclusive for writing), so that two programs working on the same machine
// never interleave their writes and never read a FAT half written by the
// other. The volume is kept open between operations and opened again when
// the image changed under it.
namespace velkan::platform::imagedrive {

// Whether `driveC` is a disk image rather than a folder: a regular file,
// directly or through a link.
bool isImage(const std::filesystem::path& driveC);

// Remembers that `driveC` (and the file it links to) is an image, so that
// host paths below it are recognised without looking at the disk again.
void attach(const std::filesystem::path& driveC);

// A host path below an image drive, split into the drive and the path inside
// the volume ("WINDOWS\WIN.INI"; empty for the root).
struct Place {
    std::filesystem::path drive;
    std::string inner;
    std::string display; // the name to put in messages
};

// The place of a host path inside an image drive; nothing for any other
// path. Paths below an attached drive are found by name alone; others only
// when a component called "drive_c" on the way is a regular file.
std::optional<Place> locate(const std::filesystem::path& hostPath, std::string display = {});

// The entry at the place; the root is a folder without a name.
Result<FatEntry> entry(const Place& place);
// The folder's entries in their order on the disk, "." and ".." where the
// folder has them.
Result<std::vector<FatEntry>> list(const Place& folder);
Result<std::string> readFile(const Place& place);
// Replaces the file's bytes, or makes the file; crash-safe as FatVolume is.
Status writeFile(const Place& place, std::string_view bytes, std::optional<DosStamp> when = {});
Status createDirectory(const Place& place);
Status removeDirectory(const Place& place);
Status deleteFile(const Place& place);
// Both places on the same image.
Status rename(const Place& from, const Place& to);
Status setAttributes(const Place& place, std::uint8_t attributes);
// Whether the image may be written by us.
bool writable(const Place& place);

// What a change detector compares: the image file's identity, size and
// times. Any write to the image changes it.
struct Stamp {
    bool present = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedNs = 0, changedNs = 0;
    bool operator==(const Stamp&) const = default;
};
Stamp stamp(const Place& place);

} // namespace velkan::platform::imagedrive
