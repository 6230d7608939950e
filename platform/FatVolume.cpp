#include "platform/FatVolume.h"

#include "platform/Text.h"

#include "platform/ByteView.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace velkan::platform {

namespace fs = std::filesystem;

// A folder read whole: its bytes and where each of them lives in the image.
struct FatVolume::Folder {
    std::uint32_t cluster = 0;           // 0: the fixed root folder of FAT12/16
    std::vector<std::uint32_t> clusters; // empty for the fixed root folder
    std::vector<std::uint8_t> bytes;
    std::string path; // for messages, "\" for the root
    bool fixedRoot = false;
};

// One entry of a folder with the long-name entries in front of it.
struct FatVolume::Slot {
    FatEntry entry;
    std::size_t first = 0;   // byte offset of its first long-name entry, or of the 8.3 one
    std::size_t shortAt = 0; // byte offset of the 8.3 entry
};

namespace {

constexpr std::size_t kEntry = 32;
// Windows never makes a folder of more entries than this, so a longer chain is
// a damaged one rather than a large folder.
constexpr std::size_t kMaxFolderBytes = 65536 * kEntry;
constexpr std::uint8_t kLongNameAttr = 0x0F;
constexpr std::size_t kMaxLongName = 255;

std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

char upper(char c) {
    return asciiUpper(c);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

std::vector<std::string> components(std::string_view path) {
    std::vector<std::string> out;
    std::string part;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!part.empty())
                out.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        out.push_back(std::move(part));
    return out;
}

std::string joinPath(const std::vector<std::string>& parts, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count && i < parts.size(); ++i)
        out += "\\" + parts[i];
    return out.empty() ? "\\" : out;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string utf16ToUtf8(const std::vector<std::uint16_t>& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t cp = units[i];
        if (cp == 0)
            break;
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        }
        appendUtf8(out, cp);
    }
    return out;
}

// UTF-16 of a UTF-8 name; nullopt when the bytes are not UTF-8.
std::optional<std::vector<std::uint16_t>> utf8ToUtf16(std::string_view text) {
    std::vector<std::uint16_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        std::uint32_t cp = 0;
        std::size_t extra = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            extra = 3;
        } else {
            return std::nullopt;
        }
        if (i + extra >= text.size() + (extra ? 0 : 1))
            return std::nullopt;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto c = static_cast<std::uint8_t>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                return std::nullopt;
            cp = cp << 6 | (c & 0x3F);
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000) || (extra == 1 && cp < 0x80) ||
            (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000))
            return std::nullopt;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<std::uint16_t>(cp));
        }
        i += extra + 1;
    }
    return out;
}

std::uint8_t shortNameChecksum(const std::uint8_t* name11) {
    std::uint8_t sum = 0;
    for (int i = 0; i < 11; ++i)
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + name11[i]);
    return sum;
}

std::string shortNameText(const std::uint8_t* e) {
    std::string base(reinterpret_cast<const char*>(e), 8);
    std::string ext(reinterpret_cast<const char*>(e + 8), 3);
    if (!base.empty() && static_cast<std::uint8_t>(base[0]) == 0x05)
        base[0] = static_cast<char>(0xE5); // 0xE5 would mark the entry deleted
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    while (!ext.empty() && ext.back() == ' ')
        ext.pop_back();
    return ext.empty() ? base : base + "." + ext;
}

bool shortNameChar(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
}

// Whether the name can be an 8.3 entry as it is spelt, upper case.
bool validShortName(std::string_view name) {
    const auto dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3)
        return false;
    if (dot != std::string_view::npos && ext.empty())
        return false;
    for (char c : base)
        if (!shortNameChar(c))
            return false;
    for (char c : ext)
        if (!shortNameChar(c))
            return false;
    return true;
}

void shortNameBytes(std::string_view name, std::uint8_t out[11]) {
    std::memset(out, ' ', 11);
    if (name == "." || name == "..") {
        std::memcpy(out, name.data(), name.size());
        return;
    }
    const auto dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot + 1);
    std::memcpy(out, base.data(), std::min<std::size_t>(base.size(), 8));
    std::memcpy(out + 8, ext.data(), std::min<std::size_t>(ext.size(), 3));
}

// The name Win32 would make of it: trailing dots and spaces go. Nullopt when
// Windows would refuse the name.
std::optional<std::string> cleanName(std::string_view name) {
    std::string out(name);
    while (!out.empty() && (out.back() == '.' || out.back() == ' '))
        out.pop_back();
    if (out.empty())
        return std::nullopt;
    for (char c : out)
        if (static_cast<std::uint8_t>(c) < 0x20 ||
            std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos)
            return std::nullopt;
    auto units = utf8ToUtf16(out);
    if (!units || units->size() > kMaxLongName)
        return std::nullopt;
    return out;
}

std::string upperAscii(std::string_view s) {
    return asciiUppercase(s);
}

// The characters of a long name an 8.3 alias can keep; the others become "_".
std::string aliasPart(std::string_view s, std::size_t max) {
    std::string out;
    for (std::size_t i = 0; i < s.size() && out.size() < max;) {
        const auto b = static_cast<std::uint8_t>(s[i]);
        if (b >= 0x80) {
            std::size_t len = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
            out += '_';
            i += len;
            continue;
        }
        const char c = upper(s[i]);
        if (c != ' ' && c != '.')
            out += shortNameChar(c) ? c : '_';
        ++i;
    }
    return out;
}

} // namespace

