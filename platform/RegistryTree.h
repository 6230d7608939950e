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

// The name of the user whose settings HKEY_CURRENT_USER shows: Windows 95
// without user profiles has only the default user.
inline constexpr std::string_view kDefaultUser = ".DEFAULT";

// HKEY_LOCAL_MACHINE (SYSTEM.DAT) and HKEY_USERS (USER.DAT). HKEY_CLASSES_ROOT
// lives inside the first and HKEY_CURRENT_USER is the default user's key of
// the second, as on Windows 95.
struct RegTree {
    RegNode localMachine{"HKEY_LOCAL_MACHINE", {}, {}};
    RegNode users{"HKEY_USERS", {}, {}};

    // The node a root's paths start from. HKEY_CURRENT_USER's key is made
    // when it is missing; reading a tree without one sees an empty key.
    RegNode& root(RootKey key);
    const RegNode& root(RootKey key) const;
    bool operator==(const RegTree&) const = default;
};

// Windows 95's limits: a key or value name of at most 255 characters, keys
// nested no deeper than this, and a key path (names and backslashes, below its
// root) no longer than this. Files that exceed them are refused, and no call
// can make a key beyond them.
inline constexpr size_t kMaxRegNameLength = 255;
inline constexpr size_t kMaxRegKeyDepth = 512;
inline constexpr size_t kMaxRegPathLength = 4096;

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
