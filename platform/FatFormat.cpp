#include "platform/FatFormat.h"

#include "platform/AtomicFile.h"
#include "platform/FaultInjection.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace velkan::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kHeads = 16;
constexpr std::uint32_t kSectorsPerTrack = 63;
constexpr std::uint32_t kCylinderSectors = kHeads * kSectorsPerTrack;
constexpr std::uint32_t kReservedSectors = 1;
constexpr std::uint32_t kFats = 2;
constexpr std::uint32_t kRootEntries = 512;
constexpr std::uint32_t kRootSectors = kRootEntries * 32 / kSector;
constexpr std::uint8_t kMedia = 0xF8;
// FAT16 numbers clusters 2..65526 at most; 4085 and fewer make a FAT12.
constexpr std::uint32_t kFewestClusters = 4085;
constexpr std::uint32_t kMostClusters = 65524;

// FORMAT's cluster sizes for FAT16, by the volume's size in sectors: 1 KB up
// to 16 MB, 2 KB up to 128 MB, doubling with each doubling up to 32 KB.
std::uint32_t sectorsPerCluster(std::uint32_t volumeSectors) {
    struct Step {
        std::uint32_t upTo;
        std::uint32_t sectors;
    };
    constexpr Step steps[] = {{32680, 2},    {262144, 4},   {524288, 8},
                              {1048576, 16}, {2097152, 32}, {4194304, 64}};
    for (const Step& step : steps)
        if (volumeSectors <= step.upTo)
            return step.sectors;
    return 0;
}

// DOS's FORMAT mixes the date and the time of day into the serial number.
std::uint32_t serialFromClock() {
    timeval now{};
    ::gettimeofday(&now, nullptr);
    std::tm local{};
    const std::time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    const std::uint32_t hundredths = static_cast<std::uint32_t>(now.tv_usec / 10000);
    const std::uint32_t low = (static_cast<std::uint32_t>(local.tm_mon + 1) << 8 |
                               static_cast<std::uint32_t>(local.tm_mday)) +
                              (static_cast<std::uint32_t>(local.tm_sec) << 8 | hundredths);
    const std::uint32_t high = (static_cast<std::uint32_t>(local.tm_hour) << 8 |
                                static_cast<std::uint32_t>(local.tm_min)) +
                               static_cast<std::uint32_t>(local.tm_year + 1900);
    return (high & 0xFFFF) << 16 | (low & 0xFFFF);
}

void put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
    put16(at, value);
    put16(at + 2, value >> 16);
}

// A partition table's cylinder/head/sector address; past cylinder 1023 it
// stays at the last one it can name, as FDISK leaves it.
void putChs(std::uint8_t* at, std::uint32_t lba) {
    std::uint32_t cylinder = lba / kCylinderSectors;
    std::uint32_t head = lba / kSectorsPerTrack % kHeads;
    std::uint32_t sector = lba % kSectorsPerTrack + 1;
    if (cylinder > 1023) {
        cylinder = 1023;
        head = kHeads - 1;
        sector = kSectorsPerTrack;
    }
    at[0] = static_cast<std::uint8_t>(head);
    at[1] = static_cast<std::uint8_t>(sector | (cylinder >> 2 & 0xC0));
    at[2] = static_cast<std::uint8_t>(cylinder);
}

// There is no operating system on a new disk to start: the code of the
// partition table and of the boot sector say so and wait for a key, then ask
// the BIOS to try again. Both are loaded at 0:7C00.
void putStartCode(std::uint8_t* sector, std::size_t at, std::string_view message) {
    const std::uint16_t text = static_cast<std::uint16_t>(0x7C00 + at + 35);
    const std::uint8_t code[35] = {
        0xFA, // cli
        0x31,
        0xC0, // xor ax, ax
        0x8E,
        0xD0, // mov ss, ax
        0xBC,
        0x00,
        0x7C, // mov sp, 7C00h
        0xFB, // sti
        0x8E,
        0xD8, // mov ds, ax
        0xFC, // cld
        0xBE,
        static_cast<std::uint8_t>(text),
        static_cast<std::uint8_t>(text >> 8), // mov si, text
        0xBB,
        0x07,
        0x00, // mov bx, 7
        0xAC, // next: lodsb
        0x84,
        0xC0, // test al, al
        0x74,
        0x06, // jz done
        0xB4,
        0x0E, // mov ah, 0Eh
        0xCD,
        0x10, // int 10h (teletype)
        0xEB,
        0xF5, // jmp next
        0x31,
        0xC0, // done: xor ax, ax
        0xCD,
        0x16, // int 16h (wait for a key)
        0xCD,
        0x19, // int 19h (start again)
    };
    std::memcpy(sector + at, code, sizeof code);
    std::memcpy(sector + at + sizeof code, message.data(), message.size());
    sector[at + sizeof code + message.size()] = 0;
}