DosStamp DosStamp::fromTime(std::time_t when) {
    std::tm local{};
    if (!localtime_r(&when, &local) || local.tm_year < 80)
        return {};
    DosStamp stamp;
    const int year = std::min(local.tm_year - 80, 127);
    stamp.date = static_cast<std::uint16_t>(year << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
    stamp.time = static_cast<std::uint16_t>(local.tm_hour << 11 | local.tm_min << 5 |
                                            std::min(local.tm_sec, 59) / 2);
    return stamp;
}

FatVolume::~FatVolume() = default;

Error FatVolume::corrupt(const std::string& what) const {
    return Error::of(WinError::DiskCorrupt, image_.name() + ": " + what);
}

Error FatVolume::failure(WinError code, std::string_view path, const std::string& what) const {
    return Error::of(code, image_.name() + ": " + std::string(path) + ": " + what);
}

Result<FatVolume> FatVolume::open(const fs::path& image, bool writable) {
    auto file = ImageFile::open(image, writable);
    if (!file)
        return file.error();
    auto range = locateVolume(*file);
    if (!range)
        return range.error();
    return open(std::move(*file), *range);
}

Result<FatVolume> FatVolume::open(ImageFile image, const VolumeRange& range) {
    FatVolume v;
    v.image_ = std::move(image);
    v.range_ = range;
    const std::string& name = v.image_.name();
    auto bad = [&](const std::string& what) {
        return Error::of(WinError::DiskCorrupt, name + ": the FAT volume's boot sector " + what);
    };
    if (range.offset > v.image_.size() || range.size > v.image_.size() - range.offset ||
        range.size < 512)
        return Error::of(WinError::DiskCorrupt, name + ": the volume lies outside the image");
    std::array<std::uint8_t, 512> sector{};
    if (auto read = v.image_.read(range.offset, sector.data(), sector.size()); !read)
        return read.error();
    const ByteView boot(sector.data(), sector.size());
    if (boot.u8(510) != 0x55 || boot.u8(511) != 0xAA)
        return Error::of(WinError::UnrecognizedVolume,
                         name + ": no FAT boot sector where the volume starts");
    const std::uint32_t bps = boot.u16(11);
    const std::uint32_t spc = boot.u8(13);
    const std::uint32_t reserved = boot.u16(14);
    const std::uint32_t fats = boot.u8(16);
    const std::uint32_t rootEntries = boot.u16(17);
    const std::uint64_t total = boot.u16(19) ? boot.u16(19) : boot.u32(32);
    const std::uint32_t fat16Size = boot.u16(22);
    const std::uint64_t fatSize = fat16Size ? fat16Size : boot.u32(36);
    if (bps != 512 && bps != 1024 && bps != 2048 && bps != 4096)
        return bad("gives " + std::to_string(bps) + " bytes per sector");
    if (spc == 0 || (spc & (spc - 1)) != 0 || bps * spc > 65536)
        return bad("gives " + std::to_string(spc) + " sectors per cluster");
    if (reserved == 0)
        return bad("reserves no sectors for itself");
    if (fats == 0 || fats > 4)
        return bad("gives " + std::to_string(fats) + " FAT copies");
    if (fatSize == 0)
        return bad("gives FATs of no size");
    const std::uint64_t rootSectors = (rootEntries * 32ull + bps - 1) / bps;
    const std::uint64_t meta = reserved + fats * fatSize + rootSectors;
    if (total <= meta)
        return bad("leaves no room for data");
    if (total * bps > range.size)
        return Error::of(WinError::DiskCorrupt, name + ": the FAT volume needs " +
                                                    std::to_string(total * bps) +
                                                    " bytes but the image holds only " +
                                                    std::to_string(range.size) + " (cut short?)");
    const std::uint64_t clusters = (total - meta) / spc;
    if (clusters == 0)
        return bad("leaves no room for a cluster");
    v.bytesPerSector_ = bps;
    v.clusterBytes_ = bps * spc;
    v.fatCount_ = fats;
    v.fatStart_ = static_cast<std::uint64_t>(reserved) * bps;
    v.fatBytes_ = fatSize * bps;
    v.dataStart_ = meta * bps;
    // The FAT type follows from the number of clusters alone, as Windows has it.
    v.type_ = clusters < 4085 ? FatType::Fat12 : clusters < 65525 ? FatType::Fat16 : FatType::Fat32;
    if (v.type_ == FatType::Fat32) {
        if (clusters > 0x0FFFFFF5)
            return bad("gives more clusters than FAT32 can number");
        if (fat16Size != 0 || rootEntries != 0)
            return bad("mixes FAT16 and FAT32 fields");
        const std::uint16_t flags = boot.u16(40);
        v.mirrored_ = !(flags & 0x80);
        v.activeFat_ = v.mirrored_ ? 0 : (flags & 0x0F);
        if (v.activeFat_ >= fats)
            return bad("makes a missing FAT copy the active one");
        v.rootCluster_ = boot.u32(44);
        if (v.rootCluster_ < 2 || v.rootCluster_ >= clusters + 2)
            return bad("puts the root folder outside the volume");
        const std::uint32_t fsInfo = boot.u16(48);
        if (fsInfo != 0 && fsInfo != 0xFFFF && fsInfo < reserved) {
            std::array<std::uint8_t, 512> info{};
            const std::uint64_t at = range.offset + static_cast<std::uint64_t>(fsInfo) * bps;
            if (v.image_.read(at, info.data(), info.size()) && get32(info.data()) == 0x41615252 &&
                get32(info.data() + 484) == 0x61417272 && get32(info.data() + 508) == 0xAA550000)
                v.fsInfoOffset_ = static_cast<std::uint64_t>(fsInfo) * bps;
        }
    } else {
        if (rootEntries == 0 || fat16Size == 0)
            return bad("has FAT32 fields on a volume of " + std::to_string(clusters) + " clusters");
        v.rootEntries_ = rootEntries;
        v.rootStart_ = (reserved + fats * fatSize) * bps;
    }
    v.clusterCount_ = static_cast<std::uint32_t>(clusters);
    const std::uint64_t entries = clusters + 2;
    const std::uint64_t needed = v.type_ == FatType::Fat12   ? (entries * 3 + 1) / 2
                                 : v.type_ == FatType::Fat16 ? entries * 2
                                                             : entries * 4;
    if (needed > v.fatBytes_)
        return bad("gives FATs too small for the volume's clusters");
    v.fatBytesCache_.resize((needed + bps - 1) / bps * bps);
    if (auto read = v.image_.read(range.offset + v.fatStart_ + v.activeFat_ * v.fatBytes_,
                                  v.fatBytesCache_.data(), v.fatBytesCache_.size());
        !read)
        return read.error();
    for (std::uint32_t c = 2; c < entries; ++c)
        if (v.fat(c) == 0)
            ++v.freeCount_;
    return v;
}

std::uint32_t FatVolume::fat(std::uint32_t cluster) const {
    const std::uint8_t* raw = fatBytesCache_.data();
    switch (type_) {
    case FatType::Fat12: {
        const std::size_t off = cluster + cluster / 2;
        const std::uint32_t v = get16(raw + off);
        return cluster & 1 ? v >> 4 : v & 0xFFF;
    }
    case FatType::Fat16:
        return get16(raw + 2 * static_cast<std::size_t>(cluster));
    case FatType::Fat32:
        return get32(raw + 4 * static_cast<std::size_t>(cluster)) & 0x0FFFFFFF;
    }
    return 0;
}

void FatVolume::setFat(std::uint32_t cluster, std::uint32_t value) {
    const std::uint32_t old = fat(cluster);
    std::uint8_t* raw = fatBytesCache_.data();
    std::size_t off = 0, len = 0;
    switch (type_) {
    case FatType::Fat12:
        off = cluster + cluster / 2;
        len = 2;
        if (cluster & 1) {
            raw[off] = static_cast<std::uint8_t>((raw[off] & 0x0F) | (value << 4 & 0xF0));
            raw[off + 1] = static_cast<std::uint8_t>(value >> 4);
        } else {
            raw[off] = static_cast<std::uint8_t>(value);
            raw[off + 1] = static_cast<std::uint8_t>((raw[off + 1] & 0xF0) | (value >> 8 & 0x0F));
        }
        break;
    case FatType::Fat16:
        off = 2 * static_cast<std::size_t>(cluster);
        len = 2;
        put16(raw + off, value);
        break;
    case FatType::Fat32:
        off = 4 * static_cast<std::size_t>(cluster);
        len = 4;
        // The top four bits are reserved and kept as they are.
        put32(raw + off, (get32(raw + off) & 0xF0000000) | (value & 0x0FFFFFFF));
        break;
    }
    dirtyFatSectors_.push_back(static_cast<std::uint32_t>(off / bytesPerSector_));
    dirtyFatSectors_.push_back(static_cast<std::uint32_t>((off + len - 1) / bytesPerSector_));
    if (old == 0 && value != 0)
        --freeCount_;
    else if (old != 0 && value == 0)
        ++freeCount_;
}

bool FatVolume::endOfChain(std::uint32_t value) const {
    switch (type_) {
    case FatType::Fat12:
        return value >= 0xFF8;
    case FatType::Fat16:
        return value >= 0xFFF8;
    case FatType::Fat32:
        return value >= 0x0FFFFFF8;
    }
    return true;
}

std::uint32_t FatVolume::endMark() const {
    return type_ == FatType::Fat12 ? 0xFFF : type_ == FatType::Fat16 ? 0xFFFF : 0x0FFFFFFF;
}

std::uint64_t FatVolume::clusterOffset(std::uint32_t cluster) const {
    return range_.offset + dataStart_ + static_cast<std::uint64_t>(cluster - 2) * clusterBytes_;
}

Result<std::vector<std::uint32_t>> FatVolume::chain(std::uint32_t first, std::string_view owner,
                                                    std::size_t limit) const {
    std::vector<std::uint32_t> out;
    std::uint32_t c = first;
    const std::string who(owner);
    while (true) {
        if (c < 2 || c >= clusterCount_ + 2)
            return corrupt("the clusters of " + who + " lead to cluster " + std::to_string(c) +
                           ", outside the volume");
        if (out.size() >= limit)
            return corrupt(limit >= clusterCount_
                               ? "the clusters of " + who + " run in a loop"
                               : "the clusters of " + who + " run on past any folder's size");
        out.push_back(c);
        const std::uint32_t next = fat(c);
        if (endOfChain(next))
            break;
        if (next == 0)
            return corrupt("the clusters of " + who + " run into free cluster " +
                           std::to_string(c));
        c = next;
    }
    return out;
}

Result<std::vector<std::uint32_t>> FatVolume::allocate(std::size_t count,
                                                       std::string_view path) const {
    if (count > freeCount_)
        return failure(WinError::DiskFull, path,
                       "there is not enough space on the disk (" + std::to_string(count) +
                           " clusters needed, " + std::to_string(freeCount_) + " free)");
    std::vector<std::uint32_t> out;
    const std::uint32_t end = clusterCount_ + 2;
    std::uint32_t start = nextFree_ >= 2 && nextFree_ < end ? nextFree_ : 2;
    for (std::uint32_t i = 0; i < clusterCount_ && out.size() < count; ++i) {
        const std::uint32_t c = 2 + (start - 2 + i) % clusterCount_;
        if (fat(c) == 0)
            out.push_back(c);
    }
    if (out.size() < count)
        return failure(WinError::DiskFull, path, "there is not enough space on the disk");
    return out;
}

Status FatVolume::flushFat() {
    std::sort(dirtyFatSectors_.begin(), dirtyFatSectors_.end());
    dirtyFatSectors_.erase(std::unique(dirtyFatSectors_.begin(), dirtyFatSectors_.end()),
                           dirtyFatSectors_.end());
    for (std::uint32_t copy = 0; copy < fatCount_; ++copy) {
        if (!mirrored_ && copy != activeFat_)
            continue;
        const std::uint64_t base = range_.offset + fatStart_ + copy * fatBytes_;
        for (std::size_t i = 0; i < dirtyFatSectors_.size();) {
            std::size_t j = i + 1;
            while (j < dirtyFatSectors_.size() &&
                   dirtyFatSectors_[j] == dirtyFatSectors_[j - 1] + 1)
                ++j;
            const std::size_t from = std::size_t{dirtyFatSectors_[i]} * bytesPerSector_;
            const std::size_t length = (j - i) * bytesPerSector_;
            if (auto w = image_.write(base + from, fatBytesCache_.data() + from, length); !w)
                return w.error();
            i = j;
        }
    }
    dirtyFatSectors_.clear();
    return writeFsInfo();
}

Status FatVolume::writeFsInfo() {
    if (fsInfoOffset_ == 0)
        return {};
    std::array<std::uint8_t, 8> counts{};
    put32(counts.data(), freeCount_);
    put32(counts.data() + 4, nextFree_);
    return image_.write(range_.offset + fsInfoOffset_ + 488, counts.data(), counts.size());
}

Result<FatVolume::Folder> FatVolume::loadFolder(std::uint32_t cluster,
                                                std::string_view path) const {
    Folder folder;
    folder.path = std::string(path.empty() ? "\\" : path);
    if (cluster == 0 && type_ != FatType::Fat32) {
        folder.fixedRoot = true;
        folder.bytes.resize(std::size_t{rootEntries_} * kEntry);
        if (auto r =
                image_.read(range_.offset + rootStart_, folder.bytes.data(), folder.bytes.size());
            !r)
            return r.error();
        return folder;
    }
    if (cluster == 0)
        cluster = rootCluster_;
    folder.cluster = cluster;
    auto clusters = chain(cluster, "folder " + folder.path,
                          std::max<std::size_t>(1, kMaxFolderBytes / clusterBytes_));
    if (!clusters)
        return clusters.error();
    folder.clusters = std::move(*clusters);
    folder.bytes.resize(folder.clusters.size() * clusterBytes_);
    for (std::size_t i = 0; i < folder.clusters.size(); ++i)
        if (auto r = image_.read(clusterOffset(folder.clusters[i]),
                                 folder.bytes.data() + i * clusterBytes_, clusterBytes_);
            !r)
            return r.error();
    return folder;
}

namespace {

std::vector<FatVolume::Slot> parseFolder(const std::vector<std::uint8_t>& bytes);

} // namespace

Result<FatVolume::Folder> FatVolume::resolveFolder(std::string_view path) const {
    const auto parts = components(path);
    auto folder = loadFolder(0, "\\");
    if (!folder)
        return folder;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto slots = parseFolder(folder->bytes);
        const Slot* found = nullptr;
        for (const auto& slot : slots)
            if (sameName(slot.entry.name, parts[i]) || sameName(slot.entry.shortName, parts[i])) {
                found = &slot;
                break;
            }
        const std::string here = joinPath(parts, i + 1);
        if (!found || !found->entry.directory())
            return failure(WinError::PathNotFound, here, "no such folder");
        std::uint32_t cluster = found->entry.firstCluster;
        if (cluster == 0 && found->entry.shortName != "..")
            return corrupt("folder " + here + " has no clusters");
        if (type_ == FatType::Fat32 && cluster == rootCluster_)
            cluster = 0;
        folder = loadFolder(cluster, cluster == 0 ? "\\" : here);
        if (!folder)
            return folder;
    }
    return folder;
}

