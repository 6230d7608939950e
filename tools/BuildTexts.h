#pragma once

#include "shellpatch/BuildTable.h"

#include <array>
#include <string>
#include <string_view>

namespace velkan::machine {

// What a language build of the shell says on its Start button and in its
// Start menu, in its own language, as the build's Explorer.exe holds it:
// UTF-16 code units, accelerator ampersands included. Each text fits its
// field; the entries a build does not have are empty.
struct BuildTexts {
    std::u16string_view startText;
    std::u16string_view tooltip;
    std::array<std::u16string_view, shellpatch::kEntryCount> captions; // in Entry order

    std::u16string_view caption(shellpatch::Entry entry) const {
        return captions[static_cast<int>(entry)];
    }
};

const BuildTexts& buildTexts(int position);

// UTF-16 to UTF-8 and back, for printing texts and for reading them from the
// command line. Unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);

} // namespace velkan::machine
