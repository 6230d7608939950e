#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// A machine's drive C: kept as one file holding a disk image: a raw hard disk
// whose partition table names the volume, the same disk as a fixed-size VHD
// (a 512-byte footer after the raw bytes), or a bare FAT volume. The image is
// read and written in place, without root and without mounting it.
namespace velkan::platform {

// The image file, opened without following a link and only when it is a
// regular file: a link or a device named drive_c must not have its bytes
// written by us. Every failure names the image.
class ImageFile {
public:
    ImageFile() = default;
    ImageFile(ImageFile&& other) noexcept;
    ImageFile& operator=(ImageFile&& other) noexcept;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ~ImageFile();

    static Result<ImageFile> open(const std::filesystem::path& path, bool writable);

    const std::string& name() const { return name_; }
    const std::filesystem::path& path() const { return path_; }
    std::uint64_t size() const { return size_; }
    bool writable() const { return writable_; }

    // Exactly `size` bytes or an error: HandleEof past the end, ReadFault else.
    Status read(std::uint64_t offset, void* data, std::size_t size) const;
    // Through the fault-injection checkpoint; never past the end of the file,
    // so that an image never grows behind the back of its partition table.
    Status write(std::uint64_t offset, const void* data, std::size_t size);
    Status sync();

private:
    int fd_ = -1;
    bool writable_ = false;
    std::uint64_t size_ = 0;
    std::filesystem::path path_;
    std::string name_;
};

// Where the FAT volume lies inside an image.
struct VolumeRange {
    std::uint64_t offset = 0; // bytes from the start of the file
    std::uint64_t size = 0;   // bytes the volume may use
    bool vhd = false;         // a fixed VHD: the last 512 bytes are its footer
    int partition = -1;       // 0..3 in the partition table, -1 for a bare volume
};

// The volume of drive C:: the first partition of a FAT type, else the first
// whose boot sector is a FAT one, else a bare volume at the start. A table
// that lies (a partition past the end, two that overlap, one of no size)
// fails with DiskCorrupt rather than being guessed around; an image with no
// FAT volume fails with UnrecognizedVolume.
Result<VolumeRange> locateVolume(const ImageFile& image);

// Whether 512 bytes look like the boot sector of a FAT volume: a plausible
// BIOS parameter block, not yet the full check FatVolume makes.
bool looksLikeFatBootSector(const std::uint8_t* sector);

} // namespace velkan::platform
