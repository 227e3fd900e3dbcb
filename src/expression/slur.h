#pragma once

// The slur bender's operations. A slur joins a phrase of notes into one held note whose pitch
// follows the phrase by pitch bends, optionally with cosine-shaped glides between the steps.
// Bend->Note does the reverse: it splits held, bent notes into separate notes wherever a bend
// reaches the next semitone.

#include <cstdint>
#include <span>
#include <vector>

#include "song/events.h"

namespace tonvela {

class midiSong;
class midiTrack;

inline constexpr const char* kSlurLabel = "Make Slur";
inline constexpr const char* kBendToNoteLabel = "Make Bend->Slur";

struct SlurSettings {
    enum class Velocity { start, end, mean };
    Velocity SlurVelocity = Velocity::start;  // of the held note: the first note's, the last's, the mean
    bool UsePortament = false;                // PortCheckBox1: glides between the pitch steps
    int PortTrackBar1 = 7;                    // 1..10, "Smooth" to "Rapid": how late a glide starts
    bool Delay = true;                        // DelayCheck: centre each glide on the note it leads to
    int MaxEffectRange = 450;                 // MaxEffectRangeEdit1: longest glide in milliseconds
    int Precision = 10;                       // Bend->Note tolerance in raw bend units
    bool Reverse = false;                     // "Bend->Note"
};

// The Precision the Slur Bender page starts with: one cent in raw bend units, 8192 / r / 100,
// with r the sensitivity at the track's first note.
int precisionDefault(const midiTrack& track);

// Whether Test Play and Apply can run on the phrase (notes of the track, in track order): with
// Bend->Note one note; else at least two, every key within r semitones of the last one's, where
// r is the sensitivity at the first note (bendSensitivity).
bool slurReady(const midiTrack& track, std::span<NoteOnEvent* const> phrase, const SlurSettings& settings);

// Builds the slur, or with Reverse the Bend->Note split, of the phrase into `work`, emptied
// first, and returns the events of the track it replaces: the phrase's notes and the pitch bends
// of the track over the result (slur: from its first to its last event time; Bend->Note: from the
// earliest start to the latest end of the phrase). Throws MidiError, with `work` empty, when
// slurReady is false, and for Bend->Note when Precision is not below 8191 / r.
std::vector<anyEvent*> buildSlur(midiSong& song, const midiTrack& track, std::span<NoteOnEvent* const> phrase,
                                 const SlurSettings& settings, midiTrack& work);

// Builds and copies the result into song track `track` as the undo step kSlurLabel or
// kBendToNoteLabel. Throws as buildSlur does, before any change.
void applySlur(midiSong& song, int track, std::span<NoteOnEvent* const> phrase, const SlurSettings& settings,
               midiTrack& work);

}  // namespace tonvela
