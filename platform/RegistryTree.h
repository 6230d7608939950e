#pragma once

#include "platform/Registry.h"

#include <string>
#include <string_view>
#include <vector>

// The registry's contents in memory, as the file holds them. Used by the
// registry itself and by its REGEDIT4 reader and writer.
namespace velkan::platform::detail {

// Key and value names compare as Windows 95 compares them: without regard to
// case, folding the letters of the Western (1252) code page.
bool sameName(std::string_view a, std::string_view b);

struct RegNode {
    std::string name; // as created
    std::vector<RegNamedValue> values;
    std::vector<RegNode> subkeys;

    RegNode* findSubkey(std::string_view key);
    const RegNode* findSubkey(std::string_view key) const;
    RegNode& subkey(std::string_view key); // found or appended
    bool removeSubkey(std::string_view key);

    const RegNamedValue* findValue(std::string_view valueName) const;
    void setValue(std::string_view valueName, RegValue value);
    bool removeValue(std::string_view valueName);

    bool operator==(const RegNode&) const = default;
};

// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER; HKEY_CLASSES_ROOT lives inside the
// first.
struct RegTree {
    RegNode localMachine{"HKEY_LOCAL_MACHINE", {}, {}};
    RegNode currentUser{"HKEY_CURRENT_USER", {}, {}};

    RegNode& root(RootKey key) { return key == RootKey::CurrentUser ? currentUser : localMachine; }
    const RegNode& root(RootKey key) const {
        return key == RootKey::CurrentUser ? currentUser : localMachine;
    }
    bool operator==(const RegTree&) const = default;
};

// The components of a key path below its stored root: HKEY_CLASSES_ROOT paths
// gain "Software\Classes" in front. Leading, trailing and doubled backslashes
// are ignored.
std::vector<std::string> keyPathBelowStoredRoot(RootKey root, std::string_view path);
// How many leading components of a stored path the caller's root hides.
size_t hiddenComponents(RootKey root);

// Names that the REGEDIT4 form cannot hold (line breaks, NULs; key names also
// no backslash) are refused before they reach the tree.
bool writableKeyName(std::string_view name);
bool writableValueName(std::string_view name);

} // namespace velkan::platform::detail
