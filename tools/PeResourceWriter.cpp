#include "tools/PeResourceWriter.h"

#include "tools/DibBytes.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace velkan::machine {

namespace {

using dib::poke16;
using dib::poke32;
using dib::put16;
using dib::put32;

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kPeOffset = 0x80;
constexpr std::uint32_t kRsrcRva = 0x1000;
constexpr std::uint32_t kImageBase = 0x7FCF0000;

std::uint32_t alignUp(std::uint32_t v, std::uint32_t a) {
    return (v + a - 1) / a * a;
}

// A real-mode program that prints a line and ends, as every Windows
// executable carries for people who start it from DOS.
void putDosProgramHeader(std::vector<std::uint8_t>& out) {
    out.resize(kPeOffset, 0);
    const std::uint8_t header[] = {'M',  'Z', 0x90, 0,    3, 0, 0, 0, 4, 0, 0, 0,    0xFF,
                                   0xFF, 0,   0,    0xB8, 0, 0, 0, 0, 0, 0, 0, 0x40, 0};
    std::memcpy(out.data(), header, sizeof header);
    poke32(out, 0x3C, kPeOffset);
    // push cs; pop ds; mov dx, message; mov ah, 9; int 21h; mov ax, 4C01h; int 21h
    const std::uint8_t code[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                                 0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    std::memcpy(out.data() + 0x40, code, sizeof code);
    const char message[] = "This library needs Microsoft Windows.\r\r\n$";
    std::memcpy(out.data() + 0x40 + sizeof code, message, sizeof message - 1);
}

struct ResourceTree {
    // type -> id -> language -> data
    std::map<std::uint16_t, std::map<std::uint16_t, std::map<std::uint16_t, const PeResource*>>>
        types;
};

void putDirectoryHeader(std::vector<std::uint8_t>& out, std::size_t idEntries) {
    put32(out, 0); // characteristics
    put32(out, 0); // time stamp
    put16(out, 0); // version
    put16(out, 0);
    put16(out, 0); // named entries
    put16(out, static_cast<std::uint32_t>(idEntries));
}

// The .rsrc section: all directory tables first (root, then types, then ids),
// then the data entries, then the data, each piece aligned to 8 bytes.
std::vector<std::uint8_t> buildRsrc(const std::vector<PeResource>& resources) {
    ResourceTree tree;
    for (const auto& r : resources)
        tree.types[r.type][r.id][r.language] = &r;

    std::size_t idDirectories = 0, leaves = 0, typeEntries = 0;
    for (const auto& [type, ids] : tree.types) {
        typeEntries += ids.size();
        idDirectories += ids.size();
        for (const auto& [id, langs] : ids)
            leaves += langs.size();
    }
    const std::size_t rootSize = 16 + 8 * tree.types.size();
    const std::size_t typeDirsSize = 16 * tree.types.size() + 8 * typeEntries;
    const std::size_t idDirsSize = 16 * idDirectories + 8 * leaves;
    const auto dataEntriesAt = static_cast<std::uint32_t>(
        alignUp(static_cast<std::uint32_t>(rootSize + typeDirsSize + idDirsSize), 8));
    std::uint32_t dataAt = alignUp(dataEntriesAt + 16 * static_cast<std::uint32_t>(leaves), 8);

    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> entries;
    std::vector<std::uint8_t> data;

    putDirectoryHeader(out, tree.types.size());
    auto nextTypeDir = static_cast<std::uint32_t>(rootSize);
    for (const auto& [type, ids] : tree.types) {
        put32(out, type);
        put32(out, 0x80000000u | nextTypeDir);
        nextTypeDir += 16 + 8 * static_cast<std::uint32_t>(ids.size());
    }
    auto nextIdDir = static_cast<std::uint32_t>(rootSize + typeDirsSize);
    for (const auto& [type, ids] : tree.types) {
        putDirectoryHeader(out, ids.size());
        for (const auto& [id, langs] : ids) {
            put32(out, id);
            put32(out, 0x80000000u | nextIdDir);
            nextIdDir += 16 + 8 * static_cast<std::uint32_t>(langs.size());
        }
    }
    std::uint32_t leaf = 0;
    for (const auto& [type, ids] : tree.types)
        for (const auto& [id, langs] : ids) {
            putDirectoryHeader(out, langs.size());
            for (const auto& [lang, resource] : langs) {
                put32(out, lang);
                put32(out, dataEntriesAt + 16 * leaf++);
                put32(entries, kRsrcRva + dataAt + static_cast<std::uint32_t>(data.size()));
                put32(entries, static_cast<std::uint32_t>(resource->data.size()));
                put32(entries, 0); // code page
                put32(entries, 0);
                data.insert(data.end(), resource->data.begin(), resource->data.end());
                data.resize(alignUp(static_cast<std::uint32_t>(data.size()), 8), 0);
            }
        }
    out.resize(dataEntriesAt, 0);
    out.insert(out.end(), entries.begin(), entries.end());
    out.resize(dataAt, 0);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// The PE image checksum: 16-bit one's-complement-style sum of the file with the
// checksum field taken as zero, plus the file length.
std::uint32_t peChecksum(const std::vector<std::uint8_t>& file, std::size_t checksumAt) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 1 < file.size(); i += 2) {
        if (i == checksumAt || i == checksumAt + 2)
            continue;
        sum += file[i] | (file[i + 1] << 8);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    if (file.size() % 2)
        sum += file.back();
    sum = (sum & 0xFFFF) + (sum >> 16);
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

} // namespace

std::uint16_t addIconGroup(std::vector<PeResource>& resources, std::uint16_t groupId,
                           const std::vector<IconImage>& images, std::uint16_t firstIconId) {
    PeResource group{kRtGroupIcon, groupId, kLangEnglishUs, {}};
    put16(group.data, 0);
    put16(group.data, 1);
    put16(group.data, static_cast<std::uint32_t>(images.size()));
    std::uint16_t iconId = firstIconId;
    for (const auto& image : images) {
        group.data.push_back(static_cast<std::uint8_t>(image.width));
        group.data.push_back(static_cast<std::uint8_t>(image.height));
        group.data.push_back(iconColourCount(image.bitCount));
        group.data.push_back(0);
        put16(group.data, 1);
        put16(group.data, static_cast<std::uint32_t>(image.bitCount));
        put32(group.data, static_cast<std::uint32_t>(image.bytes.size()));
        put16(group.data, iconId);
        resources.push_back({kRtIcon, iconId, kLangEnglishUs, image.bytes});
        ++iconId;
    }
    resources.push_back(std::move(group));
    return iconId;
}

std::vector<std::uint8_t> writePeResourceDll(const std::vector<PeResource>& resources,
                                             std::uint32_t timeDateStamp) {
    const std::vector<std::uint8_t> rsrc = buildRsrc(resources);
    const auto rsrcSize = static_cast<std::uint32_t>(rsrc.size());
    const std::uint32_t rawSize = alignUp(rsrcSize, kFileAlignment);
    const std::uint32_t headersSize = alignUp(kPeOffset + 4 + 20 + 224 + 40, kFileAlignment);

    std::vector<std::uint8_t> out;
    putDosProgramHeader(out);
    out.insert(out.end(), {'P', 'E', 0, 0});
    // COFF file header.
    put16(out, 0x14C); // i386
    put16(out, 1);     // one section
    put32(out, timeDateStamp);
    put32(out, 0);
    put32(out, 0);
    put16(out, 224);
    // executable image, line numbers and local symbols stripped, 32-bit, DLL
    put16(out, 0x0002 | 0x0004 | 0x0008 | 0x0100 | 0x2000);

    // Optional header (PE32).
    put16(out, 0x10B);
    out.push_back(2); // linker version
    out.push_back(50);
    put32(out, 0); // size of code
    put32(out, rawSize);
    put32(out, 0);
    put32(out, 0); // no entry point: a resource-only library
    put32(out, kRsrcRva);
    put32(out, kRsrcRva);
    put32(out, kImageBase);
    put32(out, kSectionAlignment);
    put32(out, kFileAlignment);
    put16(out, 4); // operating system 4.0
    put16(out, 0);
    put16(out, 4); // image 4.0
    put16(out, 0);
    put16(out, 4); // subsystem 4.0
    put16(out, 0);
    put32(out, 0);
    put32(out, kRsrcRva + alignUp(rsrcSize, kSectionAlignment)); // size of image
    put32(out, headersSize);
    const std::size_t checksumAt = out.size();
    put32(out, 0);
    put16(out, 2); // Windows GUI
    put16(out, 0);
    put32(out, 0x100000);
    put32(out, 0x1000);
    put32(out, 0x100000);
    put32(out, 0x1000);
    put32(out, 0);
    put32(out, 16);
    for (int i = 0; i < 16; ++i) {
        put32(out, i == 2 ? kRsrcRva : 0);
        put32(out, i == 2 ? rsrcSize : 0);
    }

    // Section table.
    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    out.insert(out.end(), name, name + 8);
    put32(out, rsrcSize);
    put32(out, kRsrcRva);
    put32(out, rawSize);
    put32(out, headersSize);
    put32(out, 0);
    put32(out, 0);
    put16(out, 0);
    put16(out, 0);
    put32(out, 0x40000040); // initialised data, readable

    out.resize(headersSize, 0);
    out.insert(out.end(), rsrc.begin(), rsrc.end());
    out.resize(headersSize + rawSize, 0);
    poke32(out, checksumAt, peChecksum(out, checksumAt));
    return out;
}

} // namespace velkan::machine
