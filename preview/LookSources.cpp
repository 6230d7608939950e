#include "preview/LookSources.h"

#include "shellpatch/TextField.h"
#include "startmenu/IconMetrics.h"
#include "startmenu/IconSlots.h"
#include "startmenu/Visibility.h"

namespace velkan::preview {

using platform::RootKey;
using shellpatch::Entry;

std::array<bool, shellpatch::kEntryCount> readHiddenEntries(const platform::Registry& registry) {
    std::array<bool, shellpatch::kEntryCount> hidden{};
    auto policies = registry.openKey(RootKey::LocalMachine, startmenu::kPolicyKey);
    for (const auto& entry : shellpatch::kStartMenuEntries) {
        const char* policy = startmenu::policyValueOf(entry.entry);
        if (policy && policies)
            hidden[static_cast<int>(entry.entry)] = startmenu::policyHides(policies->query(policy));
    }
    bool suspendShown = false;
    if (auto apm = registry.openKey(RootKey::LocalMachine, startmenu::kApmKey)) {
        auto value = apm->query(startmenu::kApmSuspendValue);
        suspendShown = value && !value->data.empty() && value->data[0] == '\x01';
    }
    hidden[static_cast<int>(Entry::Suspend)] = !suspendShown;
    return hidden;
}

std::array<std::optional<std::string>, shellpatch::kEntryCount>
readShellIcons(const platform::Registry& registry) {
    std::array<std::optional<std::string>, shellpatch::kEntryCount> icons{};
    auto key = registry.openKey(RootKey::LocalMachine, startmenu::kShellIconsKey);
    if (!key)
        return icons;
    for (const auto& entry : shellpatch::kStartMenuEntries)
        if (auto value = key->query(std::to_string(entry.shellIconNumber)))
            icons[static_cast<int>(entry.entry)] = value->asString();
    return icons;
}

void readWindowMetrics(const platform::Registry& registry, LookSources& sources) {
    auto key = registry.openKey(RootKey::CurrentUser, startmenu::kWindowMetricsKey);
    if (!key)
        return;
    if (auto size = key->queryString(startmenu::kShellIconSizeValue))
        sources.shellIconSize = *size;
    if (auto bpp = key->queryString(startmenu::kShellIconBppValue))
        sources.shellIconBpp = *bpp;
}

std::u16string shownUnits(std::string_view bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += char16_t(static_cast<unsigned char>(bytes[i]) |
                         static_cast<unsigned char>(bytes[i + 1]) << 8);
    while (!text.empty() && text.back() == u' ')
        text.pop_back();
    if (auto nul = text.find(u'\0'); nul != std::u16string::npos)
        text.resize(nul);
    return text;
}

std::u16string shownFieldText(std::string_view explorer, shellpatch::TextField field) {
    if (!field.present() || field.offset < 0 || std::size_t(field.offset) >= explorer.size())
        return {};
    return shownUnits(explorer.substr(std::size_t(field.offset), std::size_t(2 * field.length)));
}

std::u16string shownAfterWrite(int build, std::string_view text, shellpatch::TextField field,
                               bool nulPadding) {
    const auto codec = shellpatch::TextCodec::forBuild(build);
    // The edit shows (and the writer takes) the text up to its first NUL.
    text = text.substr(0, text.find('\0'));
    return shownUnits(codec.encodeField(text, field.length, nulPadding));
}

} // namespace velkan::preview
