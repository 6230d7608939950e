#include "startmenu/LogoLoader.h"

#include "platform/Files.h"
#include "shellpatch/BuildTable.h"
#include "shellpatch/ShellFile.h"

namespace velkan::startmenu {

using namespace shellpatch;

namespace {
constexpr std::int64_t kInfoHeaderStart = 14; // after BITMAPFILEHEADER
constexpr std::int64_t kPaletteStart = 54;    // the palette right after the 40-byte header
constexpr std::int32_t kBiRle4 = 2;
} // namespace

platform::Result<LogoLoadResult> loadLogo(const platform::Machine& machine,
                                          std::string_view shellWorkingCopy,
                                          std::string_view bitmapFile, std::int32_t logoOffset) {
    auto shell = platform::openFile(machine, shellWorkingCopy, platform::OpenMode::ReadWrite);
    if (!shell)
        return shell.error();
    auto bitmap = platform::openFile(machine, bitmapFile, platform::OpenMode::Read);
    if (!bitmap)
        return bitmap.error();

    std::int32_t words[5];
    for (int i = 0; i < 5; ++i) {
        auto w = readInt32(*bitmap, kInfoHeaderStart + 4 * i);
        if (!w)
            return w.error();
        words[i] = *w;
    }
    const std::uint32_t headerSize = static_cast<std::uint32_t>(words[0]);
    const std::int32_t width = words[1], height = words[2];
    const std::uint32_t bitCount = static_cast<std::uint32_t>(words[3]) >> 16;
    const std::int32_t compression = words[4];
    if (headerSize != kBitmapInfoHeaderSize || width != kLogoWidth || height > kLogoMaxHeight ||
        (bitCount & 0xF) != 4)
        return LogoLoadResult{};

    char compressionByte = compression == kBiRle4 ? 2 : 0;
    if (auto s = shell->seek(logoOffset + kLogoCompression); !s)
        return s.error();
    if (auto w = shell->write(std::string_view(&compressionByte, 1)); !w)
        return w.error();

    // The palette and rows go in as one piece, cut at the end of the area;
    // a shorter file leaves the rest of the old rows as they were.
    auto total = bitmap->size();
    if (!total)
        return total.error();
    const std::int64_t room = -kLogoPalette + kLogoBitsSize;
    std::int64_t available = static_cast<std::int64_t>(*total) - kPaletteStart;
    std::int64_t count = available < 0 ? 0 : (available < room ? available : room);
    int written = 0;
    if (count > 0) {
        if (auto s = bitmap->seek(kPaletteStart); !s)
            return s.error();
        auto bytes = bitmap->read(static_cast<std::size_t>(count));
        if (!bytes)
            return bytes.error();
        if (auto s = shell->seek(logoOffset + kLogoPalette); !s)
            return s.error();
        if (auto w = shell->write(*bytes); !w)
            return w.error();
        written = static_cast<int>(count);
    }
    if (auto closed = shell->close(); !closed)
        return closed.error();
    return LogoLoadResult{true, height, written};
}

} // namespace velkan::startmenu
