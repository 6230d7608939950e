#pragma once

#include <filesystem>
#include <string_view>

#include "platform/Result.h"

namespace velkan::platform {

// Replaces `file` with `bytes` so that a crash at any moment leaves either the
// whole old file or the whole new one: the bytes go to a temporary file beside
// it, are flushed to the disk, and the temporary file is renamed over the
// target. The folder must exist. The new file keeps the old one's permissions
// when there was one.
Status writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// The temporary file of a write to `file`, made beside it as
// "<name>.~XXXXXX" and flock'ed for as long as its writer lives; -1 and errno
// when it cannot be made. `temp` receives its path.
int makeTemporaryFile(const std::filesystem::path& file, std::string& temp);

// Removes the temporary files a killed writer left beside `file`: those that
// no living writer holds. Called before each new write of the same file, and
// before each copy from it.
void removeLeftoverTemporaries(const std::filesystem::path& file);

} // namespace velkan::platform