namespace {

std::vector<FatVolume::Slot> parseFolder(const std::vector<std::uint8_t>& bytes) {
    std::vector<FatVolume::Slot> out;
    std::vector<std::uint16_t> longName;
    int expected = 0; // the next long-name part, 0 when no long name is being read
    std::uint8_t sum = 0;
    std::size_t longStart = 0;
    for (std::size_t off = 0; off + kEntry <= bytes.size(); off += kEntry) {
        const std::uint8_t* e = bytes.data() + off;
        if (e[0] == 0x00)
            break;
        if (e[0] == 0xE5) {
            expected = 0;
            continue;
        }
        const std::uint8_t attr = e[11];
        if ((attr & 0x3F) == kLongNameAttr) {
            const int ord = e[0] & 0x1F;
            if (e[0] & 0x40) {
                expected = ord >= 1 && ord <= 20 ? ord : 0;
                sum = e[13];
                longStart = off;
                longName.assign(static_cast<std::size_t>(ord) * 13, 0xFFFF);
            } else if (expected == 0 || ord != expected - 1 || e[13] != sum) {
                expected = 0;
                continue;
            } else {
                expected = ord;
            }
            if (expected == 0)
                continue;
            static constexpr int kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
            for (int k = 0; k < 13; ++k)
                longName[static_cast<std::size_t>((ord - 1) * 13 + k)] = get16(e + kOffsets[k]);
            continue;
        }
        if (attr & fatattr::VolumeLabel) {
            expected = 0;
            continue;
        }
        FatVolume::Slot slot;
        slot.shortAt = off;
        slot.first = off;
        FatEntry& entry = slot.entry;
        entry.shortName = shortNameText(e);
        entry.name = entry.shortName;
        if (expected == 1 && sum == shortNameChecksum(e)) {
            std::string name = utf16ToUtf8(longName);
            if (!name.empty()) {
                entry.name = std::move(name);
                slot.first = longStart;
            }
        }
        expected = 0;
        entry.attributes = attr;
        entry.size = get32(e + 28);
        entry.firstCluster = static_cast<std::uint32_t>(get16(e + 20)) << 16 | get16(e + 26);
        entry.created = {get16(e + 16), get16(e + 14)};
        entry.accessedDate = get16(e + 18);
        entry.modified = {get16(e + 24), get16(e + 22)};
        out.push_back(std::move(slot));
    }
    return out;
}

const FatVolume::Slot* findSlot(const std::vector<FatVolume::Slot>& slots, std::string_view name) {
    for (const auto& slot : slots)
        if (sameName(slot.entry.name, name) || sameName(slot.entry.shortName, name))
            return &slot;
    return nullptr;
}

} // namespace

