#include "platform/Clock.h"

#include <algorithm>
#include <thread>

namespace velkan::platform {

std::uint32_t Clock::tickCount() const {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now()).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

Clock::Duration SteadyClock::now() const {
    return std::chrono::duration_cast<Duration>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::wait(Duration duration, const std::function<void()>& pump) {
    // Short slices keep the windows painting while the caller waits; 10 ms is
    // below what the eye notices and far above the cost of a pump.
    constexpr Duration slice = std::chrono::milliseconds(10);
    const auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        if (pump)
            pump();
        auto left = end - std::chrono::steady_clock::now();
        if (left <= Duration::zero())
            return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, slice));
    }
}

SteadyClock& steadyClock() {
    static SteadyClock clock;
    return clock;
}

ManualClock::ManualClock(Duration start) : now_(start) {}

Clock::Duration ManualClock::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualClock::wait(Duration duration, const std::function<void()>& pump) {
    {
        std::lock_guard lock(mutex_);
        waits_.push_back(duration);
        if (duration > Duration::zero())
            now_ += duration;
    }
    if (pump)
        pump();
}

void ManualClock::advance(Duration by) {
    std::lock_guard lock(mutex_);
    now_ += by;
}

std::vector<Clock::Duration> ManualClock::waits() const {
    std::lock_guard lock(mutex_);
    return waits_;
}

} // namespace velkan::platform
