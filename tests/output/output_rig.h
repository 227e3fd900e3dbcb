#pragma once

// Helpers of the output tests: a clock that jumps instead of waiting, a device on the capture
// port, and compact forms of captured messages.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "output/capture_port.h"
#include "output/midi_device.h"
#include "output/play_clock.h"

namespace tonvela::test {

// Time moves only when the player or the device waits: the player then runs on the test's
// thread and every timestamp is exact. Actions scheduled with at() run when time reaches them.
class FakeClock final : public PlayClock {
public:
    int64_t now() override { return now_; }
    bool waitUntil(int64_t deadline) override {
        if (interrupted_) return false;
        advanceTo(deadline);
        return !interrupted_;
    }
    void sleepFor(int64_t micros) override {
        sleeps.push_back(micros);
        advanceTo(now_ + micros);
    }
    void interrupt() override { interrupted_ = true; }
    void clearInterrupt() override { interrupted_ = false; }
    bool realTime() const override { return false; }

    void at(int64_t time, std::function<void()> action) { actions_.emplace(time, std::move(action)); }
    void advanceBy(int64_t micros) { now_ += micros; }

    std::vector<int64_t> sleeps;

private:
    void advanceTo(int64_t t) {
        while (!actions_.empty() && actions_.begin()->first <= t) {
            auto node = actions_.extract(actions_.begin());
            if (node.key() > now_) now_ = node.key();
            node.mapped()();
            if (interrupted_) return;
        }
        if (t > now_) now_ = t;
    }
    int64_t now_ = 0;
    bool interrupted_ = false;
    std::multimap<int64_t, std::function<void()>> actions_;
};

// A device on the capture port, opened, with either the fake clock or the real one.
struct CaptureRig {
    explicit CaptureRig(std::shared_ptr<PlayClock> c = std::make_shared<FakeClock>())
        : clock(std::move(c)), log(std::make_shared<CaptureLog>()), device(makeCaptureDriver(log, clock), clock) {
        device.onMessage = [this](const std::string& m) { messages.push_back(m); };
        device.openDevice(-1);
    }
    FakeClock& fake() { return static_cast<FakeClock&>(*clock); }
    // "time bytes" lines, as in the dump.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const auto& m : log->messages()) out.push_back(captureLine(m));
        return out;
    }
    // The bytes only, without times.
    std::vector<std::string> bytes() const {
        std::vector<std::string> out;
        for (const auto& m : log->messages()) {
            std::string line = captureLine(m);
            out.push_back(line.substr(line.find(' ') + 1));
        }
        return out;
    }

    std::shared_ptr<PlayClock> clock;
    std::shared_ptr<CaptureLog> log;
    MidiDevice device;
    std::vector<std::string> messages;
};

// The sixteen channels' All Sound Off and Reset All Controllers, at `time`.
inline std::vector<std::string> stopSoundLines(int64_t time) {
    std::vector<std::string> out;
    const char* hex = "0123456789ABCDEF";
    for (int ch = 0; ch < 16; ++ch) {
        std::string status = std::string("B") + hex[ch];
        out.push_back(std::to_string(time) + " " + status + " 78 00");
        out.push_back(std::to_string(time) + " " + status + " 79 00");
    }
    return out;
}

}  // namespace tonvela::test
