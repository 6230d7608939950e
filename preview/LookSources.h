#pragma once

#include "platform/Machine.h"
#include "platform/Registry.h"
#include "shellpatch/BuildTable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// What the shell draws its Start button and Start menu from: the bytes of
// Explorer.exe and User.exe as Windows will load them, and the registry
// values it reads. Callers that hold a pending edit (a caption typed but not
// yet written, a pack not yet loaded) put it in an override; everything
// without an override is read from the bytes.
namespace velkan::preview {

struct LookSources {
    int build = -1; // row of the build table the shell file is; -1 when unknown
    std::string explorer;
    std::string user;
    // Where the Start-button images lie in `user`: the shift of the row whose
    // layout User.exe has. Nothing when User.exe is not recognised.
    std::optional<std::int32_t> iconShift;

    // In entry order; the 16-bit text the shell will show.
    std::array<std::optional<std::u16string>, shellpatch::kEntryCount> captions{};
    std::optional<std::u16string> startText, tooltip;
    std::optional<int> logoHeight; // what will be stored at the logo's biHeight

    std::array<bool, shellpatch::kEntryCount> hidden{}; // in entry order
    // The Shell Icons value of each entry ("file,index"); nothing: shell32.dll.
    std::array<std::optional<std::string>, shellpatch::kEntryCount> shellIcons{};
    std::optional<std::string> shellIconSize, shellIconBpp;
    std::string windowsFolder; // where bare icon file names are looked for
};

// The hidden entries as the Explorer policies and the APM switch give them:
// a policy value hides only as the 4-byte binary 1; Suspend shows only when
// the APM device exists and its switch is 1.
std::array<bool, shellpatch::kEntryCount> readHiddenEntries(const platform::Registry& registry);

// The Shell Icons values of the ten entries, as they stand in the registry.
std::array<std::optional<std::string>, shellpatch::kEntryCount>
readShellIcons(const platform::Registry& registry);

// "Shell Icon Size" and "Shell Icon BPP" into `sources`.
void readWindowMetrics(const platform::Registry& registry, LookSources& sources);

// A text field's code units as the shell shows them: every trailing space of
// the whole field removed, then cut at the first NUL unit. Units past the end
// of the bytes end the text.
std::u16string shownFieldText(std::string_view explorer, shellpatch::TextField field);
std::u16string shownUnits(std::string_view littleEndianUnits);

// An 8-bit edit text as the shell will show it once written into a field of
// `build`: encoded with the build's code page, cut and padded to the field.
std::u16string shownAfterWrite(int build, std::string_view text, shellpatch::TextField field,
                               bool nulPadding);

} // namespace velkan::preview
