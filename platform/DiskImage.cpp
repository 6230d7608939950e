#include "platform/DiskImage.h"

#include "platform/ByteView.h"
#include "platform/FaultInjection.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velkan::platform {

namespace fs = std::filesystem;

namespace {

Error imageError(WinError code, const std::string& image, const std::string& what) {
    return Error::of(code, image + ": " + what);
}

constexpr std::uint64_t kSector = 512;

bool isFatPartitionType(std::uint8_t type) {
    switch (type) {
    case 0x01: // FAT12
    case 0x04: // FAT16 below 32 MB
    case 0x06: // FAT16
    case 0x0B: // FAT32
    case 0x0C: // FAT32, LBA
    case 0x0E: // FAT16, LBA
        return true;
    default:
        return false;
    }
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

} // namespace

ImageFile::ImageFile(ImageFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), writable_(other.writable_), size_(other.size_),
      path_(std::move(other.path_)), name_(std::move(other.name_)) {}

ImageFile& ImageFile::operator=(ImageFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        writable_ = other.writable_;
        size_ = other.size_;
        path_ = std::move(other.path_);
        name_ = std::move(other.name_);
    }
    return *this;
}

ImageFile::~ImageFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

Result<ImageFile> ImageFile::open(const fs::path& path, bool writable) {
    const std::string name = path.string();
    // O_NONBLOCK keeps a FIFO swapped in for the image from blocking the open;
    // the fstat below turns it away.
    const int flags = (writable ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        const int err = errno;
        if (err == ELOOP)
            return imageError(WinError::AccessDenied, name, "a link, not a disk image");
        return errorFromErrno(err, name);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return imageError(WinError::AccessDenied, name, "not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ImageFile image;
    image.fd_ = fd;
    image.writable_ = writable;
    image.size_ = static_cast<std::uint64_t>(st.st_size);
    image.path_ = path;
    image.name_ = name;
    return image;
}

Status ImageFile::read(std::uint64_t offset, void* data, std::size_t size) const {
    if (offset > size_ || size > size_ - offset)
        return imageError(WinError::HandleEof, name_,
                          "reading past the end of the image at byte " + std::to_string(offset));
    auto* out = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return imageError(WinError::ReadFault, name_,
                              "cannot read at byte " + std::to_string(offset + done));
        if (n == 0)
            return imageError(WinError::HandleEof, name_,
                              "the image ends at byte " + std::to_string(offset + done));
        done += static_cast<std::size_t>(n);
    }
    return {};
}

Status ImageFile::write(std::uint64_t offset, const void* data, std::size_t size) {
    if (!writable_)
        return imageError(WinError::AccessDenied, name_, "opened for reading only");
    if (offset > size_ || size > size_ - offset)
        return imageError(WinError::WriteFault, name_,
                          "writing past the end of the image at byte " + std::to_string(offset));
    const auto* in = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = -1;
        if (int err =
                faultWrite(fd_, in + done, size - done, static_cast<off_t>(offset + done), path_))
            errno = err;
        else
            n = ::pwrite(fd_, in + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            if (err == ENOSPC || err == EDQUOT)
                return imageError(WinError::DiskFull, name_, "the host disk is full");
            return imageError(WinError::WriteFault, name_,
                              "cannot write at byte " + std::to_string(offset + done));
        }
        done += static_cast<std::size_t>(n);
    }
    return {};
}

Status ImageFile::sync() {
    if (faultGuarded(FaultKind::Sync, path_, [&] { return ::fsync(fd_); }) != 0)
        return imageError(WinError::WriteFault, name_, "cannot flush the image to the disk");
    return {};
}

bool looksLikeFatBootSector(const std::uint8_t* sector) {
    const ByteView boot(sector, kSector);
    const std::uint8_t jump = boot.u8(0);
    if (jump != 0xEB && jump != 0xE9)
        return false;
    const std::uint16_t bytesPerSector = boot.u16(11);
    const std::uint8_t sectorsPerCluster = boot.u8(13);
    const std::uint8_t fats = boot.u8(16);
    const std::uint8_t media = boot.u8(21);
    return (bytesPerSector == 512 || bytesPerSector == 1024 || bytesPerSector == 2048 ||
            bytesPerSector == 4096) &&
           sectorsPerCluster != 0 && (sectorsPerCluster & (sectorsPerCluster - 1)) == 0 &&
           boot.u16(14) != 0 && fats != 0 && (media == 0xF0 || media >= 0xF8);
}

