#pragma once

#include "platform/Icon.h"
#include "platform/IconDirectory.h"
#include "platform/IconResources.h"
#include "platform/Machine.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkan::platform {

// The icons of one file, counted and extracted as ExtractIcon does it: an
// .ico file is one icon; a PE or NE module holds one icon per group icon
// resource, in the order the resource functions list them. Anything else,
// and any file that lies about its layout, holds no icons.
//
// The file is read once; counting and extracting work on its bytes.
class IconLibrary {
public:
    enum class Kind { None, IcoFile, Pe, Ne };

    IconLibrary() = default;
    explicit IconLibrary(std::vector<std::uint8_t> bytes);
    // A file that cannot be read is a library of no icons.
    static IconLibrary open(const std::filesystem::path& file);
    // The views into the bytes survive a move of the vector, not a copy.
    IconLibrary(IconLibrary&&) = default;
    IconLibrary& operator=(IconLibrary&&) = default;
    IconLibrary(const IconLibrary&) = delete;
    IconLibrary& operator=(const IconLibrary&) = delete;

    Kind kind() const { return kind_; }
    // ExtractIcon(file, -1).
    int count() const { return static_cast<int>(groups_.size()); }

    // What the system picks for icon `index` at `size` pixels: the directory
    // entry and the image decoded from it, stretched to size x size.
    struct Choice {
        IconDirEntry entry;
        bool png = false;
        Icon image; // as decoded, at its own size
    };
    std::optional<Choice> choose(int index, int size = kLargeIconSize) const;

    // ExtractIcon(file, index): the icon at the large-icon size.
    std::optional<Icon> icon(int index, int size = kLargeIconSize) const;

private:
    ByteView imageOf(const IconDirEntry& entry) const;
    bool namesAnIcon(ByteView group) const;

    std::vector<std::uint8_t> bytes_;
    Kind kind_ = Kind::None;
    std::vector<ByteView> groups_;
    IconResources resources_;
};

// The file a program names to ExtractIcon, found as Windows finds a module:
// a path with a folder or drive is taken as it is; a bare name ("SHELL32.DLL")
// is looked for in the System folder, then in the Windows folder.
std::optional<std::filesystem::path> findIconFile(const Machine& machine, std::string_view name,
                                                  std::string_view windowsFolder);

// Files larger than this are refused unread; no icon library comes near it.
inline constexpr std::uintmax_t kMaxIconFileSize = 512u << 20;

} // namespace velkan::platform
