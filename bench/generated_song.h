#pragma once

// The generated test songs of the benchmarks, as Standard MIDI File bytes, the same on every
// machine: the 16-track song of about 3 million events (notes with note offs, controller and
// pitch-bend curves, tempo changes) in format 1 and format 0, a track of note ons without note
// offs, and the pieces to build others.
// An "event" is one message of the file (note offs included).

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <queue>
#include <string>
#include <utility>
#include <vector>

#include "song/events.h"
#include "song/tempo_units.h"

namespace benchsong {

struct Rng {  // 64-bit LCG: same numbers on every machine and compiler
    uint64_t s;
    uint32_t next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(s >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

struct Message {
    uint32_t time;
    std::vector<uint8_t> bytes;  // status and data (meta: FF type length data)
};

// Encodes messages in time order as one track chunk, with running status like common writers.
inline void putTrack(std::vector<uint8_t>& out, const std::vector<Message>& messages) {
    std::vector<uint8_t> body;
    body.reserve(messages.size() * 4 + 4);
    auto varLen = [&body](uint32_t v) { tonvela::ByteWriter(body).putVarLen(v); };
    uint32_t last = 0;
    uint8_t running = 0;
    for (const Message& m : messages) {
        varLen(m.time - last);
        last = m.time;
        size_t from = 0;
        if (m.bytes[0] < 0xF0 && m.bytes[0] == running) from = 1;
        running = m.bytes[0] < 0xF0 ? m.bytes[0] : 0;
        body.insert(body.end(), m.bytes.begin() + static_cast<std::ptrdiff_t>(from), m.bytes.end());
    }
    varLen(0);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    uint32_t n = static_cast<uint32_t>(body.size());
    out.insert(out.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                           static_cast<uint8_t>(n)});
    out.insert(out.end(), body.begin(), body.end());
}

inline std::vector<uint8_t> header(int format, int tracks, int division) {
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(format), static_cast<uint8_t>(tracks >> 8),
            static_cast<uint8_t>(tracks), static_cast<uint8_t>(division >> 8), static_cast<uint8_t>(division)};
}

inline Message meta(uint32_t time, uint8_t type, std::vector<uint8_t> data) {
    Message m{time, {}};
    m.bytes.reserve(3 + data.size());
    m.bytes.push_back(0xFF);
    m.bytes.push_back(type);
    m.bytes.push_back(static_cast<uint8_t>(data.size()));
    for (uint8_t b : data) m.bytes.push_back(b);
    return m;
}

inline constexpr int kTicksPerBeat = 480;
inline constexpr int kTracks = 16;
inline constexpr size_t kSongEvents = 3'000'000;

// One instrument track of the big song: every 60 ticks a note on, a controller and a pitch-bend
// value; notes last 50 to 230 ticks, so up to four overlap and keys repeat while sounding.
inline std::vector<Message> songTrack(int index, size_t eventBudget) {
    Rng rng{static_cast<uint64_t>(index) * 7919 + 1};
    const uint8_t ch = static_cast<uint8_t>(index);
    std::vector<Message> out;
    out.reserve(eventBudget);
    std::string name = "Voice " + std::to_string(index + 1);
    out.push_back(meta(0, 0x03, std::vector<uint8_t>(name.begin(), name.end())));
    if (index == 0) out.push_back(meta(0, 0x58, {4, 2, 24, 8}));
    out.push_back({0, {static_cast<uint8_t>(0xC0 | ch), static_cast<uint8_t>(index * 5 % 128)}});

    struct Off {
        uint32_t time;
        uint8_t key;
        bool operator>(const Off& o) const { return time > o.time; }
    };
    std::priority_queue<Off, std::vector<Off>, std::greater<Off>> offs;
    const int baseKey = ch == 9 ? 35 : 36 + index * 2;
    // Room for the end-of-track event and the note offs still pending.
    for (uint32_t step = 0; out.size() + offs.size() + 5 + (index == 0) < eventBudget; ++step) {
        const uint32_t t = step * 60;
        while (!offs.empty() && offs.top().time <= t) {
            out.push_back({offs.top().time, {static_cast<uint8_t>(0x90 | ch), offs.top().key, 0}});
            offs.pop();
        }
        if (index == 0 && step % 32 == 0) {  // a tempo change every bar, 90 to 150 bpm
            auto us = static_cast<uint32_t>(tonvela::bpmToMicros(static_cast<int32_t>(90 + rng.below(61))));
            out.push_back(meta(t, 0x51, {static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8), static_cast<uint8_t>(us)}));
        }
        const uint8_t key = static_cast<uint8_t>(baseKey + rng.below(24));
        out.push_back({t, {static_cast<uint8_t>(0x90 | ch), key, static_cast<uint8_t>(40 + rng.below(88))}});
        offs.push({t + 50 + 60 * static_cast<uint32_t>(rng.below(4)), key});
        // Controller and pitch-bend curves: a slow triangle and a sine.
        int phase = static_cast<int>(step % 256);
        out.push_back({t + 10, {static_cast<uint8_t>(0xB0 | ch), 11, static_cast<uint8_t>(phase < 128 ? phase : 255 - phase)}});
        int bend = 8192 + static_cast<int>(std::lround(2048.0 * std::sin(step * 0.05)));
        out.push_back({t + 20, {static_cast<uint8_t>(0xE0 | ch), static_cast<uint8_t>(bend & 0x7F), static_cast<uint8_t>(bend >> 7)}});
    }
    while (!offs.empty()) {
        out.push_back({offs.top().time, {static_cast<uint8_t>(0x90 | ch), offs.top().key, 0}});
        offs.pop();
    }
    std::stable_sort(out.begin(), out.end(), [](const Message& a, const Message& b) { return a.time < b.time; });
    return out;
}

