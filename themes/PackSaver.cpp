#include "themes/PackSaver.h"

#include "platform/Files.h"
#include "platform/IconFileWriter.h"
#include "platform/IconLibrary.h"
#include "themes/LogoBitmap.h"
#include "themes/PackFormat.h"

namespace velkan::themes {

using platform::Error;
using platform::Picture;
using platform::WinError;

namespace {

constexpr std::uintmax_t kMaxBitmapFile = 16u << 20;

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string packFolderFor(const PackSaveRequest& request) {
    const std::string& name = request.index.name;
    if (!request.location.empty())
        return request.location + name;
    if (request.browserFolder.size() <= 3)
        return request.browserFolder + name;
    return request.browserFolder + "\\" + name;
}

platform::Result<std::string> logoFileOf(const Picture& logo) {
    if (logo.kind != Picture::Kind::BitmapFile)
        return Error::of(WinError::InvalidData, "Bitmap image is not valid");
    auto size = platform::host::fileAttributes(logo.path);
    if (!size)
        return size.error();
    if (size->directory || size->size > kMaxBitmapFile)
        return Error::of(WinError::InvalidData, "Bitmap image is not valid");
    auto bytes = platform::host::readWholeFile(logo.path);
    if (!bytes)
        return bytes.error();
    auto bitmap = decodeBitmap4(*bytes);
    if (!bitmap)
        return Error::of(WinError::InvalidData, "Bitmap image is not valid");
    return encodeBitmap4(*bitmap);
}

std::optional<std::string> iconFileOf(const Picture& picture) {
    if (picture.kind != Picture::Kind::IconFile && picture.kind != Picture::Kind::IconInLibrary)
        return std::nullopt;
    auto icon = platform::IconLibrary::open(picture.path).icon(picture.index);
    if (!icon)
        return std::nullopt;
    const auto bytes = platform::writeIconFile16(*icon);
    return std::string(bytes.begin(), bytes.end());
}

platform::Status savePack(const platform::Machine& machine, const PackSaveRequest& request) {
    std::string folder = packFolderFor(request);
    // An existing folder is used as it is; one that cannot be made shows in
    // the first write.
    (void)platform::createDirectory(machine, folder);
    folder += "\\";

    const std::string index = folder + kIndexFile;
    if (!writePackIndex(machine, index, request.index))
        return Error::of(WinError::CantWrite, "Unable to write to " + index);

    if (request.logo) {
        auto logo = logoFileOf(*request.logo);
        if (!logo)
            return logo.error();
        if (auto written = platform::writeWholeFile(machine, folder + kSavedLogoFile, *logo);
            !written)
            return written;
    }
    if (request.startIcon)
        (void)platform::copyFile(machine, *request.startIcon,
                                 folder + fileNameOf(*request.startIcon), true);
    for (int n = 1; n <= shellpatch::kEntryCount; ++n) {
        const auto& picture = request.itemIcons[n - 1];
        if (!picture)
            continue;
        // An item that shows no icon has nothing to save.
        auto icon = iconFileOf(*picture);
        if (!icon)
            continue;
        if (auto written = platform::writeWholeFile(machine, folder + itemIconFile(n), *icon);
            !written)
            return written;
    }
    return {};
}

} // namespace velkan::themes
