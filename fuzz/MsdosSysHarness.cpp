#include "fuzz/Harnesses.h"
#include "fuzz/ScratchMachine.h"
#include "platform/ProfileString.h"
#include "platform/WinPath.h"
#include "tools/WindowsStart.h"

#include <string>

namespace velkan::fuzz {

namespace {

namespace fs = std::filesystem;

bool inside(const fs::path& path, const fs::path& folder) {
    auto rel = path.lexically_normal().lexically_relative(folder.lexically_normal());
    return !rel.empty() && *rel.begin() != "..";
}

} // namespace

void fuzzMsdosSys(const std::uint8_t* data, std::size_t size) {
    const platform::Machine machine = freshMachine("msdos");
    put(machine.driveC() / "MSDOS.SYS", asText(data, size));
    const fs::path windows = machine.driveC() / "WINDOWS";
    put(windows / "EXPLORER.EXE", "old");
    put(windows / "EXPLORER.NEW", "new");
    put(windows / "WININIT.INI",
        "[rename]\r\nC:\\WINDOWS\\Explorer.exe=C:\\WINDOWS\\Explorer.new\r\n");

    // The Windows folder as the customiser and the machine's start find it.
    const std::string folder =
        platform::readProfileString(machine, "C:\\Msdos.sys", "Paths", "WinDir", "Error");
    if (folder.size() >= platform::kProfileBufferSize)
        fail("the Windows folder is longer than the reader's buffer");
    auto winInit = platform::resolveWinPath(machine, folder + "\\WinInit.ini");
    if (winInit && !inside(*winInit, fs::canonical(machine.driveC())))
        fail("a Windows folder from Msdos.sys leads out of drive C:");
    const bool ours = winInit && *winInit == fs::canonical(windows) / "WININIT.INI";

    auto started = machine::startWindows(machine);
    std::string explorer;
    if (!slurp(windows / "EXPLORER.EXE", explorer))
        fail("Explorer.exe went missing at the start");
    if (ours) {
        if (!started || explorer != "new" || started->renames.size() != 1)
            fail("the start did not perform the [Rename] of the Windows folder named");
    } else if (explorer != "old") {
        fail("the start performed the [Rename] of a folder Msdos.sys does not name");
    }
}

} // namespace velkan::fuzz
