#include "tools/ImageMachine.h"

#include "platform/FaultInjection.h"
#include "platform/Machine.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace velkan::machine {

namespace fs = std::filesystem;
using platform::DiskFormat;
using platform::DiskLayout;
using platform::DosStamp;
using platform::Error;
using platform::FatVolume;
using platform::Result;
using platform::Status;
using platform::WinError;
namespace fatattr = platform::fatattr;

namespace {

bool present(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string upper(std::string text) {
    return platform::asciiUppercase(text);
}

// The machine folder the caller means, through any links to it, without a
// trailing separator: the folder built beside it must land on the same disk.
fs::path machineFolder(const fs::path& root) {
    std::error_code ec;
    fs::path folder = fs::weakly_canonical(fs::absolute(root), ec);
    if (ec)
        folder = fs::absolute(root).lexically_normal();
    if (folder.filename().empty() && folder.has_parent_path())
        folder = folder.parent_path();
    return folder;
}

std::uint8_t attributesFor(const std::string& fatPath, const struct stat& st) {
    const std::string name = upper(fatPath);
    if (name == "MSDOS.SYS")
        return fatattr::ReadOnly | fatattr::Hidden | fatattr::System;
    if (name == "WINDOWS\\SYSTEM.DAT" || name == "WINDOWS\\USER.DAT")
        return fatattr::Hidden;
    // The folder machine has no attributes; a file nobody may write stands for
    // a read-only one, as the file functions report it.
    return static_cast<std::uint8_t>(fatattr::Archive |
                                     ((st.st_mode & S_IWUSR) ? 0 : fatattr::ReadOnly));
}

Result<std::string> hostBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return Error::of(WinError::ReadFault, file.string() + ": cannot be read");
    return bytes;
}

Status copyFolder(const fs::path& host, const std::string& at, FatVolume& volume) {
    struct Item {
        std::string name;
        struct stat st;
    };
    std::vector<Item> folders, files;
    std::error_code ec;
    for (fs::directory_iterator it(host, ec), end; !ec && it != end; it.increment(ec)) {
        Item item{it->path().filename().string(), {}};
        if (::lstat(it->path().c_str(), &item.st) != 0)
            return platform::errorFromErrno(errno, it->path().string());
        if (S_ISDIR(item.st.st_mode))
            folders.push_back(std::move(item));
        else if (S_ISREG(item.st.st_mode))
            files.push_back(std::move(item));
        else
            return Error::of(WinError::AccessDenied,
                             it->path().string() +
                                 ": neither a file nor a folder, which a FAT disk cannot hold");
    }
    if (ec)
        return platform::errorFromErrno(ec.value(), host.string());
    auto byName = [](const Item& a, const Item& b) { return a.name < b.name; };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    auto inside = [&](const std::string& name) { return at.empty() ? name : at + "\\" + name; };

    for (const Item& folder : folders)
        if (auto s =
                volume.createDirectory(inside(folder.name), DosStamp::fromTime(folder.st.st_mtime));
            !s)
            return s;
    for (const Item& file : files) {
        auto bytes = hostBytes(host / file.name);
        if (!bytes)
            return bytes.error();
        const std::string path = inside(file.name);
        if (auto s = volume.writeFile(path, *bytes, DosStamp::fromTime(file.st.st_mtime)); !s)
            return s;
        if (const std::uint8_t attributes = attributesFor(path, file.st);
            attributes != fatattr::Archive)
            if (auto s = volume.setAttributes(path, attributes); !s)
                return s;
    }
    for (const Item& folder : folders)
        if (auto s = copyFolder(host / folder.name, inside(folder.name), volume); !s)
            return s;
    return {};
}

// Never over a name that is there: the caller's folder may have gained one.
int renameNoReplace(const fs::path& from, const fs::path& to) {
    return platform::faultGuarded(platform::FaultKind::Rename, to, [&] {
        return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    });
}

// The built machine into the caller's folder: the folder itself when there
// is none yet or it is empty, else entry by entry with drive_c last, so that
// until the last rename there is no machine there, and a failed rename takes
// the ones before it back.
Status moveIntoPlace(const fs::path& built, const fs::path& root) {
    if (platform::faultGuarded(platform::FaultKind::Rename, root,
                               [&] { return ::rename(built.c_str(), root.c_str()); }) == 0)
        return {};
    if (errno != ENOTEMPTY && errno != EEXIST)
        return platform::errorFromErrno(errno, root.string());
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(built, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename() != "drive_c")
            names.push_back(it->path().filename().string());
    if (ec)
        return platform::errorFromErrno(ec.value(), built.string());
    names.push_back("drive_c");
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (renameNoReplace(built / names[i], root / names[i]) != 0) {
            const Error why = platform::errorFromErrno(errno, (root / names[i]).string());
            while (i-- > 0)
                (void)::rename((root / names[i]).c_str(), (built / names[i]).c_str());
            return why;
        }
    }
    (void)::rmdir(built.c_str());
    return {};
}

