#include "output/play_clock.h"

#include <chrono>
#include <thread>

namespace tonvela {

using std::chrono::microseconds;
using std::chrono::steady_clock;

int64_t SteadyPlayClock::now() {
    return std::chrono::duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SteadyPlayClock::waitUntil(int64_t deadline) {
    steady_clock::time_point at{microseconds(deadline)};
    std::unique_lock lock(mutex_);
    // wait_until on steady_clock sleeps in the kernel: no busy waiting, sub-millisecond wake-ups.
    return !wake_.wait_until(lock, at, [this] { return interrupted_; });
}

void SteadyPlayClock::sleepFor(int64_t micros) {
    if (micros > 0) std::this_thread::sleep_for(microseconds(micros));
}

void SteadyPlayClock::interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    wake_.notify_all();
}

void SteadyPlayClock::clearInterrupt() {
    std::lock_guard lock(mutex_);
    interrupted_ = false;
}

std::shared_ptr<PlayClock> makeSteadyClock() { return std::make_shared<SteadyPlayClock>(); }

}  // namespace tonvela
