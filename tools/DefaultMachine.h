#pragma once

#include "platform/Result.h"

#include <filesystem>

namespace velkan::machine {

// The programs' first run: when VELKAN_MACHINE is unset and the default
// machine folder does not exist yet, makes it (a fresh English US IE4.01
// machine with Velkan installed) and returns true. Otherwise leaves everything
// alone and returns false. The machine is made beside its final place and moved
// there when complete, so an interrupted first run never leaves half a machine.
platform::Result<bool> ensureDefaultMachine();

} // namespace velkan::machine
