#include "themes/Rotation.h"

#include "platform/Files.h"
#include "themes/PackFormat.h"

namespace velkan::themes {

std::vector<std::string> rotationCandidates(const platform::Machine& machine,
                                            std::string_view programFolder) {
    std::vector<std::string> folders;
    auto entries = platform::findFiles(machine, inFolder(programFolder, "*.*"));
    if (!entries)
        return folders;
    for (const auto& entry : *entries)
        if (entry.directory && entry.name != "." && entry.name != "..")
            folders.push_back(entry.name);
    return folders;
}

RotationStep nextInRotation(const std::vector<std::string>& folders, std::int64_t lastTheme) {
    RotationStep step;
    std::int64_t count = 0;
    for (const auto& folder : folders) {
        ++count;
        if (count == 1)
            step.folder = folder;
        if (count > lastTheme) {
            step.folder = folder;
            break;
        }
    }
    if (lastTheme == count)
        count = 1;
    step.stored = static_cast<std::uint32_t>(count);
    return step;
}

} // namespace velkan::themes
