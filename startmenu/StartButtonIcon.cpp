#include "startmenu/StartButtonIcon.h"

#include "platform/Files.h"
#include "shellpatch/BuildTable.h"
#include "shellpatch/ShellFile.h"

namespace velkan::startmenu {

using shellpatch::kBitmapInfoHeaderSize;
using shellpatch::kStartIconPlaces;

namespace {
// An .ico file's header and its one directory entry come before the image.
constexpr std::int64_t kIcoImageStart = 22;
constexpr std::size_t kCopyBlock = 128;
} // namespace

platform::Result<IconLoadResult> loadStartButtonIcon(const platform::Machine& machine,
                                                     std::string_view userWorkingCopy,
                                                     std::string_view iconFile,
                                                     std::int32_t iconShift) {
    auto icon = platform::openFile(machine, iconFile, platform::OpenMode::Read);
    if (!icon)
        return icon.error();
    auto user = platform::openFile(machine, userWorkingCopy, platform::OpenMode::ReadWrite);
    if (!user)
        return user.error();

    auto testHeader = shellpatch::readInt32(
        *user, *shellpatch::iconBaseOffset(shellpatch::kTestIconSize) + iconShift);
    if (!testHeader)
        return testHeader.error();
    if (static_cast<std::uint32_t>(*testHeader) != kBitmapInfoHeaderSize)
        return IconLoadResult{IconLoad::NotRecognised, 0};

    auto headerSize = shellpatch::readInt32(*icon, kIcoImageStart);
    if (!headerSize)
        return headerSize.error();
    auto width = shellpatch::readInt32(*icon, kIcoImageStart + 4);
    if (!width)
        return width.error();
    if (auto height = shellpatch::readInt32(*icon, kIcoImageStart + 8); !height)
        return height.error();

    const shellpatch::StartIconPlace* place = nullptr;
    for (const auto& p : kStartIconPlaces)
        if (p.size == *width)
            place = &p;
    if (static_cast<std::uint32_t>(*headerSize) != kBitmapInfoHeaderSize || !place)
        return IconLoadResult{IconLoad::Rejected, 0};
    // The exact size is what shows the image is square, 16-colour and alone.
    auto fileSize = icon->size();
    if (!fileSize)
        return fileSize.error();
    if (*fileSize != static_cast<std::uint64_t>(place->icoFileSize))
        return IconLoadResult{IconLoad::Rejected, 0};

    if (auto s = icon->seek(kIcoImageStart); !s)
        return s.error();
    if (auto s = user->seek(place->iconBaseOffset + iconShift); !s)
        return s.error();
    std::uint64_t left = *fileSize - kIcoImageStart;
    while (left > 0) {
        std::size_t n = left < kCopyBlock ? static_cast<std::size_t>(left) : kCopyBlock;
        auto block = icon->read(n);
        if (!block || block->empty())
            break;
        if (auto w = user->write(*block); !w)
            return w.error();
        left -= block->size();
    }
    if (auto closed = user->close(); !closed)
        return closed.error();
    return IconLoadResult{IconLoad::Accepted, place->size};
}

} // namespace velkan::startmenu
