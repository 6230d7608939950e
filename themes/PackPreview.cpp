#include "themes/PackPreview.h"

#include "platform/Files.h"
#include "themes/PackIndex.h"

namespace velkan::themes {

namespace {
constexpr int kLogoColumnBottom = 153;
constexpr int kLogoColumnTop = 23;
} // namespace

PackPreview readPackPreview(const platform::Machine& machine, std::string_view folder) {
    PackPreview preview;
    if (!holdsPack(machine, folder))
        return preview;
    preview.isPack = true;
    auto existing = [&](const std::string& name) -> std::optional<std::string> {
        std::string path = inFolder(folder, name);
        if (platform::fileExists(machine, path))
            return path;
        return std::nullopt;
    };
    for (std::size_t i = 0; i < kStartIconSizes.size(); ++i)
        preview.startIcons[i] = existing("icon" + std::to_string(kStartIconSizes[i]) + ".ico");
    preview.logo = existing(kSavedLogoFile);
    for (int n = 1; n <= shellpatch::kEntryCount; ++n)
        preview.itemIcons[n - 1] = existing(itemIconFile(n));
    const PackIndex index(machine, folder);
    preview.description = index.description();
    preview.author = index.author();
    preview.name = index.name();
    return preview;
}

int previewLogoTop(int height) {
    return height >= shellpatch::kLogoMaxHeight ? kLogoColumnTop : kLogoColumnBottom - height;
}

} // namespace velkan::themes
