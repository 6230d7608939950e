#pragma once

#include <optional>

#include "platform/Controls.h"
#include "platform/Registry.h"
#include "platform/Result.h"
#include "shellpatch/BuildTable.h"

// Which Start-menu entries Windows hides: the Explorer policy values and the
// APM device's Suspend switch, shown as the six check boxes beside the
// captions (a ticked box means the entry is shown).
namespace velkan::startmenu {

inline constexpr const char* kPolicyKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline constexpr const char* kApmKey = "\\Enum\\Root\\*PNP0C05\\0000";
inline constexpr const char* kApmSuspendValue = "APMMenuSuspend";

// The policy values Restore deletes, in the order it deletes them.
inline constexpr const char* kPolicyValues[] = {"NoSetFolders", "NoFind", "NoRun",
                                                "NoClose",      "NoSetTaskbar", "NoLogoff"};

// The policy value that hides a Start-menu entry, or nullptr for an entry no
// policy hides (Programs, Documents, Help; Suspend has the APM switch).
const char* policyValueOf(shellpatch::Entry entry);

struct VisibilityBoxes {
    platform::CheckBox& settings; // ContrCB
    platform::CheckBox& find;     // FindCB
    platform::CheckBox& run;      // RunCB
    platform::CheckBox& logOff;   // LogCB
    platform::CheckBox& suspend;  // SuspCB
    platform::CheckBox& shutDown; // ShutCB
};

// A policy value hides its entry only when it is binary data reading as
// exactly 1; anything else, or nothing, leaves the entry shown.
bool policyHides(const platform::Result<platform::RegValue>& value);

// Ticks the boxes of the entries that are shown (it never unticks one). On an
// IE4 build a shown Settings entry is ticked grayed, since some of its items
// cannot be hidden there. Without the APM device the Suspend box is disabled.
// A registry error ends the reading where it happens.
void readVisibility(platform::Registry& registry, VisibilityBoxes boxes, bool ie4);

// Which entries the boxes show, as values that outlive the boxes. Suspend
// has a switch only where the APM device enabled its box.
struct EntryVisibility {
    bool settings = true, find = true, run = true, logOff = true, shutDown = true;
    std::optional<bool> suspend;
};

// Writes the policy values (each value's failure skipped), then the APM
// switch when there is one. An error around the APM switch is returned, for
// it ends the apply.
platform::Status writeVisibility(platform::Registry& registry, const EntryVisibility& shown,
                                 bool ie4);

// Deletes the six policy values; the APM switch is left alone.
void deletePolicies(platform::Registry& registry);

} // namespace velkan::startmenu
