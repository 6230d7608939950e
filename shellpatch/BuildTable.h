#pragma once

#include "shellpatch/CodePages.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace velkan::shellpatch {

// The entries of the Windows 95 Start menu, in the order every table and loop
// over them uses.
enum class Entry {
    Programs,
    Favorites,
    Documents,
    Settings,
    Find,
    Help,
    Run,
    LogOff,
    Suspend,
    ShutDown
};
inline constexpr int kEntryCount = 10;

// A text field of the shell file: `length` 16-bit little-endian code units at
// byte `offset`. A build without the entry has a field of length 0.
struct TextField {
    std::int32_t offset = 0;
    int length = 0;

    constexpr bool present() const { return length > 0; }
    constexpr std::int32_t end() const { return offset + 2 * length; }
    friend constexpr bool operator==(TextField, TextField) = default;
};
inline constexpr TextField kAbsent{};

// One language build of the Windows 95 shell: where its texts and its logo lie
// in Explorer.exe, and how far its Start-button icons are moved in User.exe.
struct ShellBuild {
    int position;                 // index in the build list; the build's identity
    std::string_view itemCaption; // as the build list spells it
    bool ie4;                     // has the Favorites and Log Off entries
    CodePage codePage;            // of its texts: the ANSI code page of its language
    TextField startText;
    TextField tooltip;
    std::int32_t logoOffset;                     // first byte of the logo's pixel rows
    std::int32_t iconShift;                      // added to every IconBaseOffset
    std::array<TextField, kEntryCount> captions; // in Entry order

    constexpr TextField caption(Entry entry) const { return captions[static_cast<int>(entry)]; }
};

inline constexpr int kBuildCount = 29;

