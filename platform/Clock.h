#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace velkan::platform {

// Time as the product sees it. The real clock really waits; tests put in a
// ManualClock so that a 4.32-second pause costs nothing and can be checked.
class Clock {
public:
    using Duration = std::chrono::microseconds;

    virtual ~Clock() = default;

    // Time since an arbitrary fixed start; never goes backwards.
    virtual Duration now() const = 0;

    // Lets `duration` pass. While it passes, `pump` (when given) is called
    // again and again, so the caller's windows keep painting and the posted
    // work keeps running.
    virtual void wait(Duration duration, const std::function<void()>& pump = {}) = 0;

    // Milliseconds since the start, wrapping at 2^32 as GetTickCount does.
    std::uint32_t tickCount() const;
};

// The host's steady clock. wait() calls `pump` about every 10 ms.
class SteadyClock final : public Clock {
public:
    Duration now() const override;
    void wait(Duration duration, const std::function<void()>& pump = {}) override;
};

// The clock every part of the program uses unless it is handed another.
SteadyClock& steadyClock();

// A clock that moves only when told to. wait() advances it at once by the
// whole duration, calls `pump` once (so work that relies on pumping still
// runs), and records the duration.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Duration start = Duration{0});

    Duration now() const override;
    void wait(Duration duration, const std::function<void()>& pump = {}) override;

    void advance(Duration by);
    std::vector<Duration> waits() const;

private:
    mutable std::mutex mutex_;
    Duration now_;
    std::vector<Duration> waits_;
};

} // namespace velkan::platform