constexpr std::string_view kNoSystem = "\r\nThis disk holds no operating system to start.\r\n"
                                       "Press a key to try again.\r\n";

std::array<std::uint8_t, kSector> partitionTable(const DiskLayout& layout) {
    std::array<std::uint8_t, kSector> mbr{};
    putStartCode(mbr.data(), 0, kNoSystem);
    std::uint8_t* entry = mbr.data() + 446;
    entry[0] = 0x80; // active: the one the BIOS starts from
    putChs(entry + 1, layout.partitionStart);
    entry[4] = layout.partitionType;
    putChs(entry + 5, layout.partitionStart + layout.partitionSectors - 1);
    put32(entry + 8, layout.partitionStart);
    put32(entry + 12, layout.partitionSectors);
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    return mbr;
}

std::array<std::uint8_t, kSector> bootSector(const DiskLayout& layout) {
    std::array<std::uint8_t, kSector> boot{};
    std::uint8_t* b = boot.data();
    b[0] = 0xEB; // jmp short over the parameter block to the code at 3Eh
    b[1] = 0x3C;
    b[2] = 0x90;
    std::memcpy(b + 3, "MSWIN4.0", 8);
    put16(b + 11, kSector);
    b[13] = static_cast<std::uint8_t>(layout.sectorsPerCluster);
    put16(b + 14, kReservedSectors);
    b[16] = kFats;
    put16(b + 17, kRootEntries);
    if (layout.partitionSectors < 0x10000)
        put16(b + 19, layout.partitionSectors);
    else
        put32(b + 32, layout.partitionSectors);
    b[21] = kMedia;
    put16(b + 22, layout.sectorsPerFat);
    put16(b + 24, kSectorsPerTrack);
    put16(b + 26, kHeads);
    put32(b + 28, layout.partitionStart); // hidden sectors: those before the volume
    b[36] = 0x80;                         // the first hard disk
    b[38] = 0x29;                         // serial, label and type follow
    put32(b + 39, layout.serial);
    std::memcpy(b + 43, "NO NAME    ", 11);
    std::memcpy(b + 54, "FAT16   ", 8);
    putStartCode(b, 0x3E, kNoSystem);
    b[510] = 0x55;
    b[511] = 0xAA;
    return boot;
}

// The first FAT sector: cluster 0 holds the media byte, cluster 1 the end
// mark with the clean-shutdown and no-disk-error bits set; the rest are free.
std::array<std::uint8_t, kSector> firstFatSector() {
    std::array<std::uint8_t, kSector> fat{};
    put16(fat.data(), 0xFF00 | kMedia);
    put16(fat.data() + 2, 0xFFFF);
    return fat;
}

Status writeAt(int fd, std::uint64_t offset, const std::uint8_t* data, std::size_t size,
               const fs::path& file) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = -1;
        if (int err =
                faultWrite(fd, data + done, size - done, static_cast<off_t>(offset + done), file))
            errno = err;
        else
            n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errorFromErrno(errno, file.string());
        done += static_cast<std::size_t>(n);
    }
    return {};
}

Status fillImage(int fd, const DiskLayout& layout, const fs::path& file) {
    // The length first: the volume's sectors exist from the start, as on a disk.
    if (faultGuarded(FaultKind::Write, file,
                     [&] { return ::ftruncate(fd, static_cast<off_t>(layout.imageBytes)); }) != 0)
        return errorFromErrno(errno, file.string());
    const std::uint64_t volume = std::uint64_t{layout.partitionStart} * kSector;
    const auto mbr = partitionTable(layout);
    const auto boot = bootSector(layout);
    const auto fat = firstFatSector();
    if (auto s = writeAt(fd, 0, mbr.data(), mbr.size(), file); !s)
        return s;
    for (std::uint32_t copy = 0; copy < kFats; ++copy) {
        const std::uint64_t at =
            volume + (kReservedSectors + std::uint64_t{copy} * layout.sectorsPerFat) * kSector;
        if (auto s = writeAt(fd, at, fat.data(), fat.size(), file); !s)
            return s;
    }
    // The boot sector last: until it is there no tool takes the partition for
    // a volume.
    if (auto s = writeAt(fd, volume, boot.data(), boot.size(), file); !s)
        return s;
    if (faultGuarded(FaultKind::Sync, file, [&] { return ::fsync(fd); }) != 0)
        return errorFromErrno(errno, file.string());
    return {};
}

