#pragma once

#include <array>
#include <span>

// What the installer put into a machine and the uninstaller takes out again,
// by name: the uninstaller shares no code with the customiser, only these names.
namespace velkan::remove {

// Under HKEY_CLASSES_ROOT: the ".vkr" file type and its class.
inline constexpr std::array<const char*, 2> kFileTypeKeys = {".VKR", "VKR_file"};

// Under HKEY_CURRENT_USER.
inline constexpr const char* kProductKey = "Software\\Velkan";
inline constexpr const char* kLocationValue = "Location";
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValue = "VKR Theme Packs";
inline constexpr const char* kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr std::array<const char*, 2> kShortcutFolderValues = {"Desktop", "Start Menu"};
inline constexpr const char* kShortcutFile = "Velkan.lnk";

// Under HKEY_LOCAL_MACHINE. The first two are the file-type keys again, in case
// HKEY_CLASSES_ROOT did not reach them.
inline constexpr std::array<const char*, 3> kMachineKeys = {
    "Software\\Classes\\.VKR",
    "Software\\Classes\\VKR_file",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VKR",
};

// Every file a theme pack can hold, in the order they are deleted.
inline constexpr std::array<const char*, 8> kPackFileSet = {
    "index.vkr",  "icon10.ico", "icon12.ico", "icon14.ico",
    "icon16.ico", "icon22.ico", "icon32.ico", "logo.bmp",
};

inline constexpr std::array<const char*, 3> kSmallPackFiles = {"index.vkr", "icon16.ico",
                                                               "logo.bmp"};
inline constexpr std::array<const char*, 10> kItemIconFiles = {
    "1.ico", "2.ico", "3.ico", "4.ico", "5.ico", "6.ico", "7.ico", "8.ico", "9.ico", "10.ico",
};

// A stock pack's folder (ending in a backslash) and its files: first `files`,
// then the full pack file set when `fullSet` is on.
struct StockPack {
    const char* folder;
    std::span<const char* const> files;
    bool fullSet;
};

inline constexpr std::array<StockPack, 4> kStockPacks = {{
    {"Ulmrit Theme Pack\\", kSmallPackFiles, false},
    {"Windows98 Theme Pack\\", kSmallPackFiles, false},
    {"Sample Theme Pack\\", kItemIconFiles, true},
    {"Sun Theme Pack\\", {}, true},
}};

// The program's own files; "Remove.exe" stays, the uninstaller being in use.
inline constexpr std::array<const char*, 4> kProgramFiles = {"Velkrun.exe", "History.txt",
                                                             "Readme.txt", "ReadmeFr.txt"};

} // namespace velkan::remove
