#pragma once

// The play list: what a play sends, as timed messages that belong to the player. It is built
// from the song on the owner's thread when a play starts (notes already split into note on and
// note off) and never changes afterwards, so the song may be edited while it plays, and every
// note on of the list has its note off in the list.
//
// Building walks the song: events before the first played bar are fed to the device's channel
// states instead of being played, so that the chase sends the settings in force where the play
// begins.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/pages.h"
#include "song/selection.h"

namespace tonvela {

class anyEvent;
class midiSong;
class midiTrack;
class MidiDevice;

// What the player does with a message.
enum class PlayKind : uint8_t {
    silent,   // nothing is sent (pressure, most meta events); it still takes its place in time
    noteOn,   // status, key, velocity
    noteOff,  // status, key, velocity as stored (0 for the note offs made from durations)
    control,  // status, controller, value
    program,  // status, program
    bend,     // status, low 7 bits, high 7 bits
    sysex,    // the bytes of the message, status byte first
    text,     // the text shown as the last text event (text, copyright, lyric, marker, cue point)
    tempo,    // extra: microseconds per quarter note
};

struct PlayMessage {
    int32_t time = 0;  // ticks
    PlayKind kind = PlayKind::silent;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint32_t extra = 0;  // sysex and text: index of its bytes in the list; tempo: the tempo
};

// The message that sending `e` means (a sounding note gives its note on). The bytes of a sysex
// or text message are stored into `bytes`; `extra` is left for the caller to set.
PlayMessage playMessageOf(const anyEvent& e, std::string& bytes);

class PlayList {
public:
    int size() const { return static_cast<int>(messages_.size()); }
    bool empty() const { return messages_.empty(); }
    const PlayMessage& at(int i) const { return messages_[static_cast<size_t>(i)]; }
    // The bytes of a sysex or text message.
    const std::string& bytes(const PlayMessage& m) const { return bytes_[m.extra]; }
    int32_t timeBase() const { return timeBase_; }
    // The tempo a play of the list starts at (microseconds per quarter note); 0 keeps the
    // device's tempo.
    int32_t startTempo() const { return startTempo_; }
    bool hasTempoChanges() const { return hasTempo_; }

private:
    friend class PlayListBuilder;
    std::vector<PlayMessage> messages_;
    std::vector<std::string> bytes_;
    int32_t timeBase_ = 480;
    int32_t startTempo_ = 0;
    bool hasTempo_ = false;
};

class PlayListBuilder {
public:
    explicit PlayListBuilder(int32_t timeBase, int32_t startTempo = 0);
    // Room for this many events (a hint).
    void reserve(size_t events);
    // Adds an event as the player sends it; a sounding note also gets its note off at its end.
    // Adding events in time order (track by track) makes building cheaper.
    void add(const anyEvent& e);
    int count() const { return static_cast<int>(items_.size()); }
    // The messages in time order; at one tick in order of creation, except that note offs go
    // first unless they end a note of no length (then right after their note). The builder
    // stays usable: more events may be added and another list built.
    std::shared_ptr<const PlayList> build() const;

private:
    struct Item {
        uint32_t serial;  // sorted by time, then this
        PlayMessage message;
    };
    std::vector<Item> items_;
    std::vector<Item> offs_;  // after every event, as if appended at the end
    FaultAhead itemsAhead_, offsAhead_;
    std::vector<std::string> bytes_;
    int32_t timeBase_;
    int32_t startTempo_;
    bool hasTempo_ = false;
};

// Play selected part: track 0's tempo events within the bars, then the events of the selected
// tracks (every track from 1 with allTracks) within the bars; a track's walk ends at its first
// event after the last bar.
std::shared_ptr<const PlayList> buildSelectionList(midiSong& song, const Selection& selection, bool allTracks,
                                                   MidiDevice& device);
// Play from: every event of every track from the first bar to the end of the song.
std::shared_ptr<const PlayList> buildFromList(midiSong& song, int firstBar, MidiDevice& device);
// Play All: every event of every track.
std::shared_ptr<const PlayList> buildAllList(midiSong& song);

// The channel states a song shows before it plays: each track's events that come before its
// first note in list order (those on the first note's tick included) are fed to the device's
// channel states. A track without notes is fed up to the song's first note tick (all of it when
// the song has no note). The states are not reset first.
void feedLeadIn(const midiSong& song, MidiDevice& device);

// A tool's test play: the events of `work` (a work track, no part of the song) alone, from its
// first event on, with track 0's tempo changes over their span, starting at the tempo in force at
// the first event. The events of song track `soundTrack` before that feed the channel states, so
// the chase gives the work track that track's sound (-1: none are fed).
std::shared_ptr<const PlayList> buildWorkTrackList(midiSong& song, const midiTrack& work, int soundTrack,
                                                   MidiDevice& device);

}  // namespace tonvela
