#pragma once

#include "shellpatch/BuildTable.h"

#include <array>
#include <string>
#include <string_view>

// What a theme pack folder holds and how its index file is keyed: the names
// every reader and the saver agree on.
namespace velkan::themes {

inline constexpr const char* kIndexFile = "index.vkr";

inline constexpr const char* kAboutSection = "About";
inline constexpr const char* kStartButtonSection = "StartButton";
inline constexpr const char* kStartMenuSection = "StartMenu";

// A caption key whose value reads as this counts as absent.
inline constexpr const char* kAbsentMarker = "MyErr";
// What "LogoHeight" reads as when it is missing or no number.
inline constexpr int kNoLogoHeight = 131;

// The Start-button icon sizes in the order the loaders try them.
inline constexpr std::array<int, 6> kStartIconSizes = {10, 12, 14, 16, 22, 32};
// "Icon10.ico" for the loaders, "icon10.ico" for the preview: one file to a
// case-blind disk.
std::string startIconFile(int size);
inline constexpr const char* kLogoFile = "Logo.bmp";
// The saver's spelling of the logo's name.
inline constexpr const char* kSavedLogoFile = "logo.bmp";

// "1.ico" .. "10.ico": the icon beside Start-menu entry N (1-based, in entry
// order: Programs, Favorites, Documents, ...).
std::string itemIconFile(int number);

// The "StartMenu" key of each Start-menu caption, in the order the readers
// and the writer go through them: the eight every build has, then Favorites
// and Log Off, which only IE4 builds have.
struct CaptionKey {
    shellpatch::Entry entry;
    const char* key;
};
inline constexpr std::array<CaptionKey, shellpatch::kEntryCount> kCaptionKeys = {{
    {shellpatch::Entry::Programs, "Programs"},
    {shellpatch::Entry::Documents, "Documents"},
    {shellpatch::Entry::Settings, "Settings"},
    {shellpatch::Entry::Find, "Find"},
    {shellpatch::Entry::Help, "Help"},
    {shellpatch::Entry::Run, "Run"},
    {shellpatch::Entry::Suspend, "Suspend"},
    {shellpatch::Entry::ShutDown, "Shut Down"},
    {shellpatch::Entry::Favorites, "Favorites"},
    {shellpatch::Entry::LogOff, "Logoff"},
}};

// The preview's hint of each item icon, in entry order.
inline constexpr std::array<const char*, shellpatch::kEntryCount> kItemIconHints = {
    "Programs (1.ico)", "Favorites (2.ico)", "Documents (3.ico)", "Settings (4.ico)",
    "Find (5.ico)",     "Help (6.ico)",      "Run (7.ico)",       "Logoff (8.ico)",
    "Suspend (9.ico)",  "Shut down (10.ico)"};

// Joins a folder and a name with exactly one backslash.
std::string inFolder(std::string_view folder, std::string_view name);

} // namespace velkan::themes
