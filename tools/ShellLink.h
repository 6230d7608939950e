#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkan::machine {

struct ShellLinkTarget {
    std::string path;             // local base path, e.g. C:\Program Files\Velkan\Velkrun.exe
    std::string workingDirectory; // e.g. C:\Program Files\Velkan
    std::string description;      // optional comment
    std::uint32_t fileSize = 0;
    std::uint64_t fileTime = 0; // FILETIME of the target (creation, access and write)
    std::uint32_t volumeSerial = 0x1A2B3C4D;
    std::string volumeLabel; // of drive C:
};

// A Windows shell link (.lnk): the 0x4C-byte header with the LinkCLSID, a
// LinkInfo block holding the local base path on a fixed disk, and the
// description and working-directory strings (ANSI, as Windows 95 writes them).
std::vector<std::uint8_t> makeShellLink(const ShellLinkTarget& target);

} // namespace velkan::machine
