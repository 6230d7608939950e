#include "platform/WinPath.h"

#include "platform/Text.h"

#include "platform/ImageDrive.h"

#include <algorithm>
#include <dirent.h>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

namespace velkan::platform {

namespace fs = std::filesystem;

namespace {

char lowerAscii(char c) {
    return asciiLower(c);
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Characters Windows never allows in a file name; "?" and "*" belong to
// search patterns, not to paths.
bool invalidInName(unsigned char c) {
    return c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
           c == '*';
}

Error notFound(std::string_view winPath, const char* why) {
    return Error::of(WinError::PathNotFound,
                     "The path '" + std::string(winPath) + "' cannot be found: " + why + ".");
}

// The components of the path below the drive root, with "." and ".." applied
// and the trailing dots and spaces Windows ignores removed.
Result<std::vector<std::string>> componentsOf(std::string_view winPath, std::string_view rest) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < rest.size()) {
        size_t j = i;
        while (j < rest.size() && !isSeparator(rest[j]))
            ++j;
        std::string part(rest.substr(i, j - i));
        i = j + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        while (!part.empty() && (part.back() == '.' || part.back() == ' '))
            part.pop_back();
        if (part.empty())
            continue;
        for (unsigned char c : part)
            if (invalidInName(c))
                return Error::of(WinError::InvalidParameter,
                                 "The path '" + std::string(winPath) +
                                     "' holds a character that a file name cannot hold.");
        parts.push_back(std::move(part));
    }
    return parts;
}

// The entry of `folder` that Windows would take for `name`.
std::optional<std::string> findEntry(const fs::path& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return std::nullopt;
    std::optional<std::string> best;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view candidate = entry->d_name;
        if (candidate == "." || candidate == "..")
            continue;
        if (candidate == name) {
            best = name;
            break;
        }
        if (sameFileName(candidate, name) && (!best || candidate < *best))
            best = std::string(candidate);
    }
    ::closedir(dir);
    return best;
}

// The same walk through a drive kept as a disk image, whose folders the FAT
// layer lists; a FAT volume has no links to follow.
Result<fs::path> resolveInImage(const imagedrive::Place& drive,
                                const std::vector<std::string>& parts) {
    fs::path current = drive.drive;
    imagedrive::Place folder = drive;
    bool onDisk = true;
    for (const std::string& part : parts) {
        std::optional<std::string> found;
        if (onDisk) {
            auto entries = imagedrive::list(folder);
            if (!entries && entries.error().code != WinError::PathNotFound &&
                entries.error().code != WinError::FileNotFound)
                return entries.error(); // the image itself cannot be read
            if (entries)
                for (const FatEntry& entry : *entries) {
                    if (entry.name == "." || entry.name == "..")
                        continue;
                    if (entry.name == part) {
                        found = part;
                        break;
                    }
                    if ((sameFileName(entry.name, part) || sameFileName(entry.shortName, part)) &&
                        (!found || entry.name < *found))
                        found = entry.name;
                }
        }
        if (!found)
            onDisk = false;
        const std::string name = found ? *found : part;
        current /= name;
        folder.inner += folder.inner.empty() ? name : "\\" + name;
    }
    return current;
}

bool isInside(const fs::path& path, const fs::path& root) {
    auto [rootEnd, pathIt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end();
}

} // namespace

bool sameFileName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

