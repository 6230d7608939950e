#include "platform/InstanceLock.h"

#include "platform/FaultInjection.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace velkan::platform {

namespace {

std::filesystem::path lockFile(const Machine& machine, std::string_view name) {
    return machine.root() / (std::string(name) + ".lock");
}

// O_CLOEXEC: programs the customiser starts (the shell, a reboot) must not
// inherit the lock and keep it after the customiser has gone.
int openLockFile(const std::filesystem::path& file) {
    return faultGuarded(FaultKind::Lock, file,
                        [&] { return ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644); });
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
    const int fd = openLockFile(file);
    if (fd < 0)
        return errorFromErrno(errno, file.string());
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
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false; // never made, so never held
    const bool held = lockWithoutWaiting(fd) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // drops the lock if this call took it
    return held;
}

} // namespace velkan::platform