Result<DiskLayout> buildImageMachine(const fs::path& built, const MachineSpec& spec,
                                     const DiskFormat& disk) {
    const platform::Machine machine(built);
    if (auto s = createMachine(built, spec); !s)
        return s.error();
    const fs::path image = built / "drive_c.img";
    auto layout = platform::formatDiskImage(image, disk);
    if (!layout)
        return layout.error();
    {
        auto volume = FatVolume::open(image, true);
        if (!volume)
            return volume.error();
        if (auto s = copyTreeToVolume(machine.driveC(), *volume); !s)
            return s.error();
        std::error_code ec;
        fs::remove_all(machine.driveC(), ec);
        if (ec)
            return platform::errorFromErrno(ec.value(), machine.driveC().string());
    }
    if (platform::faultGuarded(platform::FaultKind::Rename, machine.driveC(), [&] {
            return ::rename(image.c_str(), machine.driveC().c_str());
        }) != 0)
        return platform::errorFromErrno(errno, machine.driveC().string());
    // mkdtemp made the folder private; the machine folder is an ordinary one.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::chmod(built.c_str(), 0777 & ~mask);
    return layout;
}

} // namespace

Status copyTreeToVolume(const fs::path& folder, FatVolume& volume) {
    return copyFolder(folder, "", volume);
}

Result<DiskLayout> createImageMachine(const fs::path& root, const MachineSpec& spec,
                                      const DiskFormat& disk) {
    if (auto plan = platform::planDisk(disk); !plan)
        return plan.error();
    const fs::path folder = machineFolder(root);
    const platform::Machine machine(folder);
    if (present(machine.driveC()) || present(machine.registryFile()))
        return Error::of(WinError::AlreadyExists, root.string() + " already holds a machine");
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        return Error::of(WinError::AlreadyExists, root.string() + " is a file, not a folder");

    std::error_code ec;
    fs::create_directories(folder.parent_path(), ec);
    if (ec)
        return platform::errorFromErrno(ec.value(), folder.parent_path().string());
    std::string name =
        (folder.parent_path() / ("." + folder.filename().string() + ".~image-XXXXXX")).string();
    if (!::mkdtemp(name.data()))
        return platform::errorFromErrno(errno, folder.parent_path().string());
    const fs::path built = name;

    auto layout = buildImageMachine(built, spec, disk);
    if (layout)
        if (auto moved = moveIntoPlace(built, folder); !moved)
            layout = moved.error();
    fs::remove_all(built, ec);
    return layout;
}

Result<AttachedImage> attachImage(const fs::path& image, const fs::path& root) {
    struct stat st {};
    if (::stat(image.c_str(), &st) != 0)
        return Error::of(WinError::FileNotFound,
                         image.string() + ": " +
                             (present(image) ? "a link to nothing" : "no such disk image"));
    if (!S_ISREG(st.st_mode))
        return Error::of(WinError::AccessDenied,
                         image.string() + ": " +
                             (S_ISDIR(st.st_mode) ? "a folder" : "not a regular file") +
                             ", not a disk image");
    std::error_code ec;
    AttachedImage attached;
    // The file itself, not a link to it: the link from drive_c is the only one.
    attached.image = fs::canonical(fs::absolute(image), ec);
    if (ec)
        return platform::errorFromErrno(ec.value(), image.string());

    auto file = platform::ImageFile::open(attached.image, false);
    if (!file)
        return file.error();
    auto range = platform::locateVolume(*file);
    if (!range)
        return range.error();
    auto volume = FatVolume::open(std::move(*file), *range);
    if (!volume)
        return volume.error();
    attached.range = *range;
    attached.type = volume->type();
    attached.clusterSize = volume->clusterSize();
    attached.clusters = volume->clusterCount();

    const platform::Machine machine(root);
    if (present(machine.driveC()))
        return Error::of(WinError::AlreadyExists, root.string() + " already has a drive C: (" +
                                                      machine.driveC().string() + ")");
    if (::stat(root.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        return Error::of(WinError::AccessDenied, root.string() + " is a file, not a folder");
    const bool made = fs::create_directories(root, ec);
    if (ec)
        return platform::errorFromErrno(ec.value(), root.string());
    if (platform::faultGuarded(platform::FaultKind::Link, machine.driveC(), [&] {
            return ::symlink(attached.image.c_str(), machine.driveC().c_str());
        }) != 0) {
        const Error why = platform::errorFromErrno(errno, machine.driveC().string());
        if (made)
            (void)::rmdir(root.c_str());
        return why;
    }
    return attached;
}

} // namespace velkan::machine
