#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Result.h"

namespace velkan::machine {

// The stock theme packs, in the order the installer delivers them.
const std::vector<std::string>& stockPackNames();

// Writes the four stock theme packs as subfolders of `programFolder` (a host
// folder), replacing their files when they exist.
platform::Status writeStockPacks(const std::filesystem::path& programFolder);

} // namespace velkan::machine
