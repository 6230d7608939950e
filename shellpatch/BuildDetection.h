#pragma once

#include "platform/Result.h"
#include "shellpatch/BuildTable.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace velkan::shellpatch {

// Little-endian numbers inside a file image; nothing when they would reach
// past its end.
std::optional<std::uint16_t> readLe16(std::string_view bytes, std::int64_t offset);
std::optional<std::uint32_t> readLe32(std::string_view bytes, std::int64_t offset);

// Whether the 32-bit word in front of the build's logo, where the bitmap
// header's size lies, reads 40. This is the whole test a build must pass.
bool logoHeaderMatches(std::string_view explorer, const ShellBuild& build);

// Whether reading the build's texts, logo height and header stays inside the
// file: the Start-button text, the tooltip, the captions the build has and
// the two header words. A build whose fields lie past the end fails to read
// and so is never recognised, whatever its header position holds.
bool fieldsReadable(std::string_view explorer, const ShellBuild& build);

// Whether the build is the one the shell file was made for: its fields can be
// read and its logo header reads 40.
bool buildMatches(std::string_view explorer, const ShellBuild& build);

// The build a shell file is recognised as: the first row in list order that
// matches. The "PE" rows are never found, as their "US" twins come first and
// share every byte of Explorer.exe.
std::optional<int> detectBuild(std::string_view explorer);

// Whether User.exe holds a Start-button icon header (40) where the build puts
// the image of `size` pixels.
bool startIconHeaderMatches(std::string_view user, const ShellBuild& build, int size);

// The build whose icon places User.exe has, starting from the detected one: it
// when its 10x10 header reads 40, else its "PE" twin when the variant switch
// leads to one that does, as the icon loader's retry finds it.
std::optional<int> userLayoutFor(std::string_view user, int detectedPosition);

} // namespace velkan::shellpatch
