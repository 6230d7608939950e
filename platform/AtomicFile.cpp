#include "platform/AtomicFile.h"

#include "platform/FaultInjection.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
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
