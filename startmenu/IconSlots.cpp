#include "startmenu/IconSlots.h"

namespace velkan::startmenu {

void writeIconSlots(platform::Registry& registry, const IconSlots& slots, bool appendIndex) {
    auto key = registry.createKey(platform::RootKey::LocalMachine, kShellIconsKey);
    if (!key)
        return;
    for (const auto& slot : slots) {
        const std::string name = std::to_string(slot.number);
        if (slot.pending.empty())
            continue;
        if (appendIndex)
            (void)key->setString(name, slot.pending + ",0");
        else if (slot.pending == kRestoreMarker)
            (void)key->deleteValue(name);
        else
            (void)key->setString(name, slot.pending);
    }
    key->close();
}

void deleteShellIcons(platform::Registry& registry) {
    auto key = registry.openKey(platform::RootKey::LocalMachine, kShellIconsKey);
    if (!key)
        return;
    for (const char* name : {"19", "20", "21", "22", "23", "24", "25", "27", "43", "44"})
        (void)key->deleteValue(name);
    key->close();
}

} // namespace velkan::startmenu
