#pragma once

#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <string_view>
#include <sys/types.h>

// One checkpoint in front of every system call of the platform that changes
// what is on the disk, so that tests can stop a process at any of them or let
// the disk fail there, and prove that the machine still starts afterwards.
//
// It is driven by two environment variables, read once per process:
//
//   VELKAN_FAULT_LOG=FILE   appends one line per step to FILE:
//                           "<n> <kind> <path>", n counting from 1.
//   VELKAN_FAULT=kill@N     step N kills the process (SIGKILL). A write step
//                           first writes the first half of its bytes, so a
//                           torn write is left behind as a power cut would.
//   VELKAN_FAULT=enospc@N   step N and every later step that needs room on
//                           the disk (create, write, mkdir, link, lock) fails
//                           with ENOSPC: a full disk stays full.
//   VELKAN_FAULT=erofs@N    step N and every later step fails with EROFS, as
//                           on a disk mounted read-only.
//
// Both may be set together. Without either the check costs one load of a
// flag that was computed once.
//
// The machine's journal is not a step: it records what Windows was asked to
// do, it holds no state the machine needs to start.
namespace velkan::platform {

enum class FaultKind {
    Create, // a new file, a temporary one or a file emptied on opening
    Write,  // bytes into an open file
    Chmod,  // permissions or times of an open file
    Sync,   // fsync of a file or a folder
    Rename, // a name replaced or moved
    Link,   // a second name for a file (a backup that must not overwrite)
    Unlink, // a file deleted
    Mkdir,
    Rmdir,
    Lock, // opening the registry's lock file
};

const char* faultKindName(FaultKind kind);

namespace detail {
bool faultInjectionActive();
int faultStepSlow(FaultKind kind, const char* path);
int faultWriteSlow(int fd, const void* data, std::size_t size, off_t offset, const char* path);
} // namespace detail

// Called right before the system call. Returns 0 to go ahead, or the errno
// the call must fail with without being made.
inline int faultStep(FaultKind kind, const std::filesystem::path& path) {
    return detail::faultInjectionActive() ? detail::faultStepSlow(kind, path.c_str()) : 0;
}

// The same for a write of `size` bytes through `fd`, at `offset` (pwrite) or,
// with a negative offset, at the file position (write). When the step kills,
// the first half of the bytes reaches the file first.
inline int faultWrite(int fd, const void* data, std::size_t size, off_t offset,
                      const std::filesystem::path& path) {
    return detail::faultInjectionActive()
               ? detail::faultWriteSlow(fd, data, size, offset, path.c_str())
               : 0;
}

// write(2) of all of `bytes` at the file position, each call through the
// checkpoint; 0, or the errno that stopped it.
int writeFully(int fd, std::string_view bytes, const std::filesystem::path& path);

// Runs `call`, a system call returning -1 on failure, unless the step fails:
// then errno is set and -1 returned as the call itself would.
template <class Call>
auto faultGuarded(FaultKind kind, const std::filesystem::path& path, Call&& call)
    -> decltype(call()) {
    if (int err = faultStep(kind, path)) {
        errno = err;
        return static_cast<decltype(call())>(-1);
    }
    return call();
}

} // namespace velkan::platform
