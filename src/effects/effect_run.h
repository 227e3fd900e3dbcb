#pragma once

// Inside a run: the settings read once, the common frame that walks the tracks, and the lookups
// that keep every operation linear in the events it walks (no per-hit scan of a track).

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "effects/apply_effect.h"
#include "effects/curve.h"
#include "effects/units.h"
#include "song/position_cursor.h"
#include "song/song.h"

namespace tonvela::effects {

// A run may add at most this many events (a note lasting days at a 1-tick interval would
// otherwise exhaust memory); past it the run is undone and refused with a message.
constexpr int64_t kMaxAddedEvents = 40'000'000;

// The latest tick an effect puts an event or a note's end at: a Standard MIDI File cannot carry a
// delta time above this, so a song edited past it could no longer be saved.
constexpr int64_t kLatestTime = 0x0FFFFFFF;
inline int32_t clampTime(int64_t t) { return static_cast<int32_t>(std::clamp<int64_t>(t, 0, kLatestTime)); }
// A duration for a note at `time`, at least 0 and ending no later than kLatestTime.
inline int32_t clampDuration(int64_t time, int64_t d) {
    return static_cast<int32_t>(std::clamp<int64_t>(d, 0, std::max<int64_t>(0, kLatestTime - time)));
}
// A move of an event at `time` by `delta`, landing within 0..kLatestTime.
// A note keeps its end within kLatestTime too.
inline int32_t clampMove(const NoteOnEvent& note, int64_t delta) {
    const int64_t latest = std::max<int64_t>(0, kLatestTime - std::max<int64_t>(note.duration(), 0));
    return static_cast<int32_t>(std::clamp<int64_t>(note.time + delta, 0, latest) - note.time);
}
inline int choice(int index) { return index < 0 ? 0 : index; }

struct Run {
    midiSong& song;
    const EffectSettings& s;  // numbers already checked
    EffectScope scope;
    EffectOperation operation;
    Curve curve;
    UnitContext units;
    int bendRange = 2;  // pitch bend sensitivity of the current (first) track at scope.unitTime
    EffectCounts counts;
    const EffectProgress& progress;
    int64_t added = 0;
    std::vector<midiTrack*> marked;  // tracks this run marked before it changed them, in order
    int createdTracks = 0;

    Run(midiSong& song, const EffectSettings& s, const EffectScope& scope, EffectOperation op,
        const EffectProgress& progress);

    // Counts one event inside the range; reports progress now and then.
    void examined() {
        ++counts.examined;
        if (++sinceCheck_ >= 4096) checkProgress();
    }
    void noteAdded(int64_t n);
    // Marks the track (once per run), so a run that gives up can return it to how it was, and
    // opens the run's step in it.
    void begin(midiTrack& track);
    void checkProgress();

private:
    int sinceCheck_ = 0;
    std::chrono::steady_clock::time_point lastReport_ = std::chrono::steady_clock::now();
};

// Sorts a track left out of time order (a move) so the walk can stop at the range end, and packs
// it so positions stay fixed while the operation runs. Called after Run::begin, so that undo of
// the run gives back the order too.
void prepareTrack(midiTrack& track);
// Positions [first, last) of the events inside the range of a prepared track.
std::pair<int, int> rangePositions(const midiTrack& track, const TickRange& range);

// timeSignatureAt by binary search, giving what the song's scan gives for any list order.
class SignatureLookup {
public:
    explicit SignatureLookup(const midiSong& song);
    TimeSignature at(int32_t t) const;
    // Bar length in ticks at t (>= 1).
    int64_t barLength(int32_t t) const {
        TimeSignature ts = at(t);
        return static_cast<int64_t>(ts.ticksPerBeat) * ts.beatsPerBar;
    }

private:
    const midiSong& song_;
    std::vector<std::pair<int32_t, size_t>> records_;  // entries later than every entry before them
};

// barBeatTickToTime(bar, 0, 0) from the bar table, computed once for a bar past it.
class BarStarts {
public:
    explicit BarStarts(const midiSong& song) : song_(song) {}
    int32_t start(int bar) {
        if (bar <= 0) return 0;
        if (static_cast<size_t>(bar) + 1 < song_.barStarts.size()) return song_.barStarts[static_cast<size_t>(bar)];
        if (bar != cachedBar_) {
            cachedBar_ = bar;
            cached_ = song_.barBeatTickToTime(bar, 0, 0);
        }
        return cached_;
    }
    // The bar of t as timeToBarBeatTick gives it.
    int barOf(int32_t t, const TimeSignature& ts) const { return barBeatTickWith(song_.barStarts, ts, t).bar; }

private:
    const midiSong& song_;
    int cachedBar_ = -1;
    int32_t cached_ = 0;
};

// The sounding notes of a prepared track from a start position on, indexed lazily as queries
// reach further, so each query costs a binary search and the scan happens once.
class NoteIndex {
public:
    NoteIndex(const midiTrack& track, int startPosition) : track_(track), scanned_(startPosition) {}

    // findNextNoteFrom(time, note at `position`): the first sounding note after `position` with
    // time >= `time`; -1 when none.
    int nextNoteFrom(int64_t time, int position);
    // The first sounding note of `key` (any channel) after `position` with time >= `time`, if it
    // starts at or before `until`; -1 otherwise.
    int nextSameKey(int key, int64_t time, int position, int64_t until);
    // findNextOnChannel(from, channel): the first sounding note at or after `from` on `channel`.
    int nextOnChannel(int from, int channel);

private:
    struct Entry {
        int position;
        int32_t time;
    };
    // Scans on until a note later than `time` (and after `position`) is indexed, or the end.
    void reach(int64_t time, int position);
    const midiTrack& track_;
    int scanned_;
    std::vector<Entry> notes_;
    std::array<std::vector<Entry>, 128> byKey_;
};

// Events made by a run and not yet handed to a track: freed if the run gives up.
template <typename Event>
struct Owned {
    std::vector<Event*> list;
    Owned() = default;
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() {
        for (Event* e : list) delete e;
    }
};

// Same-key repair after notes were moved: for every pair of consecutive sounding notes of one
// channel and key (in time order, equal times by creation) where at least one was moved and the
// earlier one now sounds into the later one, the earlier one is shortened to end one tick before
// the later one starts (never below 0). With `movedReachesNext` a moved earlier note is cut when
// it reaches the next start (end >= start, the Chord Stroke rule); otherwise only when it runs
// past it (end > start), which is the only overlap that cuts a note when the song is written.
// `first`..`last` are the positions of the range the moves were made in.
void repairSameKey(midiTrack& track, const std::vector<NoteOnEvent*>& moved, int first, int last,
                   bool movedReachesNext);

// The operations (each walks the scope's tracks through Run::begin).
void addEvents(Run& run);
void deleteEvents(Run& run);
void modifyVelocity(Run& run);
void timeShift(Run& run);
void modifyControl(Run& run);
void modifyPitchBend(Run& run);
void modifyDuration(Run& run);
EffectResult echo(Run& run);
void chordStroke(Run& run);

}  // namespace tonvela::effects