// The supported builds in list order. Positions 0/1, 2/3 and 15/16 are the
// "US" and "PE" twins: the same Explorer.exe, User.exe icons 352 bytes apart.
// clang-format off
inline constexpr std::array<ShellBuild, kBuildCount> kBuilds{{
    //  caption                  IE4   code page   Start text     tooltip     logo    shift
    //  Programs, Favorites, Documents, Settings, Find, Help, Run, Log Off, Suspend, Shut Down
    {0, "English US IE4.01", true, CodePage::Western, {159470, 5}, {157878, 20}, 152376, 0,
     {{{155522, 9}, {155602, 10}, {155682, 10}, {155762, 9}, {156278, 5}, {156326, 5}, {156354, 7}, {156402, 9}, {156446, 8}, {156514, 13}}}},
    {1, "English PE IE4.01", true, CodePage::Western, {159470, 5}, {157878, 20}, 152376, 352,
     {{{155522, 9}, {155602, 10}, {155682, 10}, {155762, 9}, {156278, 5}, {156326, 5}, {156354, 7}, {156402, 9}, {156446, 8}, {156514, 13}}}},
    {2, "English US IE4", true, CodePage::Western, {174878, 5}, {173286, 20}, 168224, 0,
     {{{170938, 9}, {171018, 10}, {171098, 10}, {171178, 9}, {171686, 5}, {171734, 5}, {171762, 7}, {171810, 9}, {171854, 8}, {171922, 13}}}},
    {3, "English PE IE4", true, CodePage::Western, {174878, 5}, {173286, 20}, 168224, 352,
     {{{170938, 9}, {171018, 10}, {171098, 10}, {171178, 9}, {171686, 5}, {171734, 5}, {171762, 7}, {171810, 9}, {171854, 8}, {171922, 13}}}},
    {4, "French IE4.01", true, CodePage::Western, {158982, 8}, {157816, 27}, 99700, -1760,
     {{{152966, 11}, {153038, 8}, {153102, 10}, {153170, 11}, {153826, 11}, {153886, 5}, {153914, 12}, {153970, 13}, {154022, 12}, {154106, 11}}}},
    {5, "French IE4", true, CodePage::Western, {174126, 8}, {172952, 27}, 100592, -1760,
     {{{168050, 11}, {168122, 8}, {168186, 10}, {168254, 11}, {168898, 11}, {168958, 5}, {168986, 12}, {169042, 13}, {169094, 12}, {169178, 11}}}},
    {6, "Finnish IE4", true, CodePage::Western, {173278, 9}, {172242, 24}, 100168, -2208,
     {{{167626, 9}, {167706, 9}, {167786, 10}, {167866, 10}, {168438, 5}, {168486, 5}, {168514, 11}, {168570, 22}, {168642, 9}, {168714, 11}}}},
    {7, "German IE4.01", true, CodePage::Western, {159306, 5}, {158104, 47}, 99984, -1536,
     {{{153250, 10}, {153326, 10}, {153402, 10}, {153478, 14}, {154038, 7}, {154090, 6}, {154118, 13}, {154188, 12}, {154230, 14}, {154314, 11}}}},
    {8, "Italian IE4", true, CodePage::Western, {174418, 5}, {173158, 22}, 100744, -1856,
     {{{168202, 10}, {168282, 10}, {168362, 13}, {168450, 13}, {169046, 6}, {169094, 15}, {169142, 10}, {169194, 13}, {169246, 9}, {169322, 19}}}},
    {9, "Polish IE4", true, CodePage::CentralEuropean, {173990, 5}, {172868, 29}, 100820, -1728,
     {{{168278, 9}, {168358, 9}, {168438, 10}, {168518, 11}, {169082, 7}, {169134, 6}, {169162, 11}, {169218, 10}, {169266, 10}, {169350, 18}}}},
    {10, "Portuguese IE4 (BR)", true, CodePage::Western, {174314, 7}, {173056, 25}, 100640, -1952,
     {{{168098, 10}, {168178, 10}, {168258, 11}, {168342, 14}, {168974, 10}, {169030, 6}, {169058, 12}, {169114, 19}, {169178, 10}, {169250, 12}}}},
    {11, "Russian IE4", true, CodePage::Cyrillic, {173802, 4}, {172692, 37}, 100704, -1760,
     {{{168162, 10}, {168230, 10}, {168298, 10}, {168366, 10}, {168914, 6}, {168962, 8}, {168994, 13}, {169054, 19}, {169118, 13}, {169210, 21}}}},
    {12, "Spanish IE4", true, CodePage::Western, {173854, 6}, {172610, 28}, 100348, -1792,
     {{{167806, 10}, {167886, 10}, {167966, 11}, {168050, 12}, {168658, 7}, {168710, 6}, {168738, 13}, {168794, 15}, {168850, 10}, {168926, 21}}}},
    {13, "Swedish IE4.01", true, CodePage::Western, {157858, 5}, {156772, 29}, 99096, -2112,
     {{{152362, 8}, {152434, 10}, {152510, 9}, {152586, 14}, {153146, 4}, {153190, 6}, {153218, 7}, {153266, 10}, {153314, 9}, {153390, 11}}}},
    {14, "Swedsih IE4", true, CodePage::Western, {169738, 5}, {168652, 29}, 99980, -2112,
     {{{164174, 8}, {164246, 10}, {164322, 9}, {164398, 14}, {164950, 4}, {164994, 6}, {165022, 7}, {165070, 10}, {165118, 9}, {165194, 11}}}},
    {15, "English (US)", false, CodePage::Western, {188172, 5}, {187002, 19}, 177304, 0,
     {{{180930, 9}, kAbsent, {181010, 10}, {181090, 9}, {181250, 5}, {181298, 5}, {181326, 7}, kAbsent, {181374, 8}, {181442, 13}}}},
    {16, "English (PE)", false, CodePage::Western, {188172, 5}, {187002, 19}, 177304, 352,
     {{{180930, 9}, kAbsent, {181010, 10}, {181090, 9}, {181250, 5}, {181298, 5}, {181326, 7}, kAbsent, {181374, 8}, {181442, 13}}}},
    {17, "Chech", false, CodePage::CentralEuropean, {185450, 5}, {184202, 21}, 165504, -1856,
     {{{176466, 9}, kAbsent, {176542, 10}, {176618, 10}, {176790, 7}, {176842, 9}, {176878, 9}, kAbsent, {176930, 5}, {177010, 9}}}},
    {18, "Danish", false, CodePage::Western, {184628, 5}, {183310, 22}, 164480, -2048,
     {{{175362, 11}, kAbsent, {175434, 11}, {175506, 14}, {175682, 4}, {175726, 6}, {175754, 7}, kAbsent, {175802, 7}, {175874, 18}}}},
    {19, "Dutch", false, CodePage::Western, {185388, 5}, {183950, 24}, 164560, -1952,
     {{{175474, 12}, kAbsent, {175554, 11}, {175634, 13}, {175814, 7}, {175866, 5}, {175894, 13}, kAbsent, {175954, 9}, {176054, 13}}}},
    {20, "French", false, CodePage::Western, {185758, 8}, {184308, 26}, 164556, -1760,
     {{{175598, 11}, kAbsent, {175670, 10}, {175738, 11}, {175946, 11}, {176006, 5}, {176034, 12}, kAbsent, {176090, 12}, {176174, 11}}}},
    {21, "Finnish", false, CodePage::Western, {184844, 9}, {183558, 24}, 164384, -2208,
     {{{175346, 9}, kAbsent, {175426, 10}, {175506, 10}, {175686, 5}, {175734, 5}, {175762, 11}, kAbsent, {175818, 9}, {175890, 11}}}},
    {22, "German", false, CodePage::Western, {185482, 5}, {184012, 47}, 164488, -1536,
     {{{175402, 10}, kAbsent, {175478, 10}, {175554, 14}, {175730, 7}, {175782, 6}, {175810, 13}, kAbsent, {175870, 14}, {175954, 11}}}},
    {23, "Hebrew", false, CodePage::Hebrew, {189196, 5}, {188026, 19}, 178328, 9920,
     {{{181954, 9}, kAbsent, {182034, 10}, {182114, 9}, {182274, 5}, {182322, 5}, {182350, 7}, kAbsent, {182398, 8}, {182466, 13}}}},
    {24, "Italian", false, CodePage::Western, {185904, 5}, {184416, 22}, 164844, -1856,
     {{{175822, 10}, kAbsent, {175902, 13}, {175990, 13}, {176206, 6}, {176254, 5}, {176302, 10}, kAbsent, {176354, 9}, {176430, 19}}}},
    {25, "Polish", false, CodePage::CentralEuropean, {203016, 5}, {201696, 28}, 182688, -1728,
     {{{193586, 9}, kAbsent, {193666, 10}, {193746, 11}, {193926, 8}, {193978, 6}, {194006, 11}, kAbsent, {194062, 10}, {194146, 18}}}},
    {26, "Portuguese (BR)", false, CodePage::Western, {185558, 7}, {184052, 24}, 164572, -1952,
     {{{175582, 10}, kAbsent, {175662, 11}, {175746, 14}, {175946, 10}, {176002, 6}, {176030, 12}, kAbsent, {176086, 10}, {176158, 12}}}},
    {27, "Russian", false, CodePage::Cyrillic, {185404, 4}, {183972, 37}, 165056, -1760,
     {{{175970, 10}, kAbsent, {176038, 10}, {176114, 10}, {176290, 6}, {176338, 8}, {176370, 13}, kAbsent, {176430, 10}, {176510, 21}}}},
    {28, "Swedish", false, CodePage::Western, {184138, 5}, {182816, 27}, 164148, -2112,
     {{{175046, 8}, kAbsent, {175118, 9}, {175194, 14}, {175382, 4}, {175426, 6}, {175454, 7}, kAbsent, {175502, 9}, {175578, 11}}}},
}};
// clang-format on

