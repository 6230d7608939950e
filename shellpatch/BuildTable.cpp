#include "shellpatch/BuildTable.h"

#include "platform/Text.h"

#include <charconv>

namespace velkan::shellpatch {

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return platform::asciiLowercase(a) == platform::asciiLowercase(b);
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
