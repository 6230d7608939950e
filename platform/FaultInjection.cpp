#include "platform/FaultInjection.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace velkan::platform {

namespace {

enum class Fault { None, Kill, NoSpace, ReadOnly };

struct Settings {
    std::string log;
    Fault fault = Fault::None;
    long at = 0;
    bool active = false;
};

Settings readSettings() {
    Settings s;
    if (const char* log = std::getenv("VELKAN_FAULT_LOG"); log && *log)
        s.log = log;
    if (const char* spec = std::getenv("VELKAN_FAULT"); spec && *spec) {
        std::string text = spec;
        const auto at = text.find('@');
        const std::string name = text.substr(0, at);
        char* end = nullptr;
        const long n = at == std::string::npos ? 0 : std::strtol(text.c_str() + at + 1, &end, 10);
        // A setting that cannot be understood must not pass as a clean run.
        if (n < 1 || !end || *end != '\0') {
            (void)!::write(2, "VELKAN_FAULT: expected kill@N, enospc@N or erofs@N\n", 52);
            std::_Exit(125);
        }
        s.at = n;
        if (name == "kill")
            s.fault = Fault::Kill;
        else if (name == "enospc")
            s.fault = Fault::NoSpace;
        else if (name == "erofs")
            s.fault = Fault::ReadOnly;
        else {
            (void)!::write(2, "VELKAN_FAULT: expected kill@N, enospc@N or erofs@N\n", 52);
            std::_Exit(125);
        }
    }
    s.active = !s.log.empty() || s.fault != Fault::None;
    return s;
}

const Settings& settings() {
    static const Settings s = readSettings();
    return s;
}

std::atomic<long> steps{0};

bool needsRoom(FaultKind kind) {
    switch (kind) {
    case FaultKind::Create:
    case FaultKind::Write:
    case FaultKind::Mkdir:
    case FaultKind::Link:
    case FaultKind::Lock:
        return true;
    default:
        return false;
    }
}

void logStep(const Settings& s, long n, FaultKind kind, const char* path) {
    if (s.log.empty())
        return;
    std::string line = std::to_string(n) + ' ' + faultKindName(kind) + ' ' + path + '\n';
    int fd = ::open(s.log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    (void)!::write(fd, line.data(), line.size());
    ::close(fd);
}

// The step's number and what it must do: 0, an errno, or -1 to kill.
int decide(FaultKind kind, const char* path) {
    const Settings& s = settings();
    const long n = ++steps;
    logStep(s, n, kind, path);
    switch (s.fault) {
    case Fault::None:
        return 0;
    case Fault::Kill:
        return n == s.at ? -1 : 0;
    case Fault::NoSpace:
        return n >= s.at && needsRoom(kind) ? ENOSPC : 0;
    case Fault::ReadOnly:
        return n >= s.at ? EROFS : 0;
    }
    return 0;
}

[[noreturn]] void killNow() {
    std::raise(SIGKILL);
    std::_Exit(137);
}

} // namespace

const char* faultKindName(FaultKind kind) {
    switch (kind) {
    case FaultKind::Create:
        return "create";
    case FaultKind::Write:
        return "write";
    case FaultKind::Chmod:
        return "chmod";
    case FaultKind::Sync:
        return "sync";
    case FaultKind::Rename:
        return "rename";
    case FaultKind::Link:
        return "link";
    case FaultKind::Unlink:
        return "unlink";
    case FaultKind::Mkdir:
        return "mkdir";
    case FaultKind::Rmdir:
        return "rmdir";
    case FaultKind::Lock:
        return "lock";
    }
    return "?";
}

namespace detail {

bool faultInjectionActive() {
    return settings().active;
}

int faultStepSlow(FaultKind kind, const char* path) {
    const int verdict = decide(kind, path);
    if (verdict < 0)
        killNow();
    return verdict;
}

int faultWriteSlow(int fd, const void* data, std::size_t size, off_t offset, const char* path) {
    const int verdict = decide(FaultKind::Write, path);
    if (verdict >= 0)
        return verdict;
    const std::size_t half = size / 2;
    if (half > 0) {
        if (offset >= 0)
            (void)!::pwrite(fd, data, half, offset);
        else
            (void)!::write(fd, data, half);
    }
    killNow();
}

} // namespace detail

int writeFully(int fd, std::string_view bytes, const std::filesystem::path& path) {
    while (!bytes.empty()) {
        ssize_t n = -1;
        if (int err = faultWrite(fd, bytes.data(), bytes.size(), -1, path))
            errno = err;
        else
            n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

} // namespace velkan::platform
