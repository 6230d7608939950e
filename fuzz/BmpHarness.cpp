#include "fuzz/Harnesses.h"
#include "fuzz/ScratchMachine.h"
#include "shellpatch/BuildTable.h"
#include "startmenu/LogoLoader.h"
#include "themes/LogoBitmap.h"

#include <string>

namespace velkan::fuzz {

namespace {

namespace sp = shellpatch;

// A small stand-in for Explorer.tmp: the logo area and some bytes either side
// of it, each byte telling its position, so any stray write shows.
constexpr std::int32_t kLogoOffset = 160;
constexpr std::size_t kShellSize = kLogoOffset + sp::kLogoBitsSize + 96;

std::string shellBytes() {
    std::string shell(kShellSize, '\0');
    for (std::size_t i = 0; i < shell.size(); ++i)
        shell[i] = static_cast<char>(i * 7 + 3);
    return shell;
}

bool insideLogoArea(std::size_t at) {
    return at == static_cast<std::size_t>(kLogoOffset + sp::kLogoCompression) ||
           (at >= static_cast<std::size_t>(kLogoOffset + sp::kLogoPalette) &&
            at < static_cast<std::size_t>(kLogoOffset + sp::kLogoBitsSize));
}

void loadIntoShell(std::string_view file) {
    const platform::Machine machine = freshMachine("bmp");
    const std::string before = shellBytes();
    put(machine.driveC() / "WINDOWS" / "Explorer.tmp", before);
    put(machine.driveC() / "Logo.bmp", file);
    auto loaded =
        startmenu::loadLogo(machine, "C:\\WINDOWS\\Explorer.tmp", "C:\\Logo.bmp", kLogoOffset);
    if (!loaded) {
        // Only a file that ends inside the header words is a read error.
        if (file.size() >= 34)
            fail("the logo loader failed on a bitmap with a whole header");
        return;
    }
    std::string after;
    if (!slurp(machine.driveC() / "WINDOWS" / "Explorer.tmp", after) || after.size() != kShellSize)
        fail("the logo loader changed the size of the shell file");
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i] && !insideLogoArea(i))
            fail("the logo loader wrote outside the logo area");
    if (!loaded->accepted) {
        if (after != before)
            fail("a refused bitmap changed the shell file");
        return;
    }
    if (loaded->height > sp::kLogoMaxHeight || loaded->bytesWritten < 0 ||
        loaded->bytesWritten > -sp::kLogoPalette + sp::kLogoBitsSize)
        fail("the logo loader accepted more than the logo area holds");
    // The bytes go in unchanged, from just after the 40-byte header.
    const std::string_view copied =
        std::string_view(after).substr(kLogoOffset + sp::kLogoPalette, loaded->bytesWritten);
    const std::string_view source = file.size() > 54 ? file.substr(54) : std::string_view();
    if (copied != source.substr(0, loaded->bytesWritten))
        fail("the logo loader did not copy the bitmap's bytes unchanged");
}

void decodeAndWrite(std::string_view file) {
    // The preview asks the size of any file named like a logo.
    (void)themes::bitmapSize(file);
    auto bitmap = themes::decodeBitmap4(file);
    if (!bitmap)
        return;
    if (bitmap->width <= 0 || bitmap->height <= 0 ||
        bitmap->pixels.size() != static_cast<std::size_t>(bitmap->width) * bitmap->height)
        fail("a decoded bitmap is not whole");
    for (std::uint8_t index : bitmap->pixels)
        if (index > 15)
            fail("a 16-colour bitmap holds an index above 15");
    // What the saver writes must read back as the same picture.
    const std::string written = themes::encodeBitmap4(*bitmap);
    auto again = themes::decodeBitmap4(written);
    if (!again || again->width != bitmap->width || again->height != bitmap->height ||
        again->pixels != bitmap->pixels || again->palette != bitmap->palette)
        fail("a saved logo does not read back as the picture it was");
    auto size = themes::bitmapSize(written);
    if (!size || size->width != bitmap->width || size->height != bitmap->height)
        fail("a saved logo does not state its size");
}

} // namespace

void fuzzBmp(const std::uint8_t* data, std::size_t size) {
    const std::string_view file = asText(data, size);
    decodeAndWrite(file);
    loadIntoShell(file);
}

} // namespace velkan::fuzz
