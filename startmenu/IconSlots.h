#pragma once

#include <array>
#include <string>

#include "platform/Registry.h"
#include "shellpatch/BuildTable.h"

// The icons beside the Start-menu entries come from shell32.dll unless the
// Shell Icons key names a replacement under the entry's icon number. Choices
// wait in one slot per entry until they are applied.
namespace velkan::startmenu {

inline constexpr const char* kShellIconsKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";

// A slot's pending value that deletes the entry's replacement.
inline const std::string kRestoreMarker = "\x01\x02\x03";

struct IconSlot {
    int number = 0;
    // Empty: leave the value alone; kRestoreMarker: delete it; otherwise the
    // text to write ("file,index", or a bare file path during an autoload).
    std::string pending;
};

// In entry order: Programs, Favorites, Documents, ... Shut Down.
using IconSlots = std::array<IconSlot, shellpatch::kEntryCount>;

// Writes the slots in order. `appendIndex` adds ",0" to each value, for the
// bare pack files an autoload records. A stock Windows 95 has no Shell Icons
// key; it is made, or the icons could never apply.
void writeIconSlots(platform::Registry& registry, const IconSlots& slots, bool appendIndex);

// Deletes the replacements of all ten entries; missing ones are no error.
void deleteShellIcons(platform::Registry& registry);

} // namespace velkan::startmenu
