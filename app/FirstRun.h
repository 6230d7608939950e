#pragma once

#include "platform/Result.h"

namespace velkan::app {

// The program's first run: when VELKAN_MACHINE is unset and the default
// machine folder does not exist yet, the machine tool makes it (a fresh
// English US IE4.01 machine with Velkan installed) and the result is true.
// Otherwise everything is left alone and the result is false. The machine is
// made beside its final place and moved there when complete, so an
// interrupted first run never leaves half a machine.
platform::Result<bool> makeDemoMachineOnFirstRun();

} // namespace velkan::app
