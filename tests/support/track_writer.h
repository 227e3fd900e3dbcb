#pragma once

// Builds the event bytes of a track chunk from messages at absolute times, for songs made in
// tests and benchmarks. Use with smf_builder.h's smf().

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace tonvela::test {

class TrackWriter {
public:
    using Bytes = std::vector<uint8_t>;

    TrackWriter& at(int32_t time, Bytes message) {
        events_.emplace_back(time, std::move(message));
        return *this;
    }
    TrackWriter& tempo(int32_t time, int32_t micros) {
        return at(time, {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                         static_cast<uint8_t>(micros)});
    }
    TrackWriter& note(int32_t time, int channel, int key, int velocity, int32_t duration) {
        at(time, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)});
        return at(time + duration, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0x40});
    }
    TrackWriter& control(int32_t time, int channel, int controller, int value) {
        return at(time, {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(controller), static_cast<uint8_t>(value)});
    }
    TrackWriter& program(int32_t time, int channel, int program) {
        return at(time, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)});
    }
    TrackWriter& bend(int32_t time, int channel, int raw) {
        return at(time, {static_cast<uint8_t>(0xE0 | channel), static_cast<uint8_t>(raw & 0x7F),
                         static_cast<uint8_t>((raw >> 7) & 0x7F)});
    }

    // Delta-time + message bytes in time order (equal times keep the order they were added).
    Bytes bytes() const {
        auto sorted = events_;
        std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        Bytes out;
        int32_t last = 0;
        for (const auto& [time, message] : sorted) {
            putVarLen(out, static_cast<uint32_t>(time - last));
            last = time;
            out.insert(out.end(), message.begin(), message.end());
        }
        return out;
    }

private:
    static void putVarLen(Bytes& out, uint32_t v) {
        uint8_t buf[5];
        int n = 0;
        buf[n++] = static_cast<uint8_t>(v & 0x7F);
        while (v >>= 7) buf[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
        while (n) out.push_back(buf[--n]);
    }
    std::vector<std::pair<int32_t, Bytes>> events_;
};

}  // namespace tonvela::test
