#pragma once

#include "platform/Machine.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "tests/support/Cregexport.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <map>
#include <string>

namespace velkan::test {

// A machine folder with Velkan installed, made by the machine tool
// ("velkan-machine create" and "install"). The first one is made once and
// copied for every later test, so each test still gets its own.
class InstalledMachine {
public:
    InstalledMachine();
    // Whatever the test did, cregexport must read the registry files as we do.
    ~InstalledMachine() { expectCregexportAgreesOnMachine(root()); }

    const std::filesystem::path& root() const { return dir_.path(); }
    platform::Machine machine() const { return platform::Machine(root()); }
    platform::Registry registry() const { return platform::machineRegistry(machine()); }
    // The host path of a Windows path on drive C:.
    std::filesystem::path hostPath(const std::string& winPath) const;

private:
    TempDir dir_;
};

// Every file and folder of drive C: but the registry files, by path relative
// to it in lower case (Windows names are case-blind, and a FAT disk spells
// 8.3 names in upper case), with a digest of each file's bytes ("<dir>" for
// folders).
using FileListing = std::map<std::string, std::string>;
FileListing listFiles(const platform::Machine& machine);

// Every key ("HKLM\...") and value ("HKLM\...|name" -> type and bytes) of the
// registry, keys and value names in lower case, as Windows compares them.
using RegistryListing = std::map<std::string, std::string>;
RegistryListing listRegistry(const platform::Registry& registry);

// Runs velkan-remove on the machine without a display, typing `answers` on
// its terminal. `workingFolder` is the host folder it starts in.
ProcessResult runRemove(const std::filesystem::path& machineRoot, const std::string& answers,
                        const std::filesystem::path& workingFolder = {});

} // namespace velkan::test
