#pragma once

#include "platform/Registry.h"
#include "platform/Result.h"

namespace velkan::machine {

// The registry keys and values a freshly installed Windows 95 has where the
// product looks: the icon metrics, the APM device entry with its Suspend
// switch, the Explorer policy keys, the shell folders, the Run key and the
// version. There is no "Shell Icons" key; a stock Windows 95 has none.
platform::Status writeFreshRegistry(const platform::Registry& registry);

// The folders of drive C: that the fresh registry's shell folders name, in
// Windows spelling, parents first.
const char* const* freshShellFolders();

} // namespace velkan::machine
