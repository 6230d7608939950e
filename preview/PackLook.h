#pragma once

#include "platform/Machine.h"
#include "preview/LookSources.h"

#include <string_view>

// A theme pack laid over what the shell would show, as loading it and
// pressing OK would leave the shell files and the registry: its accepted
// Start-button icons go into User.exe's bytes, an accepted logo into
// Explorer.exe's, its captions, logo height and item icons into the
// overrides. Nothing on disk changes.
namespace velkan::preview {

// False (and `sources` untouched) when `folder` (a Windows path) holds no pack.
bool applyPack(LookSources& sources, const platform::Machine& machine, std::string_view folder);

// The loaders' own tests, on bytes: whether an icon file would go into
// User.exe and at which size, whether a bitmap would go into the logo area.
std::optional<int> acceptedStartIconSize(std::string_view iconFile);
bool acceptedLogo(std::string_view bitmapFile);

} // namespace velkan::preview
