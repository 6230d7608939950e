#include "tools/UserImage.h"

#include "shellpatch/BuildDetection.h"
#include "shellpatch/BuildTable.h"
#include "tools/DosProgramHeader.h"
#include "tools/IconImage.h"
#include "tools/StartMenuLogo.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace velkan::machine {

using namespace shellpatch;

namespace {

std::int64_t lastIconByte() {
    std::int64_t end = 0;
    for (const auto& place : kStartIconPlaces)
        end = std::max<std::int64_t>(end, place.iconBaseOffset + place.imageBytes());
    return end;
}

} // namespace

std::size_t userFileSize(int position) {
    return roundUp(std::size_t(lastIconByte() + kBuilds.at(position).iconShift) + 10240, 512);
}

std::string makeUserImage(int position) {
    const ShellBuild& build = kBuilds.at(position);
    std::string bytes = programFiller(userFileSize(position), 0x05E4 + position);
    const std::string dosProgram = dosProgramHeader("This program requires Microsoft Windows.\r\n");
    std::copy(dosProgram.begin(), dosProgram.end(), bytes.begin());

    for (const auto& place : kStartIconPlaces) {
        const IconImage image = encodeIconImage(drawStartButtonFlag(place.size), 4);
        if (int(image.bytes.size()) != place.imageBytes())
            throw std::logic_error("icon image of " + std::to_string(place.size) +
                                   " pixels has the wrong size");
        std::copy(image.bytes.begin(), image.bytes.end(),
                  bytes.begin() + place.iconBaseOffset + build.iconShift);
    }

    // Where another build's 10x10 test would read 40 by chance, the byte is
    // changed. Only an icon header of this layout cannot change; the table puts
    // some of them on another row's test position (French 14x14 on German
    // 10x10), which matters only for a "PE" row's "US" twin, and there it
    // never happens.
    std::set<std::int32_t> otherShifts;
    for (const auto& other : kBuilds)
        if (other.iconShift != build.iconShift)
            otherShifts.insert(other.iconShift);
    const int twin = position > 0 && variantSwitch(position - 1) == position ? position - 1 : -1;
    for (std::int32_t shift : otherShifts) {
        const std::int64_t at = std::int64_t(*iconBaseOffset(kTestIconSize)) + shift;
        if (readLe32(bytes, at) != kBitmapInfoHeaderSize)
            continue;
        bool inHeader = false;
        for (const auto& place : kStartIconPlaces) {
            const std::int64_t header = place.iconBaseOffset + build.iconShift;
            inHeader = inHeader || (at + 4 > header && at < header + 40);
        }
        if (inHeader) {
            if (twin >= 0 && kBuilds[twin].iconShift == shift)
                throw std::logic_error("an icon header of build " + std::to_string(position) +
                                       " lies on its twin's test position");
            continue;
        }
        // 28 00 00 00 in the colour rows: the pixel takes its neighbour's colour.
        unsigned char& first = reinterpret_cast<unsigned char&>(bytes[at]);
        first = (first & 0xF0) | (first >> 4);
    }
    return bytes;
}

} // namespace velkan::machine
