#pragma once

#include <string>

namespace velkan::machine {

// C:\MSDOS.SYS of a Windows 95 installed in C:\WINDOWS: the [Paths] that tell
// the boot loader and the programs where Windows lives, the [Options] of a
// plain installation and the block of "x" lines that keeps the file above the
// 1024 bytes older programs expect. CR LF line ends, as on the disk.
std::string msdosSysText();

} // namespace velkan::machine
