#pragma once

#include "platform/Icon.h"
#include "platform/Machine.h"
#include "platform/Result.h"
#include "preview/LookSources.h"
#include "shellpatch/BuildTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The taskbar's Start button and the open Start menu, decoded into what the
// shell puts on the screen: texts, pictures and the rows of the menu.
namespace velkan::preview {

struct LookEntry {
    shellpatch::Entry entry;
    std::u16string caption; // with its "&" accelerator marks
    platform::Icon icon;    // empty when the shell would find none
    bool submenu = false;   // drawn with the arrow of a cascading entry
};

// The vertical band's bitmap: the rows the shell draws, top row first.
struct LookLogo {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0xRRGGBB
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool empty() const { return width == 0 || height == 0; }
};

struct StartMenuLook {
    int build = -1;
    bool ie4 = true;
    std::u16string startText;
    std::u16string tooltip;
    int startIconSize = 16; // the image Windows picks for the caption-button width
    platform::Icon startIcon;
    // The entries the menu shows, top to bottom; the separator goes in front
    // of entry `separatorBefore` (none when -1).
    std::vector<LookEntry> entries;
    int separatorBefore = -1;
    LookLogo logo;
    int menuIconSize = 32; // the shell's large icons
};

// Decodes everything the shell draws. An unrecognised shell file (no build)
// is an error: nothing of it can be read.
platform::Result<StartMenuLook> buildLook(const platform::Machine& machine,
                                          const LookSources& sources);

// Entries with a cascading submenu.
bool hasSubmenu(shellpatch::Entry entry);

} // namespace velkan::preview
