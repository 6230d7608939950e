#include "app/FolderList.h"

#include "platform/Text.h"

#include "platform/Files.h"
#include "platform/WinPath.h"

#include <cctype>

namespace velkan::app {

namespace {

char upper(char c) {
    return platform::asciiUpper(c);
}

// "C:\A\B\" and "c:/a/b" both become "C:\A\B"; a root stays "C:\".
std::string normalised(std::string folder) {
    for (char& c : folder)
        if (c == '/')
            c = '\\';
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    if (folder.size() == 2)
        folder += '\\';
    if (!folder.empty())
        folder[0] = upper(folder[0]);
    return folder;
}

std::string child(const std::string& folder, const std::string& name) {
    return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

} // namespace

platform::Status FolderList::setDirectory(const std::string& folder) {
    const std::string target = normalised(folder);
    if (target.size() < 3 || target[1] != ':')
        return platform::Error::of(platform::WinError::PathNotFound, "Invalid path " + folder);
    if (!machine_.driveRoot(target[0]))
        return platform::Error::of(platform::WinError::NotReady,
                                   std::string("Drive ") + target[0] + ": is not ready");
    if (!platform::directoryExists(machine_, target))
        return platform::Error::of(platform::WinError::PathNotFound, "Invalid path " + folder);
    directory_ = target;
    update();
    return {};
}

platform::Status FolderList::setDrive(char letter) {
    if (!machine_.driveRoot(letter))
        return platform::Error::of(platform::WinError::NotReady,
                                   std::string("Drive ") + upper(letter) + ": is not ready");
    return setDirectory(std::string(1, upper(letter)) + ":\\");
}

void FolderList::update() {
    items_.clear();
    // The way down from the root, then what lies in the current folder.
    std::string path = directory_.substr(0, 3);
    items_.push_back({path, path, 0, true});
    std::size_t pos = 3;
    while (pos < directory_.size()) {
        std::size_t next = directory_.find('\\', pos);
        if (next == std::string::npos)
            next = directory_.size();
        const std::string name = directory_.substr(pos, next - pos);
        path = child(path, name);
        items_.push_back({name, path, static_cast<int>(items_.size()), true});
        pos = next + 1;
    }
    const int level = static_cast<int>(items_.size());
    if (auto entries = platform::findFiles(machine_, child(directory_, "*.*")))
        for (const auto& entry : *entries)
            if (entry.directory && entry.name != "." && entry.name != "..")
                items_.push_back({entry.name, child(directory_, entry.name), level, false});
    itemIndex_ = level - 1;
    updated();
}

void FolderList::openItem() {
    if (itemIndex_ < 0 || itemIndex_ >= static_cast<int>(items_.size()))
        return;
    const std::string path = items_[static_cast<std::size_t>(itemIndex_)].path;
    if (path != directory_)
        (void)setDirectory(path);
}

void FolderList::userClick(int index) {
    setItemIndex(index);
    if (onClick)
        onClick();
}

DriveBox::DriveBox(std::string name, const platform::Machine& machine)
    : Control(std::move(name)), drives_(machine.drives()) {}

void DriveBox::userSelect(char letter) {
    if (letter == drive_)
        return;
    setDrive(letter);
    if (onChange)
        onChange();
}

} // namespace velkan::app
