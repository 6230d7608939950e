#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace velkan::platform {

// The machine folder: the contents of a Windows 95 machine on the host, in the
// layout of a Wine prefix.
//   drive_c/       drive C: (may be a symbolic link to a mounted disk), or
//   drive_c        a disk image file holding it (or a link to one)
//   dosdevices/    further drives, each a symbolic link named "d:", "e:", ...
//   registry.lock  orders the registry writers of several programs
//   registry.reg   the registry of machine folders made by earlier versions
//                  (REGEDIT4 text); others keep it in C:\WINDOWS\SYSTEM.DAT
//                  and USER.DAT
//   journal.txt    what the machine was asked to do (shell starts, restarts)
class Machine {
public:
    explicit Machine(std::filesystem::path root);

    // $VELKAN_MACHINE, else $XDG_DATA_HOME/velkan/machine, else
    // ~/.local/share/velkan/machine. The folder need not exist yet.
    static Machine fromEnvironment();

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path driveC() const { return root_ / "drive_c"; }
    std::filesystem::path dosDevices() const { return root_ / "dosdevices"; }
    std::filesystem::path registryFile() const { return root_ / "registry.reg"; }
    std::filesystem::path journalFile() const { return root_ / "journal.txt"; }

    // The host folder of a drive ('c' or 'C' alike), or nothing when the drive
    // is not ready: no such letter, or a link that is missing or dangling.
    // Drive C: kept as a disk image is its "drive_c" path, below which the
    // file layer finds the files inside the image.
    std::optional<std::filesystem::path> driveRoot(char letter) const;

    // Whether the letter names a drive at all, ready or not (C: always does).
    bool hasDrive(char letter) const;

    // Every drive letter of the machine, upper case, in alphabetical order,
    // including drives that are not ready, as a drive box lists them.
    std::vector<char> drives() const;

private:
    std::filesystem::path root_;
};

} // namespace velkan::platform
