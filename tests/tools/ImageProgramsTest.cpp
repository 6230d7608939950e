// The machine tool on the same machine kept as a folder and as a disk image:
// every command that reads or changes it gives the same answers.
#include "tests/support/MachineDrive.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using velkan::test::ProcessResult;
using velkan::test::TempDir;

namespace {

// "{M}" in an argument stands for the machine folder.
ProcessResult machineTool(const fs::path& machine, std::vector<std::string> args) {
    for (auto& arg : args)
        if (auto at = arg.find("{M}"); at != std::string::npos)
            arg.replace(at, 3, machine.string());
    return velkan::test::runProcess(velkan::test::tool("velkan-machine"), args,
                                    {{"VELKAN_MACHINE", machine.string()}});
}

// The output with the machine's own folder taken out, and the spelling a FAT
// disk gives 8.3 names left aside.
std::string comparable(std::string text, const fs::path& machine) {
    for (std::size_t at; (at = text.find(machine.string())) != std::string::npos;)
        text.replace(at, machine.string().size(), "<machine>");
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

TEST(ImagePrograms, EveryCommandAnswersAsOnTheFolder) {
    TempDir dir;
    const fs::path folder = dir / "folder", image = dir / "image";
    ASSERT_EQ(machineTool(folder, {"create", "--build", "3", folder.string()}).exitCode, 0);
    ASSERT_EQ(
        machineTool(image, {"create", "--build", "3", "--image", "--size", "16", image.string()})
            .exitCode,
        0);
    const std::vector<std::vector<std::string>> steps = {
        {"install"},
        {"check", "--verbose"},
        {"show", "--json"},
        {"reg", "add", "HKCU\\Software\\Velkan", "/v", "Options", "/t", "REG_DWORD", "/d", "3",
         "/f"},
        {"reg", "query", "HKCU\\Software\\Velkan"},
        {"ini", "get", "{M}/drive_c/MSDOS.SYS", "Paths", "WinDir"},
        {"ini", "set", "{M}/drive_c/WINDOWS/WIN.INI", "Desktop", "Wallpaper", "(None)"},
        {"ini", "get", "{M}/drive_c/WINDOWS/WIN.INI", "Desktop", "Wallpaper"},
        {"icons", "C:\\WINDOWS\\SYSTEM\\SHELL32.DLL"},
        {"icons", "C:\\WINDOWS\\NO SUCH.DLL"},
        {"boot"},
        {"show"},
        {"check"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.front() + (step.size() > 1 ? " " + step[1] : ""));
        const ProcessResult onFolder = machineTool(folder, step);
        const ProcessResult onImage = machineTool(image, step);
        EXPECT_EQ(onImage.exitCode, onFolder.exitCode) << onImage.err;
        EXPECT_EQ(comparable(onImage.out, image), comparable(onFolder.out, folder));
        EXPECT_EQ(comparable(onImage.err, image), comparable(onFolder.err, folder));
        EXPECT_TRUE(velkan::test::volumeClean(image));
        if (step.front() == "ini" && step[1] == "get")
            EXPECT_FALSE(onImage.out.empty() || onImage.out == "\n");
    }
}
