#include "platform/AtomicFile.h"

#include "platform/FaultInjection.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkan::platform {

namespace {

Status writeAll(int fd, std::string_view bytes, const std::string& name) {
    while (!bytes.empty()) {
        ssize_t n = -1;
        if (int err = faultWrite(fd, bytes.data(), bytes.size(), -1, name))
            errno = err;
        else
            n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errorFromErrno(errno, name);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
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

} // namespace

Status writeFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    std::string tmpl = file.string() + ".~XXXXXX";
    int fd = faultGuarded(FaultKind::Create, file, [&] { return ::mkstemp(tmpl.data()); });
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
