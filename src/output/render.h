#pragma once

// Offline rendering: the song played by the player through the built-in synthesizer, as fast
// as the machine allows, into a WAV file. Time passes by synthesising audio instead of waiting,
// so the events land exactly where playback would send them.

#include <cstdint>
#include <functional>
#include <string>

namespace tonvela {

class midiSong;

struct RenderOptions {
    std::string soundFont;  // empty: the system's General MIDI SoundFont
    int sampleRate = 44100;
    // Called now and then with the fraction rendered, 0..1.
    std::function<void(double)> progress;
    // Longest release tail rendered after the last event.
    int64_t maxTailMicros = 10'000'000;
};

struct RenderResult {
    int64_t frames = 0;
    int sampleRate = 0;
    std::string soundFont;
};

// Plays the whole song as Play All does (GM, GS and XG resets from the song's flags) and writes
// 16-bit stereo PCM to path, ending once the release tail has faded. Throws MidiError.
RenderResult renderSong(midiSong& song, const std::string& path, const RenderOptions& options);

// The song's length in microseconds, by its tempo events.
int64_t songMicros(const midiSong& song, int32_t endTick);

}  // namespace tonvela
