#pragma once

// The trill editor's operation: one note replaced by a trill, made of alternating notes or of
// one held note with alternating pitch bends, filling the time up to the next note (or the
// note's own length).

#include <cstdint>
#include <vector>

#include "song/events.h"

namespace tonvela {

class midiSong;
class midiTrack;

inline constexpr const char* kTrillLabel = "Make Trill";

struct TrillSettings {
    enum class Method { note, pitchBend };
    enum class Quantize { toNextNote, dontAdjust };
    Method TrillMethod = Method::note;  // "Note/Bend": "Note", "PitchBend"
    int UpperPitch = 64;                // "Next Note", 1..127
    int TrillInterval = 10;             // ticks of one trill note
    double IntTime = 85;                // "Interval Time(ms)", what "Def." turns into ticks
    int FirstLength = 1;                // the first note lasts this many intervals, 1..9
    int LastLength = 1;                 // the last note, 1..9
    bool StartDown = false;             // "StartWith": "Up" (false), "Down"
    bool EndwithGivenNote = true;
    bool TurnAtLast = false;            // the second-to-last step goes to TurnNote
    int TurnNote = 64;                  // 1..127
    Quantize RangeQuantize = Quantize::toNextNote;
    bool Fill = true;                   // stretch the steps so the last note ends at the range
};

// The trill interval for `intTimeMs` milliseconds at the tempo in force at `time`:
// intTimeMs * timeBase * 1000 / tempo, truncated (0 for a value that is not a number).
int trillIntervalDefault(midiSong& song, double intTimeMs, int32_t time);

// The keys proposed for a note: one scale step up ("Next Note"; on channel 10 the note's own key,
// a repeated-note roll) and one step down (the turn key), in the scale of the key signature in
// force at the note (C major where there is none).
struct TrillKeys {
    int upper;
    int turn;
};
TrillKeys trillKeysFor(const midiSong& song, const NoteOnEvent& note);

// The time the trill fills: with toNextNote, up to the start of the next sounding note of the
// track (any key and channel) that starts later than the note; else, or without one, the
// note's duration.
int32_t trillRange(const midiTrack& track, const NoteOnEvent& note, TrillSettings::Quantize quantize);

// The pitch bend sensitivity in semitones at `time` on the track, 2 where it reads 0.
int bendSensitivity(const midiTrack& track, int32_t time);

// Whether Test Play and Apply can run: an interval above 0, at least FirstLength + LastLength + 1
// intervals in the range and, for pitch bends, a sensitivity that reaches from the lowest to the
// highest of the note's key, the upper key and (with TurnAtLast) the turn key.
bool trillReady(const midiTrack& track, const NoteOnEvent& note, const TrillSettings& settings, int32_t range);

// Builds the trill of `note` (a note of `track`) over `range` ticks into `work`, emptied first,
// and returns the events of the track it replaces: the note, and every pitch bend of the track
// from the first to the last event time of the trill. A trill with fewer than three steps
// builds nothing (work empty, nothing returned). Throws MidiError, with `work` empty, for keys
// outside 1..127, lengths outside 1..9, or pitch bends that the sensitivity cannot reach.
std::vector<anyEvent*> buildTrill(const midiTrack& track, NoteOnEvent& note, const TrillSettings& settings,
                                  int32_t range, midiTrack& work);

// Builds and copies the trill into song track `track` as the undo step kTrillLabel. False when
// nothing was built (then nothing changed); throws as buildTrill does, before any change.
bool applyTrill(midiSong& song, int track, NoteOnEvent& note, const TrillSettings& settings, int32_t range,
                midiTrack& work);

}  // namespace tonvela
