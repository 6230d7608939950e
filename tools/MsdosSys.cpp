#include "tools/MsdosSys.h"

namespace velkan::machine {

std::string msdosSysText() {
    std::string text =
        "[Paths]\r\n"
        "WinDir=C:\\WINDOWS\r\n"
        "WinBootDir=C:\\WINDOWS\r\n"
        "HostWinBootDrv=C\r\n"
        "\r\n"
        "[Options]\r\n"
        "BootMulti=1\r\n"
        "BootGUI=1\r\n"
        "Network=1\r\n"
        ";\r\n"
        ";The following lines are required for compatibility with other programs.\r\n"
        ";Do not remove them (MSDOS.SYS needs to be >1024 bytes).\r\n";
    for (char letter = 'a'; letter <= 's'; ++letter)
        text += ";" + std::string(69, 'x') + letter + "\r\n";
    return text;
}

} // namespace velkan::machine
