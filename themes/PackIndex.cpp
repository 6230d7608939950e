#include "themes/PackIndex.h"

#include "platform/Files.h"
#include "platform/ProfileString.h"
#include "themes/PackFormat.h"

namespace velkan::themes {

bool holdsPack(const platform::Machine& machine, std::string_view folder) {
    return platform::fileExists(machine, inFolder(folder, kIndexFile));
}

PackIndex::PackIndex(const platform::Machine& machine, std::string_view folder)
    : machine_(machine), path_(inFolder(folder, kIndexFile)) {}

std::optional<std::string> PackIndex::caption(std::string_view section,
                                              std::string_view key) const {
    std::string value = platform::readProfileString(machine_, path_, section, key, kAbsentMarker);
    if (value == kAbsentMarker)
        return std::nullopt;
    return value;
}

std::optional<std::string> PackIndex::menuCaption(shellpatch::Entry entry) const {
    for (const auto& c : kCaptionKeys)
        if (c.entry == entry)
            return caption(kStartMenuSection, c.key);
    return std::nullopt;
}

std::optional<std::string> PackIndex::startText() const {
    return caption(kStartButtonSection, "Text");
}

std::optional<std::string> PackIndex::tooltip() const {
    return caption(kStartButtonSection, "ToolTip");
}

int PackIndex::storedLogoHeight() const {
    return platform::readProfileIntExact(machine_, path_, kStartMenuSection, "LogoHeight",
                                         kNoLogoHeight);
}

std::optional<int> PackIndex::logoHeight() const {
    const int height = storedLogoHeight();
    if (height < 1 || height > shellpatch::kLogoMaxHeight)
        return std::nullopt;
    return height;
}

std::string PackIndex::name() const {
    return platform::readProfileString(machine_, path_, kAboutSection, "Name", "");
}

std::string PackIndex::author() const {
    return platform::readProfileString(machine_, path_, kAboutSection, "Author", "Unknown");
}

std::string PackIndex::description() const {
    return platform::readProfileString(machine_, path_, kAboutSection, "Description", "Unknown");
}

platform::Status writePackIndex(const platform::Machine& machine, std::string_view indexPath,
                                const PackIndexValues& values) {
    struct Key {
        const char* section;
        const char* key;
        const std::optional<std::string>* value;
    };
    const std::optional<std::string> name = values.name, author = values.author,
                                     description = values.description;
    std::optional<std::string> height;
    if (values.logoHeight)
        height = std::to_string(*values.logoHeight);

    std::vector<Key> keys = {{kAboutSection, "Name", &name},
                             {kAboutSection, "Author", &author},
                             {kAboutSection, "Description", &description},
                             {kStartButtonSection, "Text", &values.startText},
                             {kStartButtonSection, "Tooltip", &values.tooltip}};
    for (const auto& c : kCaptionKeys)
        keys.push_back({kStartMenuSection, c.key, &values.captions[static_cast<int>(c.entry)]});
    keys.push_back({kStartMenuSection, "LogoHeight", &height});

    for (const auto& k : keys) {
        if (!*k.value)
            continue;
        if (auto written =
                platform::writeProfileString(machine, indexPath, k.section, k.key, **k.value);
            !written)
            return written;
    }
    return {};
}

} // namespace velkan::themes
