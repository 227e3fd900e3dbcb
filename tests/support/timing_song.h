#pragma once

// The playback timing measurement shared by the timing test and the benchmark: a busy song
// played in real time to the capture port, each batch's send time compared with the time its
// ticks and the tempo give.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

#include "output/capture_port.h"
#include "output/midi_device.h"
#include "output/play_list.h"
#include "smf_builder.h"
#include "song/song.h"
#include "track_writer.h"

namespace tonvela::test {

// 16th notes at 240 bpm with modulation and expression curves between them, slowing to 200 bpm
// halfway. `quarters` quarter notes long (120 gives about 33 s).
inline Bytes timingSongBytes(int quarters) {
    TrackWriter conductor;
    conductor.tempo(0, 250000);
    conductor.tempo(quarters / 2 * 480, 300000);
    TrackWriter voice;
    voice.program(0, 0, 0);
    for (int q = 0; q < quarters; ++q) {
        for (int s = 0; s < 4; ++s) {
            int32_t t = q * 480 + s * 120;
            voice.note(t, 0, 60 + (q * 4 + s) % 24, 90, 60);
            for (int k = 0; k < 4; ++k) {
                double phase = (q * 16 + s * 4 + k) / 32.0;
                voice.control(t + k * 30, 0, 1, static_cast<int>(64 + 63 * std::sin(phase)));
            }
            voice.control(t + 45, 0, 11, 100 + (q + s) % 27);
        }
    }
    return smf(1, {conductor.bytes(), voice.bytes()});
}

struct TimingFigures {
    int batches = 0;
    double p50 = 0, p99 = 0, max = 0;  // lateness of the batches, ms
    double drift = 0;                  // lateness of the last batch, ms
    double cpuPercent = 0;             // process CPU time over wall time while playing
    double seconds = 0;                // wall time of the play
    int lateCount = 0;                 // batches the player found due before it could wait
};

// Ideal send time (µs from the first batch) of every message the play list sends, in order.
inline std::vector<std::pair<int32_t, double>> idealTimes(const PlayList& list, int32_t tempo) {
    std::vector<std::pair<int32_t, double>> out;
    double micros = 0;
    int32_t tick = -1;
    for (int i = 0; i < list.size(); ++i) {
        const PlayMessage& m = list.at(i);
        if (tick >= 0) micros += static_cast<double>(m.time - tick) * tempo / list.timeBase();
        tick = m.time;
        if (m.kind == PlayKind::tempo) tempo = static_cast<int32_t>(m.extra);
        // Pressure events and meta events send nothing.
        if (m.kind != PlayKind::silent && m.kind != PlayKind::text && m.kind != PlayKind::tempo)
            out.emplace_back(m.time, micros);
    }
    return out;
}

inline double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(std::ceil(p * static_cast<double>(v.size()))) - 1;
    return v[std::min(i, v.size() - 1)];
}

// Plays the song (Play All, real clock) to a capture port and measures it.
inline TimingFigures measurePlayback(const Bytes& songBytes) {
    midiSong song;
    song.loadBytes(songBytes.data(), songBytes.size(), "timing.mid");
    auto clock = makeSteadyClock();
    auto log = std::make_shared<CaptureLog>();
    MidiDevice device(makeCaptureDriver(log, clock), clock);
    device.openDevice(-1);

    auto wall0 = std::chrono::steady_clock::now();
    std::clock_t cpu0 = std::clock();
    device.playAll(song, PlayOptions{});
    while (!device.waitUntilIdle(1'000'000)) {
    }
    std::clock_t cpu1 = std::clock();
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();

    TimingFigures f;
    f.seconds = wall;
    f.cpuPercent = 100.0 * static_cast<double>(cpu1 - cpu0) / CLOCKS_PER_SEC / wall;
    f.lateCount = device.lateCount();
    auto ideal = idealTimes(*device.playList(), song.tempoAt(0));
    auto sent = log->messages();
    if (sent.size() != ideal.size() || sent.empty()) return f;
    std::vector<double> lateness;
    const double origin = static_cast<double>(sent[0].micros);
    int32_t batchTick = -1;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (ideal[i].first == batchTick) continue;  // the batch's first message stands for it
        batchTick = ideal[i].first;
        lateness.push_back((static_cast<double>(sent[i].micros) - origin - ideal[i].second) / 1000.0);
    }
    f.batches = static_cast<int>(lateness.size());
    f.p50 = percentile(lateness, 0.50);
    f.p99 = percentile(lateness, 0.99);
    f.max = *std::max_element(lateness.begin(), lateness.end());
    f.drift = lateness.back();
    return f;
}

}  // namespace tonvela::test
