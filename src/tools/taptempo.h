#pragma once

// The tap-tempo button: the time between two taps becomes the tempo.

#include <cstdint>
#include <optional>

namespace tonvela {

class TapTempo {
public:
    // A tap at nowMs (any millisecond clock). Returns the tempo in microseconds per quarter
    // note when the gap to the previous tap is above 200 ms and at most 3 s (300 to 20 beats
    // per minute); otherwise nullopt. Every tap becomes the previous one.
    std::optional<int32_t> tap(int64_t nowMs);
    // Forgets the previous tap (a play was started).
    void forget() { previous_.reset(); }

private:
    std::optional<int64_t> previous_;
};

}  // namespace tonvela
