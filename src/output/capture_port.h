#pragma once

// A port that records what is sent to it: every message with the microseconds since the port
// was opened. The log may be read from another thread while a player sends to the port.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "output/midi_port.h"
#include "output/play_clock.h"

namespace tonvela {

struct CapturedMessage {
    int64_t micros;              // since the port was opened
    std::vector<uint8_t> bytes;  // the whole message, status byte first
};

class CaptureLog {
public:
    void clear();
    void add(int64_t micros, const uint8_t* data, size_t size);
    std::vector<CapturedMessage> messages() const;
    size_t size() const;
    // One line per message: microseconds, one space, the bytes as upper-case hex pairs
    // separated by spaces ("1500000 90 3C 64"); every line ends with "\n".
    std::string dump() const;

private:
    mutable std::mutex mutex_;
    std::vector<CapturedMessage> messages_;
};

// One dump line of a message.
std::string captureLine(const CapturedMessage& m);

// A driver whose only port is the capture port, listed as port -1. Opening it clears the log
// and restarts its time at 0. Timestamps come from `clock`, so an offline clock gives exact
// times.
std::unique_ptr<PortDriver> makeCaptureDriver(std::shared_ptr<CaptureLog> log, std::shared_ptr<PlayClock> clock);

}  // namespace tonvela
