#include "startmenu/Visibility.h"

#include <string>

namespace velkan::startmenu {

using platform::CheckState;
using platform::RootKey;

namespace {

std::string policyData(bool hidden) { return std::string(hidden ? "\x01" : "\x00", 1) + std::string(3, '\0'); }

bool shown(const platform::RegKey& key, const char* name) { return !policyHides(key.query(name)); }

} // namespace

bool policyHides(const platform::Result<platform::RegValue>& value) {
    if (!value || value->type != platform::REG_BINARY)
        return false;
    const std::string& d = value->data;
    // The shell reads up to four bytes; a longer value does not fit its buffer.
    if (d.empty() || d.size() > 4)
        return false;
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < d.size(); ++i)
        n |= static_cast<std::uint32_t>(static_cast<unsigned char>(d[i])) << (8 * i);
    return n == 1;
}

void readVisibility(platform::Registry& registry, VisibilityBoxes boxes, bool ie4) {
    auto policies = registry.createKey(RootKey::LocalMachine, kPolicyKey);
    if (!policies)
        return;
    if (shown(*policies, "NoSetFolders")) {
        boxes.settings.setChecked(true);
        if (ie4)
            boxes.settings.setState(CheckState::Grayed);
    }
    if (shown(*policies, "NoFind"))
        boxes.find.setChecked(true);
    if (shown(*policies, "NoRun"))
        boxes.run.setChecked(true);
    if (!ie4)
        boxes.logOff.setEnabled(false);
    else if (shown(*policies, "NoLogoff"))
        boxes.logOff.setChecked(true);
    if (shown(*policies, "NoClose"))
        boxes.shutDown.setChecked(true);
    policies->close();

    auto apm = registry.openKey(RootKey::LocalMachine, kApmKey);
    if (!apm) {
        if (apm.error().code == platform::WinError::FileNotFound)
            boxes.suspend.setEnabled(false);
        return;
    }
    auto suspend = apm->query(kApmSuspendValue);
    if (suspend) {
        // One byte is read; a longer value does not fit and ends the reading.
        if (suspend->data.size() > 1) {
            apm->close();
            return;
        }
        if (suspend->data.size() == 1 && suspend->data[0] == 1)
            boxes.suspend.setChecked(true);
    }
    apm->close();
}

platform::Status writeVisibility(platform::Registry& registry, const EntryVisibility& shown,
                                 bool ie4) {
    auto policies = registry.createKey(RootKey::LocalMachine, kPolicyKey);
    if (policies) {
        bool settingsHidden = !shown.settings;
        (void)policies->setBinary("NoSetFolders", policyData(settingsHidden));
        (void)policies->setBinary("NoSetTaskbar", policyData(settingsHidden));
        (void)policies->setBinary("NoRun", policyData(!shown.run));
        (void)policies->setBinary("NoFind", policyData(!shown.find));
        if (ie4)
            (void)policies->setBinary("NoLogoff", policyData(!shown.logOff));
        (void)policies->setBinary("NoClose", policyData(!shown.shutDown));
        policies->close();
    }
    if (!shown.suspend)
        return {};
    auto apm = registry.openKey(RootKey::LocalMachine, kApmKey);
    if (!apm)
        return apm.error();
    auto written = apm->setBinary(kApmSuspendValue, *shown.suspend ? "\x01" : std::string(1, '\0'));
    apm->close();
    return written;
}

void deletePolicies(platform::Registry& registry) {
    auto policies = registry.openKey(RootKey::LocalMachine, kPolicyKey);
    if (!policies)
        return;
    for (const char* name : kPolicyValues)
        (void)policies->deleteValue(name);
    policies->close();
}

const char* policyValueOf(shellpatch::Entry entry) {
    switch (entry) {
    case shellpatch::Entry::Settings:
        return "NoSetFolders";
    case shellpatch::Entry::Find:
        return "NoFind";
    case shellpatch::Entry::Run:
        return "NoRun";
    case shellpatch::Entry::LogOff:
        return "NoLogoff";
    case shellpatch::Entry::ShutDown:
        return "NoClose";
    default:
        return nullptr;
    }
}

} // namespace velkan::startmenu