Result<VolumeRange> locateVolume(const ImageFile& image) {
    const std::string& name = image.name();
    VolumeRange range;
    std::uint64_t diskSize = image.size();

    // A fixed VHD is the raw disk with a footer; dynamic and differencing ones
    // keep their sectors elsewhere and are not drives we can write in place.
    if (diskSize >= 2 * kSector) {
        std::array<std::uint8_t, kSector> footer{};
        if (auto read = image.read(diskSize - kSector, footer.data(), kSector); !read)
            return read.error();
        if (std::equal(footer.begin(), footer.begin() + 8, "conectix")) {
            const std::uint32_t type = bigEndian32(footer.data() + 60);
            if (type != 2)
                return imageError(WinError::UnrecognizedVolume, name,
                                  "a VHD that is not of fixed size (type " + std::to_string(type) +
                                      ")");
            range.vhd = true;
            diskSize -= kSector;
        }
    }
    if (diskSize < kSector)
        return imageError(WinError::UnrecognizedVolume, name, "too small for a FAT volume");

    std::array<std::uint8_t, kSector> first{};
    if (auto read = image.read(0, first.data(), kSector); !read)
        return read.error();
    if (looksLikeFatBootSector(first.data())) {
        range.size = diskSize;
        return range;
    }
    // A sector that starts with a jump but fails the quick look is a damaged
    // boot sector rather than a partition table, whose status bytes are 0x00
    // or 0x80: FatVolume then says what is wrong with it.
    bool table = first[510] == 0x55 && first[511] == 0xAA;
    bool anyType = false;
    for (std::size_t i = 0; i < 4 && table; ++i) {
        table = (first[446 + 16 * i] & 0x7F) == 0;
        anyType = anyType || first[446 + 16 * i + 4] != 0;
    }
    table = table && (anyType || (first[0] != 0xEB && first[0] != 0xE9));
    if (!table) {
        if (first[0] != 0xEB && first[0] != 0xE9)
            return imageError(WinError::UnrecognizedVolume, name,
                              "neither a partition table nor a FAT volume at its start");
        range.size = diskSize;
        return range;
    }

    struct Partition {
        std::uint8_t type = 0;
        std::uint64_t start = 0; // sectors
        std::uint64_t count = 0;
    };
    std::array<Partition, 4> parts;
    const ByteView mbr(first.data(), kSector);
    const std::uint64_t diskSectors = diskSize / kSector;
    for (int i = 0; i < 4; ++i) {
        const std::size_t at = 446 + 16 * static_cast<std::size_t>(i);
        auto& part = parts[static_cast<std::size_t>(i)];
        part.type = mbr.u8(at + 4);
        part.start = mbr.u32(at + 8);
        part.count = mbr.u32(at + 12);
        const std::string which = "partition " + std::to_string(i + 1);
        if (part.type == 0)
            continue;
        if (part.start == 0 || part.count == 0)
            return imageError(WinError::DiskCorrupt, name,
                              "the partition table's " + which +
                                  (part.count == 0 ? " has no size" : " covers the table itself"));
        // The same words whether the table lies or the image lost its end:
        // from the bytes alone the two look alike.
        if (part.start > diskSectors || part.count > diskSectors - part.start)
            return imageError(WinError::DiskCorrupt, name,
                              "the partition table's " + which +
                                  " runs past the end of the disk: it needs " +
                                  std::to_string((part.start + part.count) * kSector) +
                                  " bytes but the image holds only " + std::to_string(diskSize) +
                                  " (cut short?)");
        for (int j = 0; j < i; ++j) {
            const auto& other = parts[static_cast<std::size_t>(j)];
            if (other.type != 0 && part.start < other.start + other.count &&
                other.start < part.start + part.count)
                return imageError(WinError::DiskCorrupt, name,
                                  "the partition table's " + which + " overlaps partition " +
                                      std::to_string(j + 1));
        }
    }

    int chosen = -1;
    for (int i = 0; i < 4 && chosen < 0; ++i)
        if (isFatPartitionType(parts[static_cast<std::size_t>(i)].type))
            chosen = i;
    for (int i = 0; i < 4 && chosen < 0; ++i) {
        const auto& part = parts[static_cast<std::size_t>(i)];
        if (part.type == 0 || part.type == 0x05 || part.type == 0x0F)
            continue;
        std::array<std::uint8_t, kSector> boot{};
        if (auto read = image.read(part.start * kSector, boot.data(), kSector); !read)
            return read.error();
        if (looksLikeFatBootSector(boot.data()))
            chosen = i;
    }
    if (chosen < 0)
        return imageError(WinError::UnrecognizedVolume, name, "no FAT partition in its table");
    const auto& part = parts[static_cast<std::size_t>(chosen)];
    range.offset = part.start * kSector;
    range.size = part.count * kSector;
    range.partition = chosen;
    return range;
}

} // namespace velkan::platform
