#pragma once

#include "platform/RegistryTree.h"
#include "platform/Result.h"

#include <string>
#include <string_view>

// The REGEDIT4 text form of a registry, as Windows 95's regedit exports and
// imports it.
namespace velkan::platform::detail {

// Reads a REGEDIT4 file. Anything the writer below would not produce and
// regedit would not accept is a BadDb error whose message names `fileName` and
// the line; so is a key beyond Windows' limits of name length, depth and path
// length. An empty text is an empty registry.
Result<RegTree> parseRegistryFile(std::string_view text, const std::string& fileName);

// Which roots a written text names the user keys under.
enum class RegeditStyle {
    // As "regedit /e" exports a whole registry: HKEY_LOCAL_MACHINE, then
    // HKEY_USERS.
    Export,
    // As machine folders of earlier versions keep registry.reg: the default
    // user's keys under HKEY_CURRENT_USER, any other user's under HKEY_USERS.
    MachineFile,
};

// Writes every key, parents before children, in the order they were created,
// with CRLF line ends. Reading the result back gives the same tree.
std::string formatRegistryFile(const RegTree& tree, RegeditStyle style = RegeditStyle::Export);

} // namespace velkan::platform::detail
