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

} // namespace velkan::platform
