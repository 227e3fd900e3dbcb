#pragma once

// Helpers for turning ticks into bar:beat:tick quickly when many times are converted in order.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "song/events.h"
#include "song/song.h"

namespace tonvela {

// A bar table larger than this means a broken file, not a song.
constexpr size_t kMaxBars = 1000000;

// Applies a time signature event to the defaults (4 beats of one quarter note). A beat is never
// shorter than one tick, so bars always advance.
inline void applyTimeSignature(const timeBeatEvent* e, uint16_t timeBase, TimeSignature& ts);

// The time signature in force at t, for calls with non-decreasing t (restarts when t goes back).
// Gives exactly what a scan from the start that stops at the first later entry gives.
class SignatureCursor {
public:
    SignatureCursor(const std::vector<timeBeatEvent*>& list, uint16_t timeBase) : list_(list), timeBase_(timeBase) {}
    TimeSignature at(int32_t t);
    // The time from which the signature at the last t given may change (INT64_MAX: never).
    int64_t nextChange() const { return prefix_ < list_.size() ? list_[prefix_]->time : INT64_MAX; }

private:
    const std::vector<timeBeatEvent*>& list_;
    uint16_t timeBase_;
    size_t prefix_ = 0;
    int32_t last_ = INT32_MIN;
    // The signature of list_[appliedPrefix_ - 1], kept: most calls stay within one signature.
    size_t appliedPrefix_ = SIZE_MAX;
    TimeSignature current_{};
};

BarBeatTick barBeatTickWith(const std::vector<int32_t>& barStarts, const TimeSignature& ts, int32_t time);

// The bars of a song, from tick 0 to the first one that starts past `songEnd`, as runs of equal
// bars: run(start, length, count) for each, in order. A bar takes the signature in force at its
// start.
template <typename Run>
void forEachBarRun(const std::vector<timeBeatEvent*>& signatures, uint16_t timeBase, int32_t songEnd, Run run);

// barBeatTickWith(barStarts, time signature at t, t) for many times, cheapest when they come in
// order: the bar is found by walking on from the last one.
class PositionCursor {
public:
    PositionCursor(const std::vector<int32_t>& barStarts, const std::vector<timeBeatEvent*>& signatures,
                   uint16_t timeBase)
        : starts_(barStarts), signatures_(signatures, timeBase) {}
    BarBeatTick at(int32_t time);

private:
    BarBeatTick seek(int32_t time, const TimeSignature& ts);
    const std::vector<int32_t>& starts_;
    SignatureCursor signatures_;
    size_t bar_ = 0;
};


inline void applyTimeSignature(const timeBeatEvent* e, uint16_t timeBase, TimeSignature& ts) {
    ts.ticksPerBeat = timeBase;
    ts.beatsPerBar = 4;
    if (e && e->numerator() > 0 && e->denominator() > 0) {
        ts.beatsPerBar = e->numerator();
        ts.ticksPerBeat = timeBase * 4 / e->denominator();
    }
    if (ts.ticksPerBeat < 1) ts.ticksPerBeat = 1;
}

inline TimeSignature SignatureCursor::at(int32_t t) {
    if (t < last_) prefix_ = 0;
    last_ = t;
    while (prefix_ < list_.size() && list_[prefix_]->time <= t) ++prefix_;
    if (prefix_ != appliedPrefix_) {
        current_ = TimeSignature{timeBase_, 4};
        applyTimeSignature(prefix_ ? list_[prefix_ - 1] : nullptr, timeBase_, current_);
        appliedPrefix_ = prefix_;
    }
    return current_;
}

inline BarBeatTick barBeatTickWith(const std::vector<int32_t>& barStarts, const TimeSignature& ts, int32_t time) {
    auto it = std::upper_bound(barStarts.begin(), barStarts.end(), time);
    int64_t i = (it - barStarts.begin()) - 1;
    if (i < 0) {
        int32_t barLen = ts.ticksPerBeat * ts.beatsPerBar;
        if (barLen < 1) barLen = 1;
        return {time / barLen, (time % barLen) / ts.ticksPerBeat, time % ts.ticksPerBeat};
    }
    int32_t offset = time - barStarts[static_cast<size_t>(i)];
    return {static_cast<int32_t>(i), offset / ts.ticksPerBeat, offset % ts.ticksPerBeat};
}

inline BarBeatTick PositionCursor::at(int32_t time) {
    const TimeSignature ts = signatures_.at(time);
    // Mostly the time lies in the bar of the last one.
    if (bar_ + 1 < starts_.size() && starts_[bar_] <= time && starts_[bar_ + 1] > time) {
        const int32_t offset = time - starts_[bar_];
        return {static_cast<int32_t>(bar_), offset / ts.ticksPerBeat, offset % ts.ticksPerBeat};
    }
    return seek(time, ts);
}

template <typename Run>
void forEachBarRun(const std::vector<timeBeatEvent*>& signatures, uint16_t timeBase, int32_t songEnd, Run run) {
    SignatureCursor cursor(signatures, timeBase);
    int64_t t = 0;
    while (t <= songEnd) {
        const TimeSignature ts = cursor.at(static_cast<int32_t>(t));
        const int64_t length = static_cast<int64_t>(ts.ticksPerBeat) * ts.beatsPerBar;
        // This length holds up to the first bar that starts past the song or at or after the
        // next signature.
        const int64_t stop = std::min<int64_t>(cursor.nextChange(), static_cast<int64_t>(songEnd) + 1);
        const int64_t count = std::max<int64_t>(1, (stop - t + length - 1) / length);
        run(t, length, count);
        t += count * length;
    }
}

}  // namespace tonvela
