#include "tools/ShellLink.h"

#include "tools/DibBytes.h"

namespace velkan::machine {

namespace {

using dib::poke32;
using dib::put16;
using dib::put32;

constexpr std::uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kHasName = 0x04;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kFileAttributeArchive = 0x20;
constexpr std::uint32_t kShowNormal = 1;
constexpr std::uint32_t kDriveFixed = 3;

void put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    put32(out, static_cast<std::uint32_t>(v));
    put32(out, static_cast<std::uint32_t>(v >> 32));
}

void putCString(std::vector<std::uint8_t>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}

// StringData: a 16-bit character count, then the ANSI characters unterminated.
void putCountedString(std::vector<std::uint8_t>& out, const std::string& s) {
    put16(out, static_cast<std::uint32_t>(s.size() & 0xFFFF));
    out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(s.size() & 0xFFFF));
}

std::vector<std::uint8_t> linkInfo(const ShellLinkTarget& target) {
    std::vector<std::uint8_t> volume;
    put32(volume, 0); // size, patched below
    put32(volume, kDriveFixed);
    put32(volume, target.volumeSerial);
    put32(volume, 0x10); // label offset
    putCString(volume, target.volumeLabel);
    poke32(volume, 0, static_cast<std::uint32_t>(volume.size()));

    constexpr std::uint32_t headerSize = 0x1C;
    const auto volumeAt = headerSize;
    const auto basePathAt = volumeAt + static_cast<std::uint32_t>(volume.size());
    const auto suffixAt = basePathAt + static_cast<std::uint32_t>(target.path.size() + 1);

    std::vector<std::uint8_t> out;
    put32(out, 0); // size, patched below
    put32(out, headerSize);
    put32(out, 1); // VolumeIDAndLocalBasePath
    put32(out, volumeAt);
    put32(out, basePathAt);
    put32(out, 0); // no network location
    put32(out, suffixAt);
    out.insert(out.end(), volume.begin(), volume.end());
    putCString(out, target.path);
    putCString(out, ""); // common path suffix
    poke32(out, 0, static_cast<std::uint32_t>(out.size()));
    return out;
}

} // namespace

std::vector<std::uint8_t> makeShellLink(const ShellLinkTarget& target) {
    std::uint32_t flags = kHasLinkInfo;
    if (!target.description.empty())
        flags |= kHasName;
    if (!target.workingDirectory.empty())
        flags |= kHasWorkingDir;

    std::vector<std::uint8_t> out;
    put32(out, 0x4C);
    out.insert(out.end(), kLinkClsid, kLinkClsid + 16);
    put32(out, flags);
    put32(out, kFileAttributeArchive);
    put64(out, target.fileTime);
    put64(out, target.fileTime);
    put64(out, target.fileTime);
    put32(out, target.fileSize);
    put32(out, 0); // icon index
    put32(out, kShowNormal);
    put16(out, 0); // no hot key
    put16(out, 0);
    put32(out, 0);
    put32(out, 0);

    const std::vector<std::uint8_t> info = linkInfo(target);
    out.insert(out.end(), info.begin(), info.end());
    if (flags & kHasName)
        putCountedString(out, target.description);
    if (flags & kHasWorkingDir)
        putCountedString(out, target.workingDirectory);
    put32(out, 0); // terminal block of the extra data
    return out;
}

} // namespace velkan::machine
