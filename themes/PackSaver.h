#pragma once

#include "platform/Controls.h"
#include "platform/Machine.h"
#include "platform/Result.h"
#include "shellpatch/BuildTable.h"
#include "themes/PackIndex.h"

#include <array>
#include <optional>
#include <string>

// Saving what changed in the customiser as a new theme pack folder. Only what
// was changed goes in, so that loading the pack later leaves the rest alone.
namespace velkan::themes {

struct PackSaveRequest {
    std::string location;      // the program folder ("Location"), may be empty
    std::string browserFolder; // the browser's current folder, used without a Location
    // "About" always; the rest only where set.
    PackIndexValues index;
    // The picture the logo image shows, when a logo was loaded.
    std::optional<platform::Picture> logo;
    // The last file the Start-button icon loader examined, when an icon was
    // accepted (a Windows path); copied under its own name, never over a file.
    std::optional<std::string> startIcon;
    // The pictures of the Start-menu items whose slots hold a change, in
    // entry order; they are saved as "1.ico" .. "10.ico".
    std::array<std::optional<platform::Picture>, shellpatch::kEntryCount> itemIcons{};
};

// The pack folder the request names: Location + name, else the browser's
// folder + "\" + name (no separator after a drive root). No trailing backslash.
std::string packFolderFor(const PackSaveRequest& request);

// Creates the folder (an existing one is used as it is), writes the index
// file, the logo as "logo.bmp", the Start-button icon file and the item icons.
// The first failure stops it: an index that cannot be written is "Unable to
// write to <index path>"; a picture, the writer's own error. What was written
// before stays.
platform::Status savePack(const platform::Machine& machine, const PackSaveRequest& request);

// The plain 16-colour .bmp the logo loader accepts, made from the bitmap the
// picture names (a host path).
platform::Result<std::string> logoFileOf(const platform::Picture& logo);
// The 16-colour icon file of the icon the picture names, or nothing when it
// names none.
std::optional<std::string> iconFileOf(const platform::Picture& picture);

} // namespace velkan::themes
