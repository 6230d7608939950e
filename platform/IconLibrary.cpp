#include "platform/IconLibrary.h"

#include "platform/Files.h"
#include "platform/IconImageDecoder.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace velkan::platform {

IconLibrary::IconLibrary(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    const ByteView file(bytes_.data(), bytes_.size());
    if (auto pe = readPeIconResources(file)) {
        kind_ = Kind::Pe;
        resources_ = std::move(*pe);
    } else if (auto ne = readNeIconResources(file)) {
        kind_ = Kind::Ne;
        resources_ = std::move(*ne);
    } else if (readIconDirectory(file, IconDirForm::IcoFile)) {
        kind_ = Kind::IcoFile;
        groups_.push_back(file);
        return;
    } else {
        return;
    }
    groups_ = resources_.groups;
    // A 16-bit module whose groups name no icon it holds has no icons at all
    // to Windows, however many groups it lists.
    if (kind_ == Kind::Ne && !std::any_of(groups_.begin(), groups_.end(), [this](ByteView group) {
            return namesAnIcon(group);
        }))
        groups_.clear();
}

bool IconLibrary::namesAnIcon(ByteView group) const {
    if (group.bad())
        return false;
    auto entries = readIconDirectory(group, IconDirForm::GroupResource);
    if (!entries)
        return false;
    return std::any_of(entries->begin(), entries->end(), [this](const IconDirEntry& entry) {
        return resources_.icons.count(entry.iconId) != 0;
    });
}

IconLibrary IconLibrary::open(const std::filesystem::path& file) {
    // Through the file layer, which opens regular files only: a pipe named
    // like an icon file would block the read.
    auto opened = File::open(file, OpenMode::Read);
    if (!opened)
        return {};
    const auto size = opened->size();
    if (!size || *size > kMaxIconFileSize)
        return {};
    auto text = opened->read(static_cast<std::size_t>(*size));
    if (!text)
        return {};
    // One block copy: the main window opens SHELL32.DLL for every entry icon
    // at start, and a byte-wise conversion showed in the start-up time.
    std::vector<std::uint8_t> bytes(text->size());
    if (!bytes.empty()) // an empty read may hand back no buffer at all
        std::memcpy(bytes.data(), text->data(), text->size());
    return IconLibrary(std::move(bytes));
}

ByteView IconLibrary::imageOf(const IconDirEntry& entry) const {
    const ByteView file(bytes_.data(), bytes_.size());
    if (kind_ == Kind::IcoFile)
        return file.sub(entry.imageOffset, entry.bytesInRes);
    auto it = resources_.icons.find(entry.iconId);
    if (it == resources_.icons.end())
        return file.sub(file.size(), 1);
    return it->second;
}

std::optional<IconLibrary::Choice> IconLibrary::choose(int index, int size) const {
    if (index < 0 || index >= count())
        return std::nullopt;
    const ByteView group = groups_[static_cast<std::size_t>(index)];
    if (group.bad())
        return std::nullopt;
    auto entries = readIconDirectory(group, kind_ == Kind::IcoFile ? IconDirForm::IcoFile
                                                                   : IconDirForm::GroupResource);
    if (!entries)
        return std::nullopt;
    const IconDirEntry& entry = (*entries)[chooseIconEntry(*entries, size, kDisplayDepth)];
    const ByteView image = imageOf(entry);
    if (image.bad())
        return std::nullopt;
    auto decoded = decodeIconImage(image);
    if (!decoded)
        return std::nullopt;
    return Choice{entry, isPng(image), std::move(*decoded)};
}

std::optional<Icon> IconLibrary::icon(int index, int size) const {
    auto choice = choose(index, size);
    if (!choice)
        return std::nullopt;
    return scaleIcon(choice->image, size, size);
}

std::optional<std::filesystem::path> findIconFile(const Machine& machine, std::string_view name,
                                                  std::string_view windowsFolder) {
    if (name.empty())
        return std::nullopt;
    std::vector<std::string> candidates;
    if (name.find_first_of("\\/:") != std::string_view::npos) {
        candidates.emplace_back(name);
    } else {
        candidates.push_back(std::string(windowsFolder) + "\\System\\" + std::string(name));
        candidates.push_back(std::string(windowsFolder) + "\\" + std::string(name));
    }
    for (const auto& candidate : candidates) {
        auto host = resolveWinPath(machine, candidate);
        if (!host)
            continue;
        if (auto found = host::fileAttributes(*host); found && !found->directory)
            return *host;
    }
    return std::nullopt;
}

} // namespace velkan::platform
