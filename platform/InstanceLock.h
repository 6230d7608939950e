#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>

#include "platform/Machine.h"
#include "platform/Result.h"

namespace velkan::platform {

// The lock the customiser holds while it works on a machine; the machine's
// start takes it too, so that it never swaps files the customiser is writing.
inline constexpr const char* kCustomiserLockName = "velkrun";

// Keeps a second copy of a program off the same machine. The customiser's
// working copies have fixed names in the Windows folder, so two customisers on
// one machine would patch each other's copies; the second one is refused
// instead. The lock is an flock on "<name>.lock" in the machine folder, held
// for as long as the object lives: it goes with the process however the
// process ends, so a crash never leaves the machine locked.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock without waiting. WinError::AlreadyExists when another
    // instance holds it (in this process or another); other errors name the
    // lock file. A lock file that is a link or not a regular file is refused
    // with InvalidData, never followed.
    static Result<InstanceLock> tryAcquire(const Machine& machine, std::string_view name);

    // Takes the lock, waiting for its holder to let go for at most `patience`;
    // AlreadyExists when it is still held then.
    static Result<InstanceLock> acquire(const Machine& machine, std::string_view name,
                                        std::chrono::milliseconds patience);

    // Whether an instance holds the lock right now, without taking it.
    static bool isHeld(const Machine& machine, std::string_view name);

    bool held() const { return fd_ >= 0; }

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace velkan::platform