// rename() would replace a file made under the name meanwhile; this never does.
int renameNoReplace(const std::string& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // A file system without the flag: a second name refuses an existing one too.
    if (::link(from.c_str(), to.c_str()) != 0)
        return -1;
    ::unlink(from.c_str());
    return 0;
}

void syncFolder(const fs::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        faultGuarded(FaultKind::Sync, folder, [&] { return ::fsync(fd); });
        ::close(fd);
    }
}

} // namespace

Result<DiskLayout> planDisk(const DiskFormat& format) {
    if (format.megabytes < kSmallestDiskMegabytes || format.megabytes > kLargestDiskMegabytes)
        return Error::of(WinError::InvalidParameter,
                         "a FAT16 disk holds " + std::to_string(kSmallestDiskMegabytes) + " to " +
                             std::to_string(kLargestDiskMegabytes) + " MB, not " +
                             std::to_string(format.megabytes) + " MB");
    DiskLayout layout;
    layout.imageBytes = std::uint64_t{format.megabytes} << 20;
    const auto diskSectors = static_cast<std::uint32_t>(layout.imageBytes / kSector);
    layout.partitionSectors =
        diskSectors / kCylinderSectors * kCylinderSectors - layout.partitionStart;
    layout.partitionType = layout.partitionSectors < 0x10000 ? 0x04 : 0x06;
    layout.sectorsPerCluster = sectorsPerCluster(layout.partitionSectors);
    // The FAT must number every cluster the space after it holds; this rounds
    // up (it may leave a few FAT entries past the last cluster unused).
    const std::uint32_t beforeFat = kReservedSectors + kRootSectors;
    const std::uint32_t perFatSector = kSector / 2 * layout.sectorsPerCluster + kFats;
    layout.sectorsPerFat = (layout.partitionSectors - beforeFat + perFatSector - 1) / perFatSector;
    layout.clusters = (layout.partitionSectors - beforeFat - kFats * layout.sectorsPerFat) /
                      layout.sectorsPerCluster;
    if (layout.clusters < kFewestClusters || layout.clusters > kMostClusters ||
        std::uint64_t{layout.sectorsPerFat} * kSector / 2 < layout.clusters + 2)
        return Error::of(WinError::InvalidParameter,
                         std::to_string(format.megabytes) + " MB do not make a FAT16 volume");
    layout.serial = format.serial.value_or(serialFromClock());
    return layout;
}

Result<DiskLayout> formatDiskImage(const fs::path& file, const DiskFormat& format) {
    auto layout = planDisk(format);
    if (!layout)
        return Error::of(layout.error().code, file.string() + ": " + layout.error().message);
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0)
        return Error::of(WinError::FileExists, file.string() + ": already exists");

    // mkstemp opens with O_EXCL: the temporary name, too, is never one that
    // was there before. It also makes the image readable by its owner alone,
    // which suits a disk that holds someone's registry.
    std::string temp;
    const int fd = makeTemporaryFile(file, temp);
    if (fd < 0)
        return errorFromErrno(errno, file.string());
    Status status = fillImage(fd, *layout, file);
    if (::close(fd) != 0 && status)
        status = errorFromErrno(errno, file.string());
    if (status &&
        faultGuarded(FaultKind::Rename, file, [&] { return renameNoReplace(temp, file); }) != 0) {
        const int err = errno;
        status = err == EEXIST ? Error::of(WinError::FileExists, file.string() + ": already exists")
                               : errorFromErrno(err, file.string());
    }
    if (!status) {
        faultGuarded(FaultKind::Unlink, file, [&] { return ::unlink(temp.c_str()); });
        return status.error();
    }
    syncFolder(file.parent_path());
    return layout;
}

} // namespace velkan::platform