Result<std::vector<FatEntry>> FatVolume::list(std::string_view folder) const {
    auto dir = resolveFolder(folder);
    if (!dir)
        return dir.error();
    std::vector<FatEntry> out;
    for (auto& slot : parseFolder(dir->bytes))
        out.push_back(std::move(slot.entry));
    return out;
}

Result<FatEntry> FatVolume::entry(std::string_view path) const {
    auto parts = components(path);
    if (parts.empty())
        return failure(WinError::InvalidName, "\\", "the root folder has no entry");
    const std::string leaf = parts.back();
    parts.pop_back();
    auto dir = resolveFolder(joinPath(parts, parts.size()));
    if (!dir)
        return dir.error();
    const auto slots = parseFolder(dir->bytes);
    if (const Slot* slot = findSlot(slots, leaf))
        return slot->entry;
    return failure(WinError::FileNotFound, path, "no such file");
}

Result<std::string> FatVolume::readFile(std::string_view path) const {
    auto found = entry(path);
    if (!found)
        return found.error();
    if (found->directory())
        return failure(WinError::AccessDenied, path, "a folder, not a file");
    if (found->size == 0)
        return std::string();
    if (found->firstCluster == 0)
        return corrupt(std::string(path) + " has a size but no clusters");
    auto clusters = chain(found->firstCluster, path, clusterCount_);
    if (!clusters)
        return clusters.error();
    if (static_cast<std::uint64_t>(clusters->size()) * clusterBytes_ < found->size)
        return corrupt(std::string(path) + " is " + std::to_string(found->size) +
                       " bytes long but owns only " + std::to_string(clusters->size()) +
                       " clusters");
    std::string bytes(found->size, '\0');
    std::size_t done = 0;
    for (std::size_t i = 0; i < clusters->size() && done < bytes.size();) {
        std::size_t j = i + 1;
        while (j < clusters->size() && (*clusters)[j] == (*clusters)[j - 1] + 1)
            ++j;
        const std::size_t length =
            std::min<std::size_t>((j - i) * clusterBytes_, bytes.size() - done);
        if (auto r = image_.read(clusterOffset((*clusters)[i]), bytes.data() + done, length); !r)
            return r.error();
        done += length;
        i = j;
    }
    return bytes;
}

