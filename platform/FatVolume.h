#pragma once

#include "platform/DiskImage.h"
#include "platform/Result.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A FAT12, FAT16 or FAT32 volume inside a disk image, read and written the way
// Windows 95 keeps it: 8.3 names with VFAT long names beside them, both FAT
// copies in step, FAT32's free-cluster count kept right.
//
// The image is data from outside: every offset, cluster number, chain and
// folder size read from it is checked before it is used, and a structure that
// contradicts itself fails with DiskCorrupt naming the image and what is
// wrong, before anything is written.
//
// Writes are ordered so that a process killed between any two of them leaves
// at worst clusters that no file owns (what ScanDisk calls lost clusters),
// never a file that shares clusters with another or shows bytes it never had:
// new clusters are filled, flushed and marked in the FAT before a directory
// entry points at them, and old ones are freed only after no entry does.
namespace velkan::platform {

enum class FatType { Fat12, Fat16, Fat32 };

namespace fatattr {
constexpr std::uint8_t ReadOnly = 0x01;
constexpr std::uint8_t Hidden = 0x02;
constexpr std::uint8_t System = 0x04;
constexpr std::uint8_t VolumeLabel = 0x08;
constexpr std::uint8_t Directory = 0x10;
constexpr std::uint8_t Archive = 0x20;
} // namespace fatattr

// A date and time as a FAT directory entry holds them: local time, two-second
// steps, years 1980 to 2107.
struct DosStamp {
    std::uint16_t date = 0x21; // 1 January 1980
    std::uint16_t time = 0;

    static DosStamp fromTime(std::time_t when);
    static DosStamp now() { return fromTime(std::time(nullptr)); }
    bool operator==(const DosStamp&) const = default;
};

struct FatEntry {
    std::string name;      // the long name where there is one (UTF-8), else the 8.3 name
    std::string shortName; // "README.TXT"; a long name's alias ("PROGRA~1") otherwise
    std::uint8_t attributes = 0;
    std::uint32_t size = 0;
    std::uint32_t firstCluster = 0;
    DosStamp modified;
    DosStamp created;
    std::uint16_t accessedDate = 0;

    bool directory() const { return attributes & fatattr::Directory; }
};

// The FAT is held in memory from the open on, and each operation reads the
// folders it walks afresh. One process writes at a time (the caller's lock);
// after an operation failed with a write error, open the volume again before
// the next write, since the FAT in memory may then be ahead of the disk's.
//
// Paths are relative to the volume's root, components separated by "\" or
// "/" ("WINDOWS\\WIN.INI"); "" and "\\" name the root. Names compare without
// regard to case, and a long name's 8.3 alias finds the entry as well.
class FatVolume {
public:
    // The volume locateVolume finds in the image.
    static Result<FatVolume> open(const std::filesystem::path& image, bool writable);
    static Result<FatVolume> open(ImageFile image, const VolumeRange& range);

    FatType type() const { return type_; }
    std::uint32_t clusterSize() const { return clusterBytes_; }
    std::uint32_t clusterCount() const { return clusterCount_; }
    std::uint32_t freeClusters() const { return freeCount_; }
    const VolumeRange& range() const { return range_; }
    const std::string& imageName() const { return image_.name(); }

    // A folder's entries in the order they are on the disk, "." and ".."
    // included where the folder has them; volume labels and deleted entries
    // are left out.
    Result<std::vector<FatEntry>> list(std::string_view folder) const;
    Result<FatEntry> entry(std::string_view path) const; // not for the root
    Result<std::string> readFile(std::string_view path) const;

