#include "remove/RemovalScope.h"

#include "platform/Files.h"

namespace velkan::remove {

void RemovalScope::deleteFileIn(const std::string& folder, std::string_view name) const {
    if (folder.empty())
        return;
    (void)platform::deleteFile(machine_, folder + std::string(name));
}

void RemovalScope::removeFolder(const std::string& folder) const {
    if (folder.empty())
        return;
    (void)platform::removeDirectory(machine_, folder);
}

} // namespace velkan::remove