Status FatVolume::writeFolderBytes(const Folder& folder, std::size_t offset, std::size_t length) {
    // Whole sectors, as Windows writes them, so that an entry is never torn.
    const std::size_t from = offset / bytesPerSector_ * bytesPerSector_;
    const std::size_t to = std::min(folder.bytes.size(), (offset + length + bytesPerSector_ - 1) /
                                                             bytesPerSector_ * bytesPerSector_);
    for (std::size_t at = from; at < to;) {
        std::uint64_t where = 0;
        std::size_t run = 0;
        if (folder.fixedRoot) {
            where = range_.offset + rootStart_ + at;
            run = to - at;
        } else {
            where = clusterOffset(folder.clusters[at / clusterBytes_]) + at % clusterBytes_;
            run = std::min(to - at, clusterBytes_ - at % clusterBytes_);
        }
        if (auto w = image_.write(where, folder.bytes.data() + at, run); !w)
            return w.error();
        at += run;
    }
    return {};
}

FatVolume::Placement FatVolume::plan(const Folder& folder, std::size_t count) const {
    Placement out;
    std::size_t runStart = 0, run = 0;
    for (std::size_t off = 0; off + kEntry <= folder.bytes.size(); off += kEntry) {
        const std::uint8_t* e = folder.bytes.data() + off;
        if (e[0] == 0x00) {
            // Past the end mark every entry is free, whatever bytes it holds.
            if (run == 0)
                runStart = off;
            run += (folder.bytes.size() - off) / kEntry;
            break;
        }
        if (e[0] != 0xE5) {
            run = 0;
            continue;
        }
        if (run++ == 0)
            runStart = off;
        if (run == count) {
            out.offset = runStart;
            return out;
        }
    }
    if (run >= count) {
        out.offset = runStart;
        return out;
    }
    // The run of free entries at the end continues into the clusters added.
    out.offset = run > 0 ? runStart : folder.bytes.size();
    const std::size_t perCluster = clusterBytes_ / kEntry;
    out.grow = (count - run + perCluster - 1) / perCluster;
    out.fits = !folder.fixedRoot &&
               folder.bytes.size() + out.grow * std::size_t{clusterBytes_} <= kMaxFolderBytes;
    return out;
}

Result<std::size_t> FatVolume::reserveSlots(Folder& folder, std::size_t count,
                                            std::string_view path) {
    const Placement where = plan(folder, count);
    if (!where.fits)
        return failure(WinError::CannotMake, path,
                       folder.fixedRoot ? "the root folder is full" : "the folder is full");
    for (std::size_t i = 0; i < where.grow; ++i) {
        // One more cluster for the folder, zeroed before the chain reaches
        // it, and marked as the end before the folder's last cluster points
        // at it, so that the folder's chain is whole after every step.
        auto fresh = allocate(1, path);
        if (!fresh)
            return fresh.error();
        const std::uint32_t c = fresh->front();
        const std::vector<std::uint8_t> zeros(clusterBytes_, 0);
        if (auto w = image_.write(clusterOffset(c), zeros.data(), zeros.size()); !w)
            return w.error();
        if (auto s = image_.sync(); !s)
            return s.error();
        setFat(c, endMark());
        nextFree_ = c + 1 < clusterCount_ + 2 ? c + 1 : 2;
        if (auto f = flushFat(); !f)
            return f.error();
        setFat(folder.clusters.back(), c);
        if (auto f = flushFat(); !f)
            return f.error();
        if (auto s = image_.sync(); !s)
            return s.error();
        folder.clusters.push_back(c);
        folder.bytes.resize(folder.bytes.size() + clusterBytes_, 0);
    }
    return where.offset;
}

std::size_t FatVolume::entriesFor(const std::string& name) {
    if (validShortName(upperAscii(name)))
        return 1;
    return 1 + (utf8ToUtf16(name)->size() + 12) / 13;
}

Status FatVolume::checkRoom(const Folder& folder, const std::string& name, std::size_t clusters,
                            std::string_view path) const {
    const Placement where = plan(folder, entriesFor(name));
    if (!where.fits)
        return failure(WinError::CannotMake, path,
                       folder.fixedRoot ? "the root folder is full" : "the folder is full");
    if (clusters + where.grow > freeCount_)
        return failure(WinError::DiskFull, path,
                       "there is not enough space on the disk (" +
                           std::to_string(clusters + where.grow) + " clusters needed, " +
                           std::to_string(freeCount_) + " free)");
    return {};
}

