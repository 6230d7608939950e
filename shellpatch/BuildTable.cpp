#include "shellpatch/BuildTable.h"

#include <charconv>

namespace velkan::shellpatch {

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::optional<int> findBuild(std::string_view positionOrCaption) {
    int position = -1;
    const char* first = positionOrCaption.data();
    const char* last = first + positionOrCaption.size();
    auto [end, ec] = std::from_chars(first, last, position);
    if (ec == std::errc() && end == last && !positionOrCaption.empty())
        return buildAt(position) ? std::optional<int>(position) : std::nullopt;
    for (const auto& build : kBuilds)
        if (sameIgnoringCase(build.itemCaption, positionOrCaption))
            return build.position;
    return std::nullopt;
}

} // namespace velkan::shellpatch