    // Creates the file or replaces its contents. A new file gets an 8.3 entry,
    // with a long name only when the name is not a valid upper-case 8.3 one;
    // an existing one keeps its names, creation date and attributes and gains
    // the archive bit. `when` defaults to now. Needs room for the new contents
    // beside the old ones, since the old stay intact until the new are in.
    Status writeFile(std::string_view path, std::string_view bytes,
                     std::optional<DosStamp> when = {});
    Status createDirectory(std::string_view path, std::optional<DosStamp> when = {});
    Status deleteFile(std::string_view path);      // AccessDenied on a read-only file
    Status removeDirectory(std::string_view path); // DirNotEmpty unless empty
    // MoveFile: a file or a folder, within or between folders; AlreadyExists
    // when `to` exists, unless it is `from` itself under another case.
    Status rename(std::string_view from, std::string_view to);
    // Read-only, hidden, system and archive; the folder bit stays as it is.
    Status setAttributes(std::string_view path, std::uint8_t attributes);

    FatVolume(FatVolume&&) noexcept = default;
    FatVolume& operator=(FatVolume&&) noexcept = default;
    ~FatVolume();

    struct Folder;
    struct Slot;

private:
    FatVolume() = default;

    Error corrupt(const std::string& what) const;
    Error failure(WinError code, std::string_view path, const std::string& what) const;

    std::uint32_t fat(std::uint32_t cluster) const;
    void setFat(std::uint32_t cluster, std::uint32_t value);
    bool endOfChain(std::uint32_t value) const;
    std::uint32_t endMark() const;
    Result<std::vector<std::uint32_t>> chain(std::uint32_t first, std::string_view owner,
                                             std::size_t limit) const;
    Result<std::vector<std::uint32_t>> allocate(std::size_t count, std::string_view path) const;
    Status flushFat();
    Status writeFsInfo();
    std::uint64_t clusterOffset(std::uint32_t cluster) const;

    Result<Folder> loadFolder(std::uint32_t cluster, std::string_view path) const;
    Result<Folder> resolveFolder(std::string_view path) const;
    struct Target;
    // The folder, its entries and the named entry a change to `path` works
    // on; `rootCode` and `atRoot` say why the root itself cannot be changed.
    Result<Target> changeTarget(std::string_view path, WinError rootCode, const char* atRoot) const;
    Status writeFolderBytes(const Folder& folder, std::size_t offset, std::size_t length);
    struct Placement {
        std::size_t offset = 0; // of the first entry, once the folder has grown
        std::size_t grow = 0;   // clusters the folder has to grow by
        bool fits = true;
    };
    Placement plan(const Folder& folder, std::size_t count) const;
    static std::size_t entriesFor(const std::string& name);
    Status checkRoom(const Folder& folder, const std::string& name, std::size_t clusters,
                     std::string_view path) const;
    Result<std::size_t> reserveSlots(Folder& folder, std::size_t count, std::string_view path);
    Status addEntry(Folder& folder, const std::string& name, std::string_view path,
                    std::uint8_t entry[32]);
    Status removeEntry(Folder& folder, const Slot& slot);
    Status freeChain(const std::vector<std::uint32_t>& clusters);

    ImageFile image_;
    VolumeRange range_;
    FatType type_ = FatType::Fat12;
    std::uint32_t bytesPerSector_ = 512;
    std::uint32_t clusterBytes_ = 512;
    std::uint32_t fatCount_ = 2;
    std::uint32_t activeFat_ = 0;
    bool mirrored_ = true;
    std::uint64_t fatStart_ = 0;  // bytes from the volume's start
    std::uint64_t fatBytes_ = 0;  // of each copy
    std::uint64_t rootStart_ = 0; // FAT12/16: the fixed root folder
    std::uint32_t rootEntries_ = 0;
    std::uint32_t rootCluster_ = 0; // FAT32
    std::uint64_t dataStart_ = 0;
    std::uint32_t clusterCount_ = 0;
    std::uint32_t freeCount_ = 0;
    std::uint32_t nextFree_ = 2;
    std::uint64_t fsInfoOffset_ = 0; // 0: none we may update
    std::vector<std::uint8_t> fatBytesCache_;
    std::vector<std::uint32_t> dirtyFatSectors_;
};

} // namespace velkan::platform
