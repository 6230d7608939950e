#pragma once

#include "platform/Controls.h"
#include "shellpatch/BuildTable.h"
#include "startmenu/IconSlots.h"
#include "startmenu/Visibility.h"

#include <array>
#include <optional>
#include <string>

// What OK will change, taken from the main window's controls and flags in
// one go. OK applies it, the preview draws it and the pack saver writes it,
// so the three can never disagree on what the user has changed.
namespace velkan::app {

// A text for the shell file, as its edit holds it.
struct PendingText {
    std::string text;
    shellpatch::TextField field; // where the selected build keeps it
    int limit = 0;               // the edit's length limit; 0 for none
};

// A logo bitmap already written into the working copy of Explorer.exe.
struct PendingLogo {
    platform::Picture picture;
    int height = 0; // what the height bar shows
};

struct PendingChanges {
    int build = -1; // the selected row of the build table
    bool ie4 = false;

    // Written into the working copy of Explorer.exe.
    std::optional<PendingText> startText, tooltip;
    // In entry order; only the entries of the selected build, all or none.
    std::array<std::optional<PendingText>, shellpatch::kEntryCount> captions{};
    std::optional<int> logoHeight;

    // Pictures the loaders have already put into the working copies; OK only
    // has the files swapped.
    std::optional<std::string> startIcon; // the icon file last examined
    std::optional<PendingLogo> logo;

    // The Explorer policies and the APM switch.
    std::optional<startmenu::EntryVisibility> visibility;

    // The Shell Icons values, with the pictures the entry images show for
    // the slots that hold a change.
    std::optional<startmenu::IconSlots> iconSlots;
    std::array<std::optional<platform::Picture>, shellpatch::kEntryCount> iconPictures{};
    // An autoload's slots hold bare files; ",0" goes after each when written.
    bool bareIconFiles = false;
    // A restore or the policies already written this run: the icon slots
    // stay as they are.
    bool restored = false;

    // The Run entry that autoloads the packs at start; nothing without a
    // program folder.
    std::optional<bool> autoloadAtStart;
    // "Shell Icon BPP", written at the close; nothing when it was never read.
    std::optional<std::string> shellIconBpp;

    bool captionsChanged() const {
        for (const auto& caption : captions)
            if (caption)
                return true;
        return false;
    }
};

// The text cut to `limit` characters (no cut for a limit of 0 or less).
std::string cutToLimit(const std::string& text, int limit);

} // namespace velkan::app