Status FatVolume::addEntry(Folder& folder, const std::string& name, std::string_view path,
                           std::uint8_t entry[32]) {
    const auto slots = parseFolder(folder.bytes);
    std::string alias;
    const std::string upperName = upperAscii(name);
    // A name that fits 8.3 is stored as DOS stores it, in upper case and
    // without a long name: the files Windows 95 itself names that way have
    // none, and a long entry only to keep the case would set them apart.
    const bool plain = validShortName(upperName);
    auto taken = [&](const std::string& candidate) {
        for (const auto& slot : slots)
            if (sameName(slot.entry.shortName, candidate) || sameName(slot.entry.name, candidate))
                return true;
        return false;
    };
    if (plain) {
        alias = upperName;
    } else {
        const auto dot = name.rfind('.');
        const bool hasExt = dot != std::string::npos && dot > 0;
        std::string base = aliasPart(hasExt ? std::string_view(name).substr(0, dot) : name, 8);
        const std::string ext = hasExt ? aliasPart(std::string_view(name).substr(dot + 1), 3) : "";
        if (base.empty())
            base = "_";
        for (std::uint32_t n = 1; n < 1000000 && alias.empty(); ++n) {
            const std::string tail = "~" + std::to_string(n);
            std::string candidate = base.substr(0, 8 - tail.size()) + tail;
            if (!ext.empty())
                candidate += "." + ext;
            if (!taken(candidate))
                alias = candidate;
        }
        if (alias.empty())
            return failure(WinError::CannotMake, path, "no free short name is left");
    }
    shortNameBytes(alias, entry);
    std::vector<std::array<std::uint8_t, 32>> entries;
    if (!plain) {
        const auto units = *utf8ToUtf16(name);
        const std::size_t parts = (units.size() + 12) / 13;
        const std::uint8_t sum = shortNameChecksum(entry);
        static constexpr int kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        for (std::size_t part = parts; part >= 1; --part) {
            std::array<std::uint8_t, 32> e{};
            e[0] = static_cast<std::uint8_t>(part | (part == parts ? 0x40 : 0));
            e[11] = kLongNameAttr;
            e[13] = sum;
            for (std::size_t k = 0; k < 13; ++k) {
                const std::size_t i = (part - 1) * 13 + k;
                const std::uint16_t unit = i < units.size()    ? units[i]
                                           : i == units.size() ? 0
                                                               : 0xFFFF;
                put16(e.data() + kOffsets[k], unit);
            }
            entries.push_back(e);
        }
    }
    std::array<std::uint8_t, 32> shortEntry{};
    std::memcpy(shortEntry.data(), entry, 32);
    entries.push_back(shortEntry);

    auto at = reserveSlots(folder, entries.size(), path);
    if (!at)
        return at.error();
    // Whatever lies after the end mark must stay out of sight once the end
    // moves behind the new entries.
    const std::size_t end = *at + entries.size() * kEntry;
    bool markEnd = false;
    for (std::size_t off = *at; off < end; off += kEntry)
        markEnd = markEnd || folder.bytes[off] == 0x00;
    for (std::size_t i = 0; i < entries.size(); ++i)
        std::memcpy(folder.bytes.data() + *at + i * kEntry, entries[i].data(), kEntry);
    std::size_t length = entries.size() * kEntry;
    if (markEnd && end + kEntry <= folder.bytes.size() && folder.bytes[end] != 0x00) {
        folder.bytes[end] = 0x00;
        length += kEntry;
    }
    if (auto w = writeFolderBytes(folder, *at, length); !w)
        return w;
    return image_.sync();
}

Status FatVolume::removeEntry(Folder& folder, const Slot& slot) {
    // The 8.3 entry first: once it is gone the file is. Then the long-name
    // entries from the one nearest to it back to the first, each on its own,
    // so that a stop in between leaves the head of a long name that belongs
    // to nothing, which every checker drops, and never a fragment without it.
    for (std::size_t off = slot.shortAt + kEntry; off > slot.first;) {
        off -= kEntry;
        folder.bytes[off] = 0xE5;
        if (auto w = writeFolderBytes(folder, off, kEntry); !w)
            return w;
    }
    return image_.sync();
}

Status FatVolume::freeChain(const std::vector<std::uint32_t>& clusters) {
    if (clusters.empty())
        return {};
    for (std::uint32_t c : clusters)
        setFat(c, 0);
    if (auto f = flushFat(); !f)
        return f;
    return image_.sync();
}

namespace {

struct Split {
    std::string parent;
    std::string leaf;
};

std::optional<Split> splitPath(std::string_view path) {
    auto parts = components(path);
    if (parts.empty())
        return std::nullopt;
    Split out;
    out.leaf = parts.back();
    parts.pop_back();
    out.parent = joinPath(parts, parts.size());
    return out;
}

void stampEntry(std::uint8_t* e, DosStamp stamp, bool created) {
    if (created) {
        e[13] = 0;
        put16(e + 14, stamp.time);
        put16(e + 16, stamp.date);
    }
    put16(e + 18, stamp.date);
    put16(e + 22, stamp.time);
    put16(e + 24, stamp.date);
}

void pointEntry(std::uint8_t* e, std::uint32_t cluster, std::uint32_t size) {
    put16(e + 20, cluster >> 16);
    put16(e + 26, cluster & 0xFFFF);
    put32(e + 28, size);
}

} // namespace

// What a change to one entry works on: the folder that holds it, that
// folder's entries, and the entry named by the path's last part, if any.
struct FatVolume::Target {
    Folder dir;
    std::vector<Slot> slots;
    std::string leaf;
    std::optional<std::size_t> index;
    const Slot* slot() const { return index ? &slots[*index] : nullptr; }
};

Result<FatVolume::Target> FatVolume::changeTarget(std::string_view path, WinError rootCode,
                                                  const char* atRoot) const {
    if (!image_.writable())
        return failure(WinError::AccessDenied, path, "the image is open for reading only");
    auto split = splitPath(path);
    if (!split)
        return failure(rootCode, path, atRoot);
    auto dir = resolveFolder(split->parent);
    if (!dir)
        return dir.error();
    Target target{std::move(*dir), {}, split->leaf, std::nullopt};
    target.slots = parseFolder(target.dir.bytes);
    if (const Slot* found = findSlot(target.slots, split->leaf))
        target.index = static_cast<std::size_t>(found - target.slots.data());
    return target;
}

