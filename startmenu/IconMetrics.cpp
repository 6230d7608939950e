#include "startmenu/IconMetrics.h"

#include <charconv>

namespace velkan::startmenu {

const IconSizeMark& iconSizeMarkFor(int captionButtonWidth) {
    for (const auto& mark : kIconSizeMarks)
        if (captionButtonWidth <= mark.maxCaptionButtonWidth)
            return mark;
    return kIconSizeMarks[std::size(kIconSizeMarks) - 1];
}

platform::Result<WindowMetrics> readWindowMetrics(platform::Registry& registry) {
    auto key = registry.openKey(platform::RootKey::CurrentUser, kWindowMetricsKey);
    if (!key)
        return key.error();
    WindowMetrics metrics;
    if (auto size = key->queryString(kShellIconSizeValue))
        metrics.shellIconSize = *size;
    if (auto bpp = key->queryString(kShellIconBppValue))
        metrics.shellIconBpp = *bpp;
    key->close();
    return metrics;
}

platform::Status writeWindowMetric(platform::Registry& registry, std::string_view name,
                                   std::string_view text) {
    auto key = registry.createKey(platform::RootKey::CurrentUser, kWindowMetricsKey);
    if (!key)
        return key.error();
    auto written = key->setString(name, text);
    (void)key->flush();
    key->close();
    return written;
}

std::optional<int> parseIconSize(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    std::string_view digits = text;
    if (digits.front() == '+')
        digits.remove_prefix(1);
    int value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

} // namespace velkan::startmenu