struct Input {
    std::vector<uint8_t> bytes;
    size_t events = 0;  // messages in the file, end-of-track events included
    size_t notes = 0;   // note ons with a velocity
};

inline size_t countNotes(const std::vector<Message>& messages) {
    return static_cast<size_t>(std::count_if(messages.begin(), messages.end(), [](const Message& m) {
        return (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0;
    }));
}

// The big song as format 1 (one chunk per track) and format 0 (every track in one chunk).
inline std::pair<Input, Input> bigSong() {
    std::vector<std::vector<Message>> tracks;
    for (int i = 0; i < kTracks; ++i) tracks.push_back(songTrack(i, kSongEvents / kTracks));
    Input f1{header(1, kTracks, kTicksPerBeat), 0, 0};
    for (const auto& t : tracks) {
        putTrack(f1.bytes, t);
        f1.events += t.size() + 1;
        f1.notes += countNotes(t);
    }
    std::vector<Message> merged;
    for (auto& t : tracks) {
        for (auto& m : t)
            if (m.bytes[0] != 0xFF || m.bytes[1] != 0x03 || merged.empty()) merged.push_back(std::move(m));
        t.clear();
        t.shrink_to_fit();
    }
    std::stable_sort(merged.begin(), merged.end(), [](const Message& a, const Message& b) { return a.time < b.time; });
    Input f0{header(0, 1, kTicksPerBeat), merged.size() + 1, countNotes(merged)};
    putTrack(f0.bytes, merged);
    return {std::move(f1), std::move(f0)};
}

// One track of note ons and no note off: every note lasts until its key strikes again.
inline Input noteOnsOnly(size_t count) {
    Rng rng{42};
    std::vector<Message> m;
    m.reserve(count);
    for (size_t i = 0; i < count; ++i)
        m.push_back({static_cast<uint32_t>(i * 30), {0x90, static_cast<uint8_t>(rng.below(128)), static_cast<uint8_t>(1 + rng.below(127))}});
    Input in{header(1, 1, kTicksPerBeat), count + 1, count};
    putTrack(in.bytes, m);
    return in;
}

}  // namespace benchsong