Status FatVolume::writeFile(std::string_view path, std::string_view bytes,
                            std::optional<DosStamp> when) {
    auto target = changeTarget(path, WinError::AccessDenied, "the root folder is not a file");
    if (!target)
        return target.error();
    if (bytes.size() > 0xFFFFFFFFu)
        return failure(WinError::DiskFull, path, "FAT holds no file of 4 GB or more");
    const Slot* existing = target->slot();
    std::optional<std::string> name;
    std::vector<std::uint32_t> oldChain;
    if (existing) {
        if (existing->entry.directory())
            return failure(WinError::AccessDenied, path, "a folder, not a file");
        if (existing->entry.attributes & fatattr::ReadOnly)
            return failure(WinError::AccessDenied, path, "the file is read-only");
        if (existing->entry.firstCluster != 0) {
            auto old = chain(existing->entry.firstCluster, path, clusterCount_);
            if (!old)
                return old.error();
            oldChain = std::move(*old);
        }
    } else {
        name = cleanName(target->leaf);
        if (!name || *name == "." || *name == "..")
            return failure(WinError::InvalidName, path, "not a name Windows allows");
    }
    const std::size_t needed = (bytes.size() + clusterBytes_ - 1) / clusterBytes_;
    // Room is checked before the first write, counting the clusters the
    // folder may have to grow by, so that a full disk changes nothing.
    if (existing && needed > freeCount_)
        return failure(WinError::DiskFull, path,
                       "there is not enough space on the disk (" + std::to_string(needed) +
                           " clusters needed, " + std::to_string(freeCount_) + " free)");
    if (!existing)
        if (auto room = checkRoom(target->dir, *name, needed, path); !room)
            return room;
    const DosStamp stamp = when ? *when : DosStamp::now();

    std::vector<std::uint32_t> fresh;
    if (needed > 0) {
        auto got = allocate(needed, path);
        if (!got)
            return got.error();
        fresh = std::move(*got);
        std::size_t done = 0;
        for (std::size_t i = 0; i < fresh.size();) {
            std::size_t j = i + 1;
            while (j < fresh.size() && fresh[j] == fresh[j - 1] + 1)
                ++j;
            std::string run(bytes.substr(
                done, std::min<std::size_t>((j - i) * clusterBytes_, bytes.size() - done)));
            done += run.size();
            run.resize((j - i) * clusterBytes_, '\0'); // no stale bytes after the end
            if (auto w = image_.write(clusterOffset(fresh[i]), run.data(), run.size()); !w)
                return w;
            i = j;
        }
        if (auto s = image_.sync(); !s)
            return s;
        for (std::size_t i = 0; i < fresh.size(); ++i)
            setFat(fresh[i], i + 1 < fresh.size() ? fresh[i + 1] : endMark());
        nextFree_ = fresh.back() + 1 < clusterCount_ + 2 ? fresh.back() + 1 : 2;
        if (auto f = flushFat(); !f)
            return f;
        if (auto s = image_.sync(); !s)
            return s;
    }
    const std::uint32_t first = fresh.empty() ? 0 : fresh.front();
    if (existing) {
        std::uint8_t* e = target->dir.bytes.data() + existing->shortAt;
        e[11] |= fatattr::Archive;
        stampEntry(e, stamp, false);
        pointEntry(e, first, static_cast<std::uint32_t>(bytes.size()));
        if (auto w = writeFolderBytes(target->dir, existing->shortAt, kEntry); !w)
            return w;
        if (auto s = image_.sync(); !s)
            return s;
        return freeChain(oldChain);
    }
    std::uint8_t e[32] = {};
    e[11] = fatattr::Archive;
    stampEntry(e, stamp, true);
    pointEntry(e, first, static_cast<std::uint32_t>(bytes.size()));
    return addEntry(target->dir, *name, path, e);
}

Status FatVolume::createDirectory(std::string_view path, std::optional<DosStamp> when) {
    auto target = changeTarget(path, WinError::AlreadyExists, "the root folder exists");
    if (!target)
        return target.error();
    if (target->slot())
        return failure(WinError::AlreadyExists, path, "already exists");
    auto name = cleanName(target->leaf);
    if (!name || *name == "." || *name == "..")
        return failure(WinError::InvalidName, path, "not a name Windows allows");
    if (auto room = checkRoom(target->dir, *name, 1, path); !room)
        return room;
    const DosStamp stamp = when ? *when : DosStamp::now();
    auto got = allocate(1, path);
    if (!got)
        return got.error();
    const std::uint32_t c = got->front();
    std::vector<std::uint8_t> cluster(clusterBytes_, 0);
    std::uint8_t* dot = cluster.data();
    std::uint8_t* dotdot = cluster.data() + kEntry;
    shortNameBytes(".", dot);
    shortNameBytes("..", dotdot);
    dot[11] = dotdot[11] = fatattr::Directory;
    stampEntry(dot, stamp, true);
    stampEntry(dotdot, stamp, true);
    pointEntry(dot, c, 0);
    // The root is cluster 0 in "..", also on FAT32 where it has a real one.
    pointEntry(dotdot, target->dir.fixedRoot || target->dir.cluster == rootCluster_ ? 0 : target->dir.cluster, 0);
    if (auto w = image_.write(clusterOffset(c), cluster.data(), cluster.size()); !w)
        return w;
    if (auto s = image_.sync(); !s)
        return s;
    setFat(c, endMark());
    nextFree_ = c + 1 < clusterCount_ + 2 ? c + 1 : 2;
    if (auto f = flushFat(); !f)
        return f;
    if (auto s = image_.sync(); !s)
        return s;
    std::uint8_t e[32] = {};
    e[11] = fatattr::Directory;
    stampEntry(e, stamp, true);
    pointEntry(e, c, 0);
    return addEntry(target->dir, *name, path, e);
}

Status FatVolume::deleteFile(std::string_view path) {
    auto target = changeTarget(path, WinError::AccessDenied, "the root folder is not a file");
    if (!target)
        return target.error();
    const Slot* slot = target->slot();
    if (!slot)
        return failure(WinError::FileNotFound, path, "no such file");
    if (slot->entry.directory())
        return failure(WinError::AccessDenied, path, "a folder, not a file");
    if (slot->entry.attributes & fatattr::ReadOnly)
        return failure(WinError::AccessDenied, path, "the file is read-only");
    std::vector<std::uint32_t> clusters;
    if (slot->entry.firstCluster != 0) {
        auto got = chain(slot->entry.firstCluster, path, clusterCount_);
        if (!got)
            return got.error();
        clusters = std::move(*got);
    }
    if (auto r = removeEntry(target->dir, *slot); !r)
        return r;
    return freeChain(clusters);
}

