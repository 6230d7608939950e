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
// the line. An empty text is an empty registry.
Result<RegTree> parseRegistryFile(std::string_view text, const std::string& fileName);

// Writes every key of both roots, parents before children, in the order they
// were created, with CRLF line ends. Reading the result back gives the same tree.
std::string formatRegistryFile(const RegTree& tree);

} // namespace velkan::platform::detail