bool fileNameLess(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(lowerAscii(a[i]));
        auto cb = static_cast<unsigned char>(lowerAscii(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

namespace {

constexpr std::string_view kHostShare = "\\\\Linux\\";

struct GrantedHostFiles {
    std::mutex lock;
    std::vector<std::pair<std::string, fs::path>> files;
};

GrantedHostFiles& grantedHostFiles() {
    static GrantedHostFiles granted;
    return granted;
}

} // namespace

std::string grantHostFile(const fs::path& hostFile) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(hostFile, ec).lexically_normal();
    std::string name(kHostShare);
    for (const auto& part : absolute.relative_path()) {
        if (name.size() > kHostShare.size())
            name += '\\';
        name += part.string();
    }
    auto& granted = grantedHostFiles();
    std::lock_guard guard(granted.lock);
    for (const auto& [known, path] : granted.files)
        if (known == name)
            return name;
    granted.files.emplace_back(name, absolute);
    return name;
}

bool isHostFileName(std::string_view winPath) {
    return winPath.size() > kHostShare.size() && sameFileName(winPath.substr(0, kHostShare.size()), kHostShare);
}

Result<fs::path> resolveWinPath(const Machine& machine, std::string_view winPath) {
    if (isHostFileName(winPath)) {
        auto& granted = grantedHostFiles();
        std::lock_guard guard(granted.lock);
        for (const auto& [known, path] : granted.files)
            if (known == winPath)
                return path;
        return Error::of(WinError::AccessDenied, "The path '" + std::string(winPath) +
                                                     "' is outside the machine.");
    }
    bool absolute =
        winPath.size() >= 3 && winPath[1] == ':' && isSeparator(winPath[2]) &&
        ((winPath[0] >= 'A' && winPath[0] <= 'Z') || (winPath[0] >= 'a' && winPath[0] <= 'z'));
    if (!absolute)
        return notFound(winPath, "it does not start with a drive letter and a backslash");
    char letter = winPath[0];
    if (!machine.hasDrive(letter))
        return notFound(winPath, "there is no such drive");
    std::optional<fs::path> drive = machine.driveRoot(letter);
    std::error_code ec;
    fs::path root = drive ? fs::canonical(*drive, ec) : fs::path();
    if (!drive || ec)
        return Error::of(WinError::NotReady, std::string("The drive ") + letter + ": of '" +
                                                 std::string(winPath) + "' is not ready.");

    Result<std::vector<std::string>> parts = componentsOf(winPath, winPath.substr(3));
    if (!parts)
        return parts.error();
    if (auto image = imagedrive::locate(*drive))
        return resolveInImage(*image, *parts);

    fs::path current = root;
    bool onDisk = true; // every component so far exists
    for (const std::string& part : *parts) {
        std::optional<std::string> entry = onDisk ? findEntry(current, part) : std::nullopt;
        if (!entry) {
            onDisk = false;
            current /= part;
            continue;
        }
        fs::path next = current / *entry;
        if (fs::is_symlink(next, ec)) {
            // Follow the link only while it stays on this drive.
            fs::path target = fs::weakly_canonical(next, ec);
            if (ec || !isInside(target, root))
                return Error::of(WinError::AccessDenied,
                                 "The path '" + std::string(winPath) +
                                     "' leads out of its drive through a link.");
            next = target;
            onDisk = fs::exists(next, ec);
        }
        current = std::move(next);
    }
    return current;
}

Result<std::string> toWinPath(const Machine& machine, const fs::path& hostPath) {
    std::error_code ec;
    if (auto image = imagedrive::locate(fs::absolute(hostPath, ec))) {
        // Only drive C: is ever an image.
        if (auto c = machine.driveRoot('C'); c && fs::equivalent(*c, image->drive, ec)) {
            std::string win = "C:\\";
            for (char ch : image->inner)
                win += ch;
            return win;
        }
    }
    fs::path path = fs::weakly_canonical(fs::absolute(hostPath, ec), ec);
    if (ec)
        return Error::of(WinError::PathNotFound,
                         "The file '" + hostPath.string() + "' cannot be found.");
    // Drives may nest (a letter for a folder of drive C:); the innermost wins.
    std::optional<char> bestLetter;
    fs::path bestRoot;
    size_t bestDepth = 0;
    for (char letter : machine.drives()) {
        std::optional<fs::path> drive = machine.driveRoot(letter);
        if (!drive)
            continue;
        fs::path root = fs::canonical(*drive, ec);
        if (ec || !isInside(path, root))
            continue;
        size_t depth = static_cast<size_t>(std::distance(root.begin(), root.end()));
        if (!bestLetter || depth > bestDepth) {
            bestLetter = letter;
            bestRoot = root;
            bestDepth = depth;
        }
    }
    if (!bestLetter)
        return Error::of(WinError::PathNotFound,
                         "The file '" + hostPath.string() + "' is not on a drive of the machine.");
    std::string win{*bestLetter, ':', '\\'};
    bool first = true;
    for (const fs::path& part : path.lexically_relative(bestRoot)) {
        if (part == ".")
            continue;
        if (!first)
            win += '\\';
        win += part.string();
        first = false;
    }
    return win;
}

} // namespace velkan::platform
