#pragma once

#include "platform/RegistryTree.h"

// A registry the size of a well-used Windows 95 machine's SYSTEM.DAT, for
// measuring the registry file code: about 5 000 keys and 16 000 values (file
// associations, COM classes, device and driver keys), about 1.2 MB once
// written. The same tree on every call.
namespace velkan::platform::detail {

RegNode largeSystemTree();

} // namespace velkan::platform::detail
