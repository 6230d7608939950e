#include "remove/Uninstaller.h"

#include "platform/Files.h"
#include "platform/MachineRegistry.h"
#include "remove/UninstallItems.h"
#include "remove/UninstallTexts.h"

#include <utility>

namespace velkan::remove {

using platform::MessageButtons;
using platform::MessageIcon;
using platform::RootKey;

Uninstaller::Uninstaller(platform::Machine machine, platform::UserQuestions& questions)
    : machine_(std::move(machine)), registry_(platform::machineRegistry(machine_)),
      questions_(questions), scope_(machine_) {}

Outcome Uninstaller::run() {
    if (questions_.messageBox(confirmationText(), kCaption, MessageIcon::None,
                              MessageButtons::YesNo) == platform::IDNO)
        return Outcome::Declined;

    // On a damaged disk image every step would fail on its own, and quietly:
    // the report says what is wrong, and nothing is tried.
    if (auto readable = registry_.check(); !readable && platform::damagedDisk(readable.error())) {
        questions_.messageBox("The registry could not be read:\r" + readable.error().message,
                              kCaption, MessageIcon::Error, MessageButtons::OK);
        questions_.messageBox(failureText(), kCaption, MessageIcon::None, MessageButtons::OK);
        return Outcome::Failed;
    }

    removeRegistryKeys(RootKey::ClassesRoot, kFileTypeKeys);
    root_ = RootKey::CurrentUser;
    readProgramFolder();
    removeStockPacks();
    removeProgramFiles();
    // Holds the uninstaller itself, so this normally fails, and quietly.
    scope_.removeFolder(programFolder_);
    registry_.deleteKey(root_, kProductKey);
    removeRunEntry();
    removeShortcuts();
    removeRegistryKeys(RootKey::LocalMachine, kMachineKeys);
    // A deletion the disk could not take leaves the product registered: that
    // is no successful uninstall, however quietly single deletions fail.
    if (auto lost = registry_.takeWriteFailure()) {
        questions_.messageBox("The registry could not be changed:\r" + lost->message, kCaption,
                              MessageIcon::Error, MessageButtons::OK);
        success_ = false;
    }

    questions_.messageBox(success_ ? successText() : failureText(), kCaption, MessageIcon::None,
                          MessageButtons::OK);
    return success_ ? Outcome::Uninstalled : Outcome::Failed;
}

void Uninstaller::removeRegistryKeys(RootKey root, std::span<const char* const> keys) {
    root_ = root;
    for (const char* key : keys)
        registry_.deleteKey(root_, key);
}

void Uninstaller::readProgramFolder() {
    openKey(kProductKey);
    programFolder_ = readString(kLocationValue);
    closeKey();
}

void Uninstaller::removeStockPacks() {
    for (const StockPack& pack : kStockPacks) {
        const std::string themeFolder = programFolder_.empty() ? "" : programFolder_ + pack.folder;
        for (const char* name : pack.files)
            scope_.deleteFileIn(themeFolder, name);
        if (pack.fullSet)
            for (const char* name : kPackFileSet)
                scope_.deleteFileIn(themeFolder, name);
        scope_.removeFolder(themeFolder);
    }
}

void Uninstaller::removeProgramFiles() {
    for (const char* name : kProgramFiles)
        scope_.deleteFileIn(programFolder_, name);
}

void Uninstaller::removeRunEntry() {
    openKey(kRunKey);
    currentKey_.deleteValue(kRunValue);
    closeKey();
}

void Uninstaller::removeShortcuts() {
    openKey(kShellFoldersKey);
    for (const char* valueName : kShortcutFolderValues) {
        const std::string folder = readString(valueName);
        scope_.deleteFileIn(folder.empty() ? folder : folder + "\\", kShortcutFile);
    }
    closeKey();
}

void Uninstaller::openKey(std::string_view path) {
    currentKey_ = {};
    auto key = registry_.openKey(root_, path);
    if (!key) {
        success_ = false;
        return;
    }
    currentKey_ = std::move(*key);
}

void Uninstaller::closeKey() {
    currentKey_.close();
    currentKey_ = {};
}

// RegQueryValueEx twice, first for the type and size, then for the bytes: a
// string is cut at its first NUL, any other type is taken as it stands.
std::string Uninstaller::readString(std::string_view valueName) const {
    std::uint32_t type = platform::REG_NONE;
    std::uint32_t size = 0;
    if (!currentKey_.queryEx(valueName, &type, nullptr, &size) || size == 0)
        return {};
    std::string bytes(size, '\0');
    if (!currentKey_.queryEx(valueName, &type, bytes.data(), &size))
        return {};
    bytes.resize(size);
    if (type == platform::REG_SZ || type == platform::REG_EXPAND_SZ)
        if (auto end = bytes.find('\0'); end != std::string::npos)
            bytes.resize(end);
    return bytes;
}

} // namespace velkan::remove
