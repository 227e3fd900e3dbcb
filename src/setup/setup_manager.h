#pragma once

// The set-up manager: the sound of each channel (bank, program, volume, expression, pan, effect
// sends, tone controllers, vibrato and decay parameters, pitch bend sensitivity) read from the
// song and written back as control and program changes.
//
// At the head of the song a Set replaces the channel's set-up events found before its first note
// with a complete set-up, its events staggered so that no two channels share a tick. Halfway
// (at the start of a bar) a Set writes only the values that differ from those in force there.
// Only events of the channel itself are read, removed or rescaled. Everything a Set writes goes
// before the notes of the channel on the same tick, so a note never sounds with the old sound.
// A Set is one undo step "Setup Manager" in each track it changes; it is decided completely
// before the steps open, so a refused Set leaves every journal as it was.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tonvela {

class anyEvent;
class midiSong;

inline constexpr const char* kSetupManagerLabel = "Setup Manager";

// The values of a set-up, in the order they are written.
enum SetupControl : int {
    setupBankMsb,
    setupBankLsb,
    setupProgram,
    setupVolume,
    setupExpression,
    setupPan,
    setupReverb,
    setupChorus,
    setupVariation,
    setupBrightness,
    setupHarmonic,
    setupAttack,
    setupRelease,
    setupDecay,
    setupVibratoRate,
    setupVibratoDepth,
    setupVibratoDelay,
    setupBendRange,
    setupControlCount
};

struct SetupControlInfo {
    const char* key;      // the command line's name ("volume", "vibratoRate", ...)
    const char* caption;  // for messages ("Volume(7)")
    int minimum;
    int maximum;  // bank numbers go down to -1 (no bank select)
};
const SetupControlInfo& setupControlInfo(int control);

using SetupValues = std::array<int, setupControlCount>;
using SetupFlags = std::array<bool, setupControlCount>;

// The defaults: bank 127/0 for a drum part of an XG song (0/0 otherwise), program 0, volume 100,
// expression 127, pan 64, reverb 40, chorus 0, variation 40, tone controllers, decay and vibrato
// 64, bend sensitivity 2.
SetupValues setupDefaults(bool drumPart, bool xg);
// The song's System is XG (its XG System On flag, GS not set).
bool xgSong(const midiSong& song);

enum class SetupMode { head, halfway };

// The set-up of one channel as the song has it.
struct ChannelSetup {
    int channel = 0;
    std::vector<int> tracks;  // the tracks that use the channel, in track order
    SetupValues values{};     // in force; the default where the song sets nothing
    SetupFlags set{};         // which values the song sets
    // The set-up events a Set replaces (parameter selections count only when a data entry of a
    // set-up parameter or a null selection completes them). Head: those before the channel's
    // first note. Halfway: those on the tick itself, of which a Set replaces the ones of the
    // values it writes.
    std::vector<anyEvent*> found;
    // A drum part where read (drum channel, drum bank, XG Part Mode or GS Use For Rhythm Part):
    // its programs are drum kits.
    bool drumPart = false;
    int32_t firstNote = -1;  // time of the channel's first note; -1 when it has none
};

// The channels (0..15) that some track uses, in order.
std::vector<int> channelsInUse(const midiSong& song);
// The tracks whose events use the channel, in track order.
std::vector<int> tracksOfChannel(const midiSong& song, int channel);

// Head: what the channel's events set before its first note (events of one tick in the order
// they play). Halfway: what is in force at `time`, the events of that tick included.
ChannelSetup readSetup(const midiSong& song, int channel, SetupMode mode, int32_t time = 0);

// Where the events of a Set go: the first at start + offset, each next one interval later.
struct SetupTiming {
    int32_t start = 0;
    int32_t interval = 0;
    int32_t offset = 0;
};
// The head's timing for the channel at `position` of `count` channels in use: a step s of
// timeBase / 241 + 1 ticks; start = s after 55 ms at the starting tempo, or after the last
// system exclusive message of the first bar (the XG display texts and bitmaps left out) when
// that is later; interval = count * s; offset = position * s.
SetupTiming headTiming(midiSong& song, int position, int count);

// A track's first note starts within the first quarter note: no room for a set-up before it.
bool notesInFirstBeat(const midiSong& song);

struct SetupRequest {
    int channel = 0;
    int track = 0;  // the track that receives the events
    SetupMode mode = SetupMode::head;
    SetupValues values{};
    SetupTiming timing;
    bool sendBankSelect = true;     // bank select before the program (unless a bank is -1)
    bool sendEvenIfDefault = false; // also the values that equal their reference
    bool sendNullRpn = true;        // close parameter settings with 101 = 127, 100 = 127
    bool setAtZero = false;         // bank and program at tick 0
    // Head: the sensitivity shown when the channel was read. When the new one differs and both
    // are above 0, the channel's bends up to its next sensitivity change are rescaled by
    // shown / new (if rescaleBends).
    int shownBendRange = 2;
    bool rescaleBends = false;
};

// The Set the dialog offers for a channel of the head before the user changes anything: the
// values read, the head's timing for the channel at `position` of `count`, the first track
// that uses the channel as target. A drum part sends no bank select unless the song sets one
// (its kit may come from the drum channel or a part mode, which a bank of 0 would undo) and
// sets bank and program at tick 0.
SetupRequest headRequest(midiSong& song, const ChannelSetup& setup, int position, int count);

struct SetupResult {
    int written = 0;   // set-up events added
    int32_t lastTick = -1;  // of the latest event added
    int removed = 0;   // set-up events replaced
    int rescaled = 0;  // pitch bends changed
    // Head: some events had no room before the channel's first note and went on its tick.
    bool packed = false;
    std::vector<int> tracks;  // the tracks that got an undo step
};

// The bends a Set with rescaleBends would change (0: nothing to ask about).
int bendsToRescale(const midiSong& song, const SetupRequest& request);

// Writes the channel's set-up as the request says. Head: the set-up events found (readSetup)
// go; bank and program, volume, expression, pan, reverb and chorus are always written, the
// other values when they differ from their default, when the song had set them, or with
// sendEvenIfDefault; an event the timing puts after the channel's first note goes on that
// note's tick instead. Halfway: the reference is what is in force at the first event's tick
// (that tick's events included), only what differs from it is written (bank and program
// together when either changed), and the song's own events on that tick for the values written
// go. Everything written plays before the channel's notes of its tick. Throws
// MidiError, changing nothing, for a value out of its range, a negative time, or a track or
// channel the song does not have.
SetupResult writeSetup(midiSong& song, const SetupRequest& request);

}  // namespace tonvela
