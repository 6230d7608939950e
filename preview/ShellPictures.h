#pragma once

#include "platform/Icon.h"
#include "platform/IconLibrary.h"
#include "platform/Machine.h"
#include "preview/StartMenuLook.h"
#include "shellpatch/BuildTable.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// The pictures of the Start button and the Start menu, taken from the bytes
// and files the shell takes them from.
namespace velkan::preview {

// The logo rows the shell draws: the bitmap whose header lies in front of the
// build's LogoOffset, `height` rows of it (bottom-up as stored, plain or
// 4-bit run-length encoded), within the 1560 bytes the area holds. A height
// above 130 is read as the 130 rows the area has; none below 1.
LookLogo decodeShellLogo(std::string_view explorer, const shellpatch::ShellBuild& build,
                         int height);

// The biHeight stored in front of the logo, as a signed number.
std::optional<int> storedLogoHeight(std::string_view explorer, const shellpatch::ShellBuild& build);

// The Start-button image of `size` pixels in User.exe, at its place moved by
// `iconShift`; empty when the bytes there are no 16-colour image of that size.
platform::Icon startButtonImage(std::string_view user, int size, std::int32_t iconShift);

// Reduces an icon to the 16 VGA colours, as the shell's 16-colour image
// lists hold their icons.
platform::Icon toVgaColours(const platform::Icon& icon);

// The icons of Start-menu entries, as the shell finds them: a Shell Icons
// value "file,index" names icon `index` of the file when the file has that
// many; anything else, and no value, gives icon `number` of shell32.dll.
// Each file is read once.
class EntryIconFinder {
public:
    EntryIconFinder(const platform::Machine& machine, std::string windowsFolder, int size)
        : machine_(machine), windowsFolder_(std::move(windowsFolder)), size_(size) {}

    platform::Icon find(const std::optional<std::string>& value, int number);

private:
    std::optional<platform::Icon> fromFile(std::string_view file, int index);

    const platform::Machine& machine_;
    std::string windowsFolder_;
    int size_;
    std::map<std::string, platform::IconLibrary> libraries_;
};

// A decimal index as the value holds it after its first comma.
std::optional<int> parseIconIndex(std::string_view text);

} // namespace velkan::preview