// The Start-menu entries: their caption edits, the check boxes that hide them
// and their icon numbers in shell32.dll (the value names of "Shell Icons").
struct StartMenuEntry {
    Entry entry;
    std::string_view name;
    std::string_view captionEdit;
    std::string_view visibilityCheckBox; // empty: the entry cannot be hidden
    int shellIconNumber;
};

inline constexpr std::array<StartMenuEntry, kEntryCount> kStartMenuEntries{{
    {Entry::Programs, "Programs", "ProgEdit", "", 19},
    {Entry::Favorites, "Favorites", "FavEdit", "", 43},
    {Entry::Documents, "Documents", "DocEdit", "", 20},
    {Entry::Settings, "Settings", "ContrEdit", "ContrCB", 21},
    {Entry::Find, "Find", "FindEdit", "FindCB", 22},
    {Entry::Help, "Help", "HelpEdit", "", 23},
    {Entry::Run, "Run", "RunEdit", "RunCB", 24},
    {Entry::LogOff, "Log Off", "LogEdit", "LogCB", 44},
    {Entry::Suspend, "Suspend", "SuspEdit", "SuspCB", 25},
    {Entry::ShutDown, "Shut Down", "ShutEdit", "ShutCB", 27},
}};

constexpr const StartMenuEntry& startMenuEntry(Entry entry) {
    return kStartMenuEntries[static_cast<int>(entry)];
}

