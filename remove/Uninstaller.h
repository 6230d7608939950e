#pragma once

#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/UserQuestions.h"
#include "remove/RemovalScope.h"

#include <span>
#include <string>
#include <string_view>

namespace velkan::remove {

enum class Outcome {
    Declined,    // the user answered No; nothing was touched
    Uninstalled, // every key opened; the success report was shown
    Failed,      // a key could not be opened; the error report was shown
};

// The uninstaller's one pass over a machine: the question, the removal of the
// product's keys, values, program files, stock theme packs and shortcuts, and
// the closing report. Every deletion that fails is passed over silently; only a
// key that cannot be opened turns the report into an error. Nothing is ever
// written, and nothing is removed from a folder the registry does not name.
class Uninstaller {
public:
    Uninstaller(platform::Machine machine, platform::UserQuestions& questions);

    Outcome run();

private:
    void removeRegistryKeys(platform::RootKey root, std::span<const char* const> keys);
    void readProgramFolder();
    void removeStockPacks();
    void removeProgramFiles();
    void removeRunEntry();
    void removeShortcuts();

    // The handful of registry steps, each against the current root and key.
    void openKey(std::string_view path);
    void closeKey();
    std::string readString(std::string_view valueName) const;

    platform::Machine machine_;
    platform::Registry registry_;
    platform::UserQuestions& questions_;
    RemovalScope scope_; // deletes only inside folders the registry named

    platform::RootKey root_ = platform::RootKey::ClassesRoot;
    platform::RegKey currentKey_;
    bool success_ = true;
    std::string programFolder_; // ends in a backslash, as "Location" holds it
};

} // namespace velkan::remove
