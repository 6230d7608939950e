#pragma once

#include "platform/Machine.h"

#include <string>
#include <string_view>

namespace velkan::remove {

// The uninstaller's guard on what it deletes: only inside a folder the
// registry named. A folder that is not known (an empty or missing value) is
// skipped, so that a missing value can never aim a deletion at the working
// folder or the root of a drive. Failed deletions pass silently.
class RemovalScope {
public:
    explicit RemovalScope(platform::Machine machine) : machine_(std::move(machine)) {}

    // `folder` ends in a backslash, as "Location" holds it.
    void deleteFileIn(const std::string& folder, std::string_view name) const;
    void removeFolder(const std::string& folder) const;

private:
    platform::Machine machine_;
};

} // namespace velkan::remove
