#include "platform/InstanceLock.h"

#include "platform/FaultInjection.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace velkan::platform {

namespace {

std::filesystem::path lockFile(const Machine& machine, std::string_view name) {
    return machine.root() / (std::string(name) + ".lock");
}

// O_CLOEXEC: programs the customiser starts (the shell, a reboot) must not
// inherit the lock and keep it after the customiser has gone. The machine
// folder may come from anywhere: a link named like the lock file is not
// followed (it could make us create files elsewhere on the host), and a pipe
// or device is not kept open.
int openLockFile(const std::filesystem::path& file, int flags) {
    const int fd = ::open(file.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd < 0)
        return fd;
    if (struct stat st {}; ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

Error openFailure(int err, const std::filesystem::path& file) {
    if (err == ELOOP)
        return Error::of(WinError::InvalidData,
                         file.string() + " is a symbolic link; it is not followed");
    if (err == EINVAL || err == ENXIO)
        return Error::of(WinError::InvalidData, file.string() + " is not a regular file");
    return errorFromErrno(err, file.string());
}

int lockWithoutWaiting(int fd) {
    int rc;
    while ((rc = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    return rc;
}

} // namespace

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

Result<InstanceLock> InstanceLock::tryAcquire(const Machine& machine, std::string_view name) {
    const auto file = lockFile(machine, name);
    const int fd =
        faultGuarded(FaultKind::Lock, file, [&] { return openLockFile(file, O_RDWR | O_CREAT); });
    if (fd < 0)
        return openFailure(errno, file);
    if (lockWithoutWaiting(fd) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Error::of(WinError::AlreadyExists, file.string() + " is held by another instance");
        return errorFromErrno(err, file.string());
    }
    return InstanceLock(fd);
}

bool InstanceLock::isHeld(const Machine& machine, std::string_view name) {
    const auto file = lockFile(machine, name);
    const int fd = openLockFile(file, O_RDONLY);
    if (fd < 0)
        return false; // never made (or not ours to open), so never held
    const bool held = lockWithoutWaiting(fd) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // drops the lock if this call took it
    return held;
}

Result<InstanceLock> InstanceLock::acquire(const Machine& machine, std::string_view name,
                                           std::chrono::milliseconds patience) {
    const auto end = std::chrono::steady_clock::now() + patience;
    for (;;) {
        auto lock = tryAcquire(machine, name);
        if (lock || lock.error().code != WinError::AlreadyExists ||
            std::chrono::steady_clock::now() >= end)
            return lock;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace velkan::platform
