#pragma once

#include "platform/Machine.h"
#include "shellpatch/BuildTable.h"
#include "themes/PackFormat.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// What the browser shows of the pack in a folder: which of its picture files
// exist, and its "About" texts. The pack on disk is read afresh each time.
namespace velkan::themes {

struct PackPreview {
    bool isPack = false; // the folder holds "index.vkr"
    // Windows paths of the files that exist, by position.
    std::array<std::optional<std::string>, kStartIconSizes.size()> startIcons{};
    std::optional<std::string> logo;
    std::array<std::optional<std::string>, shellpatch::kEntryCount> itemIcons{};
    std::string name, author, description;
};

PackPreview readPackPreview(const platform::Machine& machine, std::string_view folder);

// Where the preview's logo sits in its 130-pixel column: the top is 23 for a
// logo of 130 rows or more, else bottom-aligned at 153.
int previewLogoTop(int height);

} // namespace velkan::themes