Status FatVolume::removeDirectory(std::string_view path) {
    auto target = changeTarget(path, WinError::AccessDenied, "the root folder cannot be removed");
    if (!target)
        return target.error();
    const Slot* slot = target->slot();
    if (!slot)
        return failure(WinError::FileNotFound, path, "no such folder");
    if (!slot->entry.directory() || slot->entry.shortName == "." || slot->entry.shortName == "..")
        return failure(WinError::AccessDenied, path, "not a folder that can be removed");
    if (slot->entry.firstCluster < 2)
        return corrupt("folder " + std::string(path) + " has no clusters");
    auto inner = loadFolder(slot->entry.firstCluster, path);
    if (!inner)
        return inner.error();
    for (const auto& child : parseFolder(inner->bytes))
        if (child.entry.shortName != "." && child.entry.shortName != "..")
            return failure(WinError::DirNotEmpty, path, "the folder is not empty");
    if (auto r = removeEntry(target->dir, *slot); !r)
        return r;
    return freeChain(inner->clusters);
}

Status FatVolume::rename(std::string_view from, std::string_view to) {
    if (!image_.writable())
        return failure(WinError::AccessDenied, from, "the image is open for reading only");
    auto source = splitPath(from);
    auto target = splitPath(to);
    if (!source || !target)
        return failure(WinError::AccessDenied, from, "the root folder cannot be moved");
    auto srcDir = resolveFolder(source->parent);
    if (!srcDir)
        return srcDir.error();
    auto srcSlots = parseFolder(srcDir->bytes);
    const Slot* found = findSlot(srcSlots, source->leaf);
    if (!found)
        return failure(WinError::FileNotFound, from, "no such file");
    const Slot slot = *found;
    if (slot.entry.shortName == "." || slot.entry.shortName == "..")
        return failure(WinError::AccessDenied, from, "a folder's own entries cannot be moved");
    auto name = cleanName(target->leaf);
    if (!name || *name == "." || *name == "..")
        return failure(WinError::InvalidName, to, "not a name Windows allows");

    // Walk to the target folder, making sure a folder is not moved into
    // itself, which would cut it and its contents off the tree.
    const auto parts = components(target->parent);
    auto dstDir = loadFolder(0, "\\");
    if (!dstDir)
        return dstDir.error();
    const std::uint32_t moved = slot.entry.directory() ? slot.entry.firstCluster : 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto stepSlots = parseFolder(dstDir->bytes);
        const Slot* step = findSlot(stepSlots, parts[i]);
        const std::string here = joinPath(parts, i + 1);
        if (!step || !step->entry.directory())
            return failure(WinError::PathNotFound, here, "no such folder");
        std::uint32_t cluster = step->entry.firstCluster;
        if (moved != 0 && cluster == moved)
            return failure(WinError::AccessDenied, to, "a folder cannot move into itself");
        if (cluster == 0 && step->entry.shortName != "..")
            return corrupt("folder " + here + " has no clusters");
        if (type_ == FatType::Fat32 && cluster == rootCluster_)
            cluster = 0;
        dstDir = loadFolder(cluster, cluster == 0 ? "\\" : here);
        if (!dstDir)
            return dstDir.error();
    }
    const bool sameFolder =
        dstDir->fixedRoot == srcDir->fixedRoot && dstDir->cluster == srcDir->cluster;
    const auto dstSlots = parseFolder(dstDir->bytes);
    if (const Slot* clash = findSlot(dstSlots, *name))
        if (!sameFolder || clash->shortAt != slot.shortAt)
            return failure(WinError::AlreadyExists, to, "already exists");
    {
        // Room in the target folder, counted as it will be once the old entry is gone.
        Folder after = sameFolder ? *srcDir : *dstDir;
        if (sameFolder)
            for (std::size_t off = slot.first; off <= slot.shortAt; off += kEntry)
                after.bytes[off] = 0xE5;
        if (auto room = checkRoom(after, *name, 0, to); !room)
            return room;
    }
    std::optional<Folder> inner;
    if (moved != 0 && !sameFolder) {
        // The moved folder's ".." is read before anything is written.
        auto loaded = loadFolder(moved, from);
        if (!loaded)
            return loaded.error();
        inner = std::move(*loaded);
    }

    std::uint8_t e[32];
    std::memcpy(e, srcDir->bytes.data() + slot.shortAt, 32);
    // The old entry goes first and the new one last, with a moved folder's
    // ".." turned to its new parent in between: a stop anywhere leaves the
    // entry where it was or lost clusters, never two entries owning the same
    // clusters or a folder whose ".." names a parent it is not in.
    if (auto r = removeEntry(*srcDir, slot); !r)
        return r;
    if (inner) {
        const std::uint32_t parent =
            dstDir->fixedRoot || dstDir->cluster == rootCluster_ ? 0 : dstDir->cluster;
        for (const auto& child : parseFolder(inner->bytes))
            if (child.entry.shortName == "..") {
                pointEntry(inner->bytes.data() + child.shortAt, parent, 0);
                if (auto w = writeFolderBytes(*inner, child.shortAt, kEntry); !w)
                    return w;
                if (auto sync = image_.sync(); !sync)
                    return sync;
                break;
            }
    }
    return addEntry(sameFolder ? *srcDir : *dstDir, *name, to, e);
}

Status FatVolume::setAttributes(std::string_view path, std::uint8_t attributes) {
    auto target = changeTarget(path, WinError::AccessDenied, "the root folder has no attributes");
    if (!target)
        return target.error();
    const Slot* slot = target->slot();
    if (!slot)
        return failure(WinError::FileNotFound, path, "no such file");
    if (slot->entry.shortName == "." || slot->entry.shortName == "..")
        return failure(WinError::AccessDenied, path, "a folder's own entries have no attributes");
    constexpr std::uint8_t kSettable =
        fatattr::ReadOnly | fatattr::Hidden | fatattr::System | fatattr::Archive;
    std::uint8_t& attr = target->dir.bytes[slot->shortAt + 11];
    const std::uint8_t next =
        static_cast<std::uint8_t>((attr & ~kSettable) | (attributes & kSettable));
    if (next == attr)
        return {};
    attr = next;
    if (auto w = writeFolderBytes(target->dir, slot->shortAt, kEntry); !w)
        return w;
    return image_.sync();
}

} // namespace velkan::platform
