#pragma once

// Running an effect over a part of the song: the tracks of a selection and a time range.
// Every operation walks the tracks from the first to the last, opens one undo step per track
// (label below) and changes events only through the journaled track operations, so each track's
// step can be undone exactly. A run that cannot start (a field that does not read, no effect
// type) fails before the first undo step: it leaves the song and its journals as they were.
//
// Not thread-safe: the caller owns the song for the run (the interface thread, with playback
// stopped or playing from its own copy).

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "effects/effect_settings.h"
#include "song/selection.h"

namespace tonvela {

class midiSong;

// The part of the song an effect runs on.
struct EffectScope {
    int firstTrack = 1;  // track indexes into the song, inclusive (clipped to the song's tracks)
    int lastTrack = 1;
    TickRange range;     // ticks, inclusive; an empty or inverted range finds no events
    // Start of the first selected bar: the tempo of "ms" conversions and the pitch bend
    // sensitivity of "Half Tone" conversions are read here.
    int32_t unitTime = 0;

    // The selection's tracks and bars: range = selection.ticks(song) (guarded past the bar
    // table), unitTime = start of its first bar.
    static EffectScope of(const midiSong& song, const Selection& selection);
    // The selection's tracks with the range as the user typed it in the range fields (bar and
    // beat from 1), each end checked by positionTime; nullopt and a message in `error` for a
    // position no song can reach.
    static std::optional<EffectScope> of(const midiSong& song, const Selection& selection, const RangeFields& fields,
                                         std::string* error = nullptr);
};

// Counts of a run, totals over all its tracks.
struct EffectCounts {
    int64_t hits = 0;      // events acted on (what counts is stated with each operation)
    int64_t examined = 0;  // events inside the range
    int64_t chords = 0;    // Chord Stroke: chords of at least two notes processed
    bool chordStroke = false;

    // "H / E events hit", or "N chords processed" for Chord Stroke.
    std::string statusText() const;
};

struct EffectProgress {
    // Called from inside the run with the counts so far, at most once per `interval` (checked
    // every few thousand events), never at every hit; not called when empty. It must not touch
    // the song.
    std::function<void(const EffectCounts&)> report;
    std::chrono::milliseconds interval{50};
};

struct EffectResult {
    // False when the run did nothing because `Distance` does not read as a number above 0
    // (Apply is unavailable then; the song is untouched and counts are 0).
    bool applied = false;
    EffectCounts counts;
    // Echo with "Other Track": the index of the echo track (created by the run when no track had
    // its name), else -1. With "Select TargetTrack after Proc." the editor selects its row.
    int echoTrack = -1;
    bool echoTrackCreated = false;

    std::string statusText() const { return counts.statusText(); }
};

// The nine operations and their undo labels.
enum class EffectOperation {
    addEvents,
    deleteEvents,
    modifyVelocity,
    timeShift,
    echo,
    modifyControl,
    modifyPitchBend,
    modifyDuration,
    chordStroke,
};
// The operation an effect runs (type 5 by its Modify choice); nullopt for no type.
std::optional<EffectOperation> operationOf(const EffectSettings& settings);
// "Add events<" ... "Chord Stroke <": the label text before the effect name.
std::string_view undoLabelText(EffectOperation operation);
// The step label: the text, the effect name and ">" ("Add events<Swell>").
std::string undoLabel(EffectOperation operation, const std::string& effectName);

// The message of a run without an effect type (a file whose type text is unknown).
inline constexpr std::string_view kNoEffectTypeMessage = "DOOOH! Internal Error! ";
// The message of a run that ran out of memory.
inline constexpr std::string_view kOutOfMemoryMessage =
    "There is not enough memory for this effect. Nothing was changed; choose a larger interval or a shorter range.";

// Runs the effect. In order: without a type throws MidiError(kNoEffectTypeMessage); when
// canApply(settings) is false returns {applied = false} and does nothing; checks the number
// fields (normaliseNumberFields on a copy) and throws MidiError(first bad field's message) when
// one does not read; then runs the operation. Nothing is changed before the checks pass. A run
// that gives up part way (too many events, out of memory: MidiError) leaves the song, and every
// track's undo and redo, exactly as they were.
EffectResult applyEffect(midiSong& song, const EffectSettings& settings, const EffectScope& scope,
                         const EffectProgress& progress = {});

}  // namespace tonvela
