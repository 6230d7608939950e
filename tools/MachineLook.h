#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"
#include "preview/LookSources.h"
#include "tools/ShellView.h"

namespace velkan::machine {

// What the machine's shell will draw its Start button and menu from at
// `moment`: the shell files `show` finds (after the pending swap, or in use)
// and the registry values the shell reads.
platform::Result<preview::LookSources> machineLookSources(const platform::Machine& machine,
                                                          ShellMoment moment);

} // namespace velkan::machine
