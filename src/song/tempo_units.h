#pragma once

// Tempo as the file stores it (microseconds per quarter note) and as people read it (quarter
// notes per minute). Both directions use integer division, so what a display shows and what
// a typed value sets agree with each other everywhere.

#include <cstdint>

namespace tonvela {

inline constexpr int32_t microsPerMinute = 60'000'000;

// Quarter notes per minute of a tempo in microseconds per quarter note. A tempo below 1 counts
// as 1 (a broken file must not divide by zero).
constexpr int32_t microsToBpm(int64_t microsPerQuarter) {
    return static_cast<int32_t>(microsPerMinute / (microsPerQuarter < 1 ? 1 : microsPerQuarter));
}

// Microseconds per quarter note of a tempo in quarter notes per minute. A bpm below 1 counts as 1.
constexpr int32_t bpmToMicros(int32_t bpm) { return microsPerMinute / (bpm < 1 ? 1 : bpm); }

}  // namespace tonvela
