#pragma once

#include "platform/Result.h"
#include "tools/Canvas.h"

#include <filesystem>
#include <string>
#include <vector>

namespace velkan::machine {

// The stock theme packs, in the order the installer delivers them.
const std::vector<std::string>& stockPackNames();

// The pictures of a stock pack: its logo (21 pixels wide) and its Start-button
// icon at one of the sizes 10, 12, 14, 16, 22 and 32.
Canvas drawStockLogo(const std::string& pack);
Canvas drawStockStartIcon(const std::string& pack, int size);

// Writes the four stock theme packs as subfolders of `programFolder` (a host
// folder), replacing their files when they exist.
platform::Status writeStockPacks(const std::filesystem::path& programFolder);

} // namespace velkan::machine
