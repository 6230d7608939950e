#include "tools/ExplorerImage.h"

#include "shellpatch/BuildDetection.h"
#include "shellpatch/BuildTable.h"
#include "tools/Bitmap16.h"
#include "tools/BuildTexts.h"
#include "tools/DosProgramHeader.h"
#include "tools/StartMenuLogo.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace velkan::machine {

using namespace shellpatch;

namespace {

struct Span {
    std::int64_t begin, end;
    bool contains(std::int64_t at) const { return at >= begin && at < end; }
    bool overlaps(std::int64_t b, std::int64_t e) const { return b < end && begin < e; }
};

std::int64_t lastByteUsed(const ShellBuild& build) {
    std::int64_t end = std::max<std::int64_t>(build.startText.end(), build.tooltip.end());
    end = std::max<std::int64_t>(end, build.logoOffset + kLogoBitsSize);
    for (const auto& field : build.captions)
        end = std::max<std::int64_t>(end, field.end());
    return end;
}

// The bytes that carry meaning for the build: its texts, the value in front of
// Programs and the bitmap header. These must never change.
std::vector<Span> meaningfulBytes(const ShellBuild& build) {
    std::vector<Span> spans{
        {build.startText.offset, build.startText.end()},
        {build.tooltip.offset, build.tooltip.end()},
        {build.caption(Entry::Programs).offset - 2, build.caption(Entry::Programs).offset},
        {build.logoOffset + kLogoHeaderSize, build.logoOffset + kLogoPalette}};
    for (const auto& field : build.captions)
        if (field.present())
            spans.push_back({field.offset, field.end()});
    return spans;
}

} // namespace

std::size_t explorerFileSize(int position) {
    return roundUp(std::size_t(lastByteUsed(kBuilds.at(position))) + 40960, 512);
}

void putTextField(std::string& bytes, std::size_t offset, int length, std::u16string_view text) {
    for (int i = 0; i < length; ++i)
        putLe16(bytes, offset + 2 * i, i < int(text.size()) ? text[i] : u'\0');
}

std::string makeExplorerImage(int position) {
    return makeExplorerImage(position, drawStartMenuLogo());
}

std::string makeExplorerImage(int position, const Canvas& logo) {
    const ShellBuild& build = kBuilds.at(position);
    const BuildTexts& texts = buildTexts(position);

    std::string bytes = programFiller(explorerFileSize(position), 0xE0 + position);
    const std::string dosProgram = dosProgramHeader("This program cannot be run in DOS mode.\r\r\n");
    std::copy(dosProgram.begin(), dosProgram.end(), bytes.begin());

    putTextField(bytes, build.startText.offset, build.startText.length, texts.startText);
    putTextField(bytes, build.tooltip.offset, build.tooltip.length, texts.tooltip);
    for (const auto& entry : kStartMenuEntries) {
        TextField field = build.caption(entry.entry);
        if (field.present())
            putTextField(bytes, field.offset, field.length, texts.caption(entry.entry));
    }
    putLe16(bytes, build.caption(Entry::Programs).offset - 2, 1);

    const std::vector<std::uint8_t> dib = encodeDib16(logo, Dither::Ordered);
    std::copy(dib.begin(), dib.end(), bytes.begin() + build.logoOffset + kLogoHeaderSize);

    // No other row may read as this file's build.
    const std::vector<Span> fixed = meaningfulBytes(build);
    const Span pixels{build.logoOffset, build.logoOffset + kLogoBitsSize};
    for (const auto& other : kBuilds) {
        if (other.logoOffset == build.logoOffset || !logoHeaderMatches(bytes, other))
            continue;
        const std::int64_t at = other.logoOffset + kLogoHeaderSize;
        for (const Span& span : fixed)
            if (span.overlaps(at, at + 4))
                throw std::logic_error("the texts of build " + std::to_string(position) +
                                       " read as the logo header of build " +
                                       std::to_string(other.position));
        // The word is 28 00 00 00; its first byte changes. In the logo, the
        // pixel takes its neighbour's colour.
        unsigned char& first = reinterpret_cast<unsigned char&>(bytes[at]);
        first = pixels.contains(at) ? (first & 0xF0) | (first >> 4) : first ^ 0x01;
    }
    return bytes;
}

} // namespace velkan::machine
