#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"
#include "shellpatch/BuildTable.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The index file of a theme pack, "index.vkr": an initialisation file read
// and written with the profile-string rules. Packs come from strangers, so
// nothing read here is trusted beyond those rules: values are at most 1023
// characters, a caption that reads as "MyErr" is absent, and a logo height is
// only a height when it is 1 to 130.
namespace velkan::themes {

// Whether `folder` (a Windows path) holds a pack: an "index.vkr" that is a file.
bool holdsPack(const platform::Machine& machine, std::string_view folder);

class PackIndex {
public:
    // The index file of the pack in `folder`; reading a missing file gives
    // the defaults.
    PackIndex(const platform::Machine& machine, std::string_view folder);

    const std::string& path() const { return path_; }

    // A caption key of "StartMenu" or "StartButton": its value, or nothing
    // when the key is absent. The empty string is a value.
    std::optional<std::string> caption(std::string_view section, std::string_view key) const;
    std::optional<std::string> menuCaption(shellpatch::Entry entry) const;
    std::optional<std::string> startText() const;
    // "ToolTip" and "Tooltip" are one key.
    std::optional<std::string> tooltip() const;

    // "LogoHeight" as stored: signed decimal or "0x" hexadecimal, 131 when
    // missing or no number.
    int storedLogoHeight() const;
    // The height when it is one (1 to 130).
    std::optional<int> logoHeight() const;

    // The "About" keys, with the preview's defaults: "Unknown" for a missing
    // author or description, empty for a missing name.
    std::string name() const;
    std::string author() const;
    std::string description() const;

private:
    const platform::Machine& machine_;
    std::string path_;
};

// What the saver puts in an index file. Empty optionals are not written; the
// keys go out in the order "Name", "Author", "Description"; "Text", "Tooltip";
// the eight captions, "Favorites", "Logoff", "LogoHeight".
struct PackIndexValues {
    std::string name, author, description;
    std::optional<std::string> startText, tooltip;
    // In entry order (Programs, Favorites, Documents, ...).
    std::array<std::optional<std::string>, shellpatch::kEntryCount> captions{};
    std::optional<int> logoHeight;
};

// Writes the values into the index file at `indexPath`, keeping every other
// line of an existing file. Stops at the first write that fails.
platform::Status writePackIndex(const platform::Machine& machine, std::string_view indexPath,
                                const PackIndexValues& values);

} // namespace velkan::themes
