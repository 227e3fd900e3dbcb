#pragma once

// Building the play list for the three ways of playing. The list is a work track made with the
// song; it holds references to the song's events (plus the note offs made when it starts).
// Events before the first played bar are fed to the device's channel states instead of being
// played, so that the chase sends the settings in force where the play begins.

#include "output/midi_device.h"

namespace tonvela {

class midiSong;
class midiTrack;

// Play selected part: track 0's tempo events within the bars, then the events of the rows
// (every track with allTracks) within the bars; a track's walk ends at its first event after
// the last bar.
void buildSelectionList(midiSong& song, midiTrack& playList, const PlayRange& range, bool allTracks,
                        MidiDevice& device);
// Play from: every event of every track from the first bar to the end of the song.
void buildFromList(midiSong& song, midiTrack& playList, int firstBar, MidiDevice& device);
// Play All: every event of every track.
void buildAllList(midiSong& song, midiTrack& playList);
// What a newly opened song shows in the channel grid: each track's events before its first note
// fed to the channel states.
void feedLeadIn(const midiSong& song, MidiDevice& device);

}  // namespace tonvela