// Whether a build has the entry at all: Favorites and Log Off exist only in
// the IE4 builds.
constexpr bool entryInBuild(Entry entry, bool ie4) {
    return ie4 || (entry != Entry::Favorites && entry != Entry::LogOff);
}

// The Start-button icon images in User.exe, one per size, each a 16-colour
// .ico image without its file header and directory.
struct StartIconPlace {
    int size;                    // square, in pixels
    std::int32_t iconBaseOffset; // before the build's IconShift
    int icoFileSize;             // a single-image .ico file of this size
    constexpr int imageBytes() const { return icoFileSize - 22; }
};

inline constexpr std::array<StartIconPlace, 6> kStartIconPlaces{{
    {10, 448896, 246},
    {12, 449408, 270},
    {14, 449120, 294},
    {16, 449664, 318},
    {22, 449984, 478},
    {32, 448128, 766},
}};

// The image whose header the icon loader tests to recognise User.exe.
inline constexpr int kTestIconSize = 10;

constexpr std::optional<std::int32_t> iconBaseOffset(int size) {
    for (const auto& place : kStartIconPlaces)
        if (place.size == size)
            return place.iconBaseOffset;
    return std::nullopt;
}

// The logo bitmap around a build's LogoOffset.
inline constexpr std::int32_t kLogoHeaderSize = -104; // biSize, 40 in a recognised build
inline constexpr std::int32_t kLogoHeight = -96;      // biHeight
inline constexpr std::int32_t kLogoCompression = -88; // biCompression
inline constexpr std::int32_t kLogoPalette = -64;     // 16 entries of 4 bytes
inline constexpr int kLogoBitsSize = 1560;            // 130 rows of 12 bytes
inline constexpr int kLogoWidth = 21;
inline constexpr int kLogoMaxHeight = 130;
inline constexpr std::uint32_t kBitmapInfoHeaderSize = 40;

// The row at `position`, or nothing outside 0..28.
constexpr const ShellBuild* buildAt(int position) {
    return position >= 0 && position < kBuildCount ? &kBuilds[position] : nullptr;
}

// Whether the build at `position` has the Favorites and Log Off entries, as
// its row says. No build chosen (-1) counts as IE4: the window then offers
// every entry.
constexpr bool isIe4Build(int position) {
    const ShellBuild* build = buildAt(position);
    return build ? build->ie4 : position < 0;
}

// After an icon failed to go into User.exe, the "US" rows give way to their
// "PE" twins, whose icons lie 352 bytes further on; every other row stays.
constexpr int variantSwitch(int position) {
    switch (position) {
    case 0:
    case 2:
    case 15:
        return position + 1;
    default:
        return position;
    }
}

// A build named by its position ("23") or its item caption, compared without
// regard to case ("english (us)").
std::optional<int> findBuild(std::string_view positionOrCaption);

} // namespace velkan::shellpatch
