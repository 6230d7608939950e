#include "fuzz/Harnesses.h"
#include "fuzz/ScratchMachine.h"
#include "platform/FatVolume.h"
#include "platform/Files.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"

#include <string>

namespace velkan::fuzz {

namespace {

namespace fs = std::filesystem;
using platform::FatVolume;

// Bounds on the walk, so that a folder tree built to be wide or deep (or a
// folder listed inside itself) costs the harness no more than a real one.
constexpr int kMaxDepth = 4;
constexpr int kMaxFolders = 32;

void walk(const FatVolume& volume, const std::string& folder, int depth, int& folders) {
    if (depth > kMaxDepth || ++folders > kMaxFolders)
        return;
    auto entries = volume.list(folder);
    if (!entries) {
        if (entries.error().message.find(volume.imageName()) == std::string::npos)
            fail("a folder that cannot be listed gives an error without the image's name");
        return;
    }
    for (const auto& entry : *entries) {
        if (entry.name.empty() || entry.shortName.empty())
            fail("a listed entry has no name");
        if (entry.name == "." || entry.name == "..")
            continue;
        const std::string path = folder + "\\" + entry.name;
        if (entry.directory()) {
            walk(volume, path, depth + 1, folders);
            continue;
        }
        auto bytes = volume.readFile(path);
        if (bytes && bytes->size() != entry.size) {
            // Two entries of the same name: the path finds the first one.
            auto first = volume.entry(path);
            if (!first || first->size != bytes->size())
                fail("a file read back with another size than its entry gives");
        }
        if (!bytes && bytes.error().message.find(volume.imageName()) == std::string::npos)
            fail("a file that cannot be read gives an error without the image's name");
    }
}

// The same bytes as a machine's drive C:, read as the programs read it:
// through the file layer, the path resolution and the registry.
void readAsMachine(std::string_view bytes) {
    const platform::Machine machine = freshMachine("fat-machine");
    std::error_code ec;
    fs::remove_all(machine.driveC(), ec);
    put(machine.driveC(), bytes);
    auto listed = platform::findFiles(machine, "C:\\*.*");
    if (listed)
        for (const auto& entry : *listed)
            if (!entry.directory)
                (void)platform::readWholeFile(machine, "C:\\" + entry.name);
    (void)platform::findFiles(machine, "C:\\WINDOWS\\*.*");
    (void)platform::resolveWinPath(machine, "C:\\WINDOWS\\SYSTEM\\USER.EXE");
    (void)platform::machineRegistry(machine).check();
    std::string after;
    if (!slurp(machine.driveC(), after) || after != bytes)
        fail("reading a machine's drive C: changed its image");
}

} // namespace

void fuzzFatImage(const std::uint8_t* data, std::size_t size) {
    const platform::Machine machine = freshMachine("fat");
    const fs::path image = machine.driveC().parent_path() / "drive_c.img";
    const std::string original(asText(data, size));
    readAsMachine(original);
    put(image, original);

    auto volume = FatVolume::open(image, true);
    if (!volume) {
        if (volume.error().message.find(image.string()) == std::string::npos)
            fail("an image that does not open gives an error without its name");
        return;
    }
    int folders = 0;
    walk(*volume, "", 0, folders);

    // A write either fails before touching the image or lands where a read
    // finds it; the image never grows or shrinks.
    const std::string bytes = "written by the harness\r\n";
    auto written = volume->writeFile("Harness Output.txt", bytes);
    std::string after;
    if (!slurp(image, after))
        fail("the image went missing");
    if (after.size() != original.size())
        fail("a write changed the image's size");
    if (!written) {
        if (after != original)
            fail("a failed write changed the image");
        return;
    }
    auto back = volume->readFile("HARNES~1.TXT");
    if (!back || *back != bytes)
        fail("a file written is not read back under its alias");
    auto again = FatVolume::open(image, false);
    if (!again)
        fail("an image written by us no longer opens");
    back = again->readFile("harness output.TXT");
    if (!back || *back != bytes)
        fail("a file written is not read back by a fresh open");
}

} // namespace velkan::fuzz
