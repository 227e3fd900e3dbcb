#pragma once

// Time for the player, the waits of the device object and the capture port's timestamps.
// The real clock waits on steady_clock; an offline clock (rendering, tests) makes time pass
// by doing work instead of waiting, and the player then runs on the caller's thread.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace tonvela {

class PlayClock {
public:
    virtual ~PlayClock() = default;
    // Microseconds from an arbitrary fixed origin; never goes back.
    virtual int64_t now() = 0;
    // Waits until now() >= deadline. Returns false at once when interrupted.
    virtual bool waitUntil(int64_t deadline) = 0;
    // A plain wait that interrupt() does not cut short (chase, reset and error sound pauses).
    virtual void sleepFor(int64_t micros) = 0;
    // Wakes the waiter; every later waitUntil returns false until clearInterrupt().
    virtual void interrupt() = 0;
    virtual void clearInterrupt() = 0;
    // False for offline clocks: the player runs synchronously on the thread that starts it.
    virtual bool realTime() const = 0;
};

class SteadyPlayClock final : public PlayClock {
public:
    int64_t now() override;
    bool waitUntil(int64_t deadline) override;
    void sleepFor(int64_t micros) override;
    void interrupt() override;
    void clearInterrupt() override;
    bool realTime() const override { return true; }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
};

std::shared_ptr<PlayClock> makeSteadyClock();

}  // namespace tonvela
