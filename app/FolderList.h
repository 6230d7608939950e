#pragma once

#include "platform/Controls.h"
#include "platform/Machine.h"
#include "platform/Result.h"

#include <string>
#include <vector>

namespace velkan::app {

// The folder list of the theme browser, as a directory list box shows it: the
// current folder's ancestors from the drive root down, then its subfolders.
// It reads the disk when told to; between updates it shows what it saw.
class FolderList : public platform::Control {
public:
    FolderList(std::string name, const platform::Machine& machine)
        : Control(std::move(name)), machine_(machine) {}

    struct Item {
        std::string caption; // "C:\" for the root, else the folder's name
        std::string path;    // the folder's Windows path
        int level = 0;       // indentation
        bool open = false;   // the current folder or one of its ancestors
    };

    // "C:\", or a folder without its trailing backslash.
    const std::string& directory() const { return directory_; }
    char drive() const { return directory_.empty() ? 'C' : directory_[0]; }
    const std::vector<Item>& items() const { return items_; }
    // The entry under the mouse, which a click makes the current folder.
    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int index) { set(itemIndex_, index); }

    // Moves to `folder` and reads its subfolders. A folder that is not there
    // fails and leaves the list as it was.
    platform::Status setDirectory(const std::string& folder);
    // Moves to the root of `letter`; a drive that is not ready fails.
    platform::Status setDrive(char letter);
    // Makes the entry under the mouse the current folder.
    void openItem();
    // Reads the current folder's subfolders again.
    void update();

    // A user's click on entry `index`.
    void userClick(int index);
    std::function<void()> onClick;

private:
    const platform::Machine& machine_;
    std::string directory_;
    std::vector<Item> items_;
    int itemIndex_ = -1;
};

// The drive box: every drive of the machine, ready or not.
class DriveBox : public platform::Control {
public:
    DriveBox(std::string name, const platform::Machine& machine);

    const std::vector<char>& drives() const { return drives_; }
    char drive() const { return drive_; }
    // The program's choice: no event.
    void setDrive(char letter) { set(drive_, letter); }
    // A user's choice: fires onChange when the drive changes.
    void userSelect(char letter);
    std::function<void()> onChange;

private:
    std::vector<char> drives_;
    char drive_ = 'C';
};

} // namespace velkan::app
