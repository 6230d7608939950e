#pragma once

#include "tools/Canvas.h"

#include <cstddef>
#include <string>

namespace velkan::machine {

// The size of our Explorer.exe for a build: everything the build table places
// in it, plus the rest of the program's resources behind it.
std::size_t explorerFileSize(int position);

// Explorer.exe as the build at `position` ships it, as far as the product
// looks at it: a DOS program header at the start; the Start-button text, tooltip and
// Start-menu captions in the build's language at the build's offsets, each
// field its UTF-16 text followed by NUL units; the 16-bit value 1 in front of
// the Programs caption; and a 16-colour 21x130 logo bitmap (header, palette,
// pixel rows) around the build's LogoOffset.
//
// The header test of every other build reads something other than 40 in this
// file, so detection recognises the file as this build (or its "US" twin):
// where another row's test word would read 40 in the filler, the palette or
// the logo pixels, one byte is changed.
std::string makeExplorerImage(int position);
// The same with another 21x130 logo picture.
std::string makeExplorerImage(int position, const Canvas& logo);

// Writes a text field as the shell holds it: the text's code units, then NUL
// units up to the field length (the text is cut at it).
void putTextField(std::string& bytes, std::size_t offset, int length, std::u16string_view text);

} // namespace velkan::machine
