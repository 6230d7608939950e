#include "platform/AtomicFile.h"

#include "platform/ImageDrive.h"

#include "platform/FaultInjection.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkan::platform {

namespace {

Status writeAll(int fd, std::string_view bytes, const std::string& name) {
    if (int err = writeFully(fd, bytes, name))
        return errorFromErrno(err, name);
    return {};
}

// On a mounted FAT disk a file's DOS attributes (MSDOS.SYS hidden, system and
// read-only; the registry files hidden) belong to its directory entry, which
// the rename replaces: the new entry gets the old one's. Other file systems
// have no such attributes and refuse the call, which is fine.
void keepDosAttributes(const std::filesystem::path& file, int newFd) {
    int oldFd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (oldFd < 0)
        return;
    __u32 attributes = 0;
    if (::ioctl(oldFd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0)
        (void)::ioctl(newFd, FAT_IOCTL_SET_ATTRIBUTES, &attributes);
    ::close(oldFd);
}

void syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        faultGuarded(FaultKind::Sync, folder, [&] { return ::fsync(fd); });
        ::close(fd);
    }
}

constexpr std::string_view kTemporaryMark = ".~";
constexpr std::size_t kTemporaryLetters = 6; // mkstemp's XXXXXX

} // namespace

int makeTemporaryFile(const std::filesystem::path& file, std::string& temp) {
    removeLeftoverTemporaries(file);
    temp = file.string() + std::string(kTemporaryMark) + std::string(kTemporaryLetters, 'X');
    int fd = faultGuarded(FaultKind::Create, file, [&] { return ::mkstemp(temp.data()); });
    if (fd >= 0)
        ::flock(fd, LOCK_EX | LOCK_NB); // a fresh file: nobody else can hold it yet
    return fd;
}

void removeLeftoverTemporaries(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    const std::string prefix = file.filename().string() + std::string(kTemporaryMark);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + kTemporaryLetters || !name.starts_with(prefix))
            continue;
        const std::filesystem::path temp = folder / std::string(name);
        const int fd = ::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Locked means a writer is at work. The name must still be the file
        // that was locked: a writer may have renamed it over its target since.
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(temp.c_str(), &named) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            faultGuarded(FaultKind::Unlink, temp, [&] { return ::unlink(temp.c_str()); });
        ::close(fd);
    }
    ::closedir(dir);
}

Status writeFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    // Inside a drive kept as a disk image the FAT layer gives the same
    // promise: the old contents stay until the new are on the disk.
    if (auto place = imagedrive::locate(file))
        return imagedrive::writeFile(*place, bytes);
    std::string tmpl;
    int fd = makeTemporaryFile(file, tmpl);
    if (fd < 0)
        return errorFromErrno(errno, file.string());

    struct stat old {};
    mode_t mode = 0644;
    if (::stat(file.c_str(), &old) == 0)
        mode = old.st_mode & 07777;

    Status written = writeAll(fd, bytes, file.string());
    if (written)
        keepDosAttributes(file, fd);
    if (written && faultGuarded(FaultKind::Chmod, file, [&] { return ::fchmod(fd, mode); }) != 0)
        written = errorFromErrno(errno, file.string());
    if (written && faultGuarded(FaultKind::Sync, file, [&] { return ::fsync(fd); }) != 0)
        written = errorFromErrno(errno, file.string());
    if (::close(fd) != 0 && written)
        written = errorFromErrno(errno, file.string());
    if (written && faultGuarded(FaultKind::Rename, file,
                                [&] { return ::rename(tmpl.c_str(), file.c_str()); }) != 0)
        written = errorFromErrno(errno, file.string());
    if (!written) {
        faultGuarded(FaultKind::Unlink, file, [&] { return ::unlink(tmpl.c_str()); });
        return written;
    }
    syncFolder(file.parent_path());
    return {};
}

} // namespace velkan::platform
