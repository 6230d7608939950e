#pragma once

#include "platform/RegistryTree.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// Debian's cregexport (libcreg-utils), an independent reader of Windows 9x
// registry files, as the judge of the files we write.
namespace velkan::test {

// One value as cregexport shows it; names are UTF-8 from code page 1252.
struct ShownValue {
    std::string name, type, data;
    bool operator==(const ShownValue&) const = default;
};
// Key path -> values, in the order cregexport lists the keys.
using Shown = std::vector<std::pair<std::string, std::vector<ShownValue>>>;

std::ostream& operator<<(std::ostream& out, const ShownValue& v);

bool cregexportPresent();

// Every key and value of `file` as cregexport reads them (a failed read is a
// test failure).
Shown cregexport(const std::filesystem::path& file);

// What cregexport should show for a tree whose names use only ASCII and the
// bytes 0xA0-0xFF (where code page 1252 is Latin-1). Values hold the bytes the
// file holds (strings without a terminating NUL).
Shown expectedShown(const platform::detail::RegNode& root);

} // namespace velkan::test

namespace velkan::test {

// The test fails unless cregexport reads the registry file `file` with exactly
// the keys and values our own reader finds in it. Without cregexport (a
// machine not set up by scripts/setup.sh) nothing is checked.
void expectCregexportAgrees(const std::filesystem::path& file);

// The same for both registry files of a machine folder made by
// "velkan-machine create" (C:\WINDOWS\SYSTEM.DAT and USER.DAT).
void expectCregexportAgreesOnMachine(const std::filesystem::path& machineRoot);

} // namespace velkan::test
