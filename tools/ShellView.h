#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"
#include "shellpatch/BuildTable.h"

#include <optional>
#include <string>
#include <vector>

namespace velkan::machine {

// Which files `show` looks at.
enum class ShellMoment {
    AfterNextStart, // as if the pending [Rename] lines had been performed
    Now,            // the live files
};

struct ShownEntry {
    shellpatch::Entry entry;
    std::u16string caption;
    bool hidden = false; // by the Explorer policies or the APM switch
};

struct ShownLogo {
    bool present = false; // the header reads 40
    int width = 0;
    int height = 0;     // biHeight as stored
    int menuHeight = 0; // what the Start menu draws: 1..130
    int bitCount = 0;
    int compression = 0;
};

struct ShellIconOverride {
    std::string number; // value name, "19" .. "44"
    std::string entry;  // Start-menu entry it belongs to, empty for others
    std::string icon;   // file and index
};

// What the machine's shell shows: texts, pictures and settings.
struct ShellView {
    std::string windowsFolder;
    std::string explorerFile; // Windows path of the file the texts come from
    std::string userFile;
    bool explorerPending = false; // the file comes from a pending [Rename] line
    bool userPending = false;
    std::optional<int> build;      // detected row
    std::optional<int> userLayout; // row whose icon places User.exe has
    std::u16string startText;
    std::u16string tooltip;
    std::vector<ShownEntry> entries; // those the build has, in Start-menu order
    ShownLogo logo;
    std::vector<int> iconSizes; // Start-button icon images present in User.exe
    std::vector<ShellIconOverride> shellIcons;
    std::optional<std::string> shellIconSize;
    std::optional<std::string> shellIconBpp;
};

platform::Result<ShellView> viewShell(const platform::Machine& machine,
                                      ShellMoment moment = ShellMoment::AfterNextStart);

// A text field read as the edit box shows it: trailing spaces of the whole
// field removed, then cut at the first NUL unit.
std::u16string readShownText(std::string_view bytes, shellpatch::TextField field);

std::string formatShellView(const ShellView& view);
std::string formatShellViewJson(const ShellView& view);

} // namespace velkan::machine
