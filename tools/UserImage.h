#pragma once

#include <cstddef>
#include <string>

namespace velkan::machine {

// The size of our System\User.exe laid out as the build at `position`.
std::size_t userFileSize(int position);

// System\User.exe as far as the product looks at it: a DOS program header and the six
// 16-colour Start-button icon images (header, palette, colour and mask rows),
// each at its IconBaseOffset plus the IconShift of the build at `position`.
// Where a build with another IconShift would find the value 40 at its 10x10
// position, one byte is changed, so a file laid out for a "PE" row is never
// taken for its "US" twin.
std::string makeUserImage(int position);

} // namespace velkan::machine
