#pragma once

// The built-in General MIDI synthesizer (FluidSynth with a SoundFont), used live as port -1
// and offline by the renderer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tonvela {

// The SoundFont to load: `named` when given, else the system's default General MIDI font
// (/usr/share/sounds/sf2/default-GM.sf2), else the first .sf2 or .sf3 file of that folder in
// name order. Empty when there is none.
std::string findSoundFont(const std::string& named);

struct SynthOptions {
    std::string soundFont;  // as for findSoundFont
    int sampleRate = 44100;
};

class SynthEngine {
public:
    // Loads the SoundFont; throws MidiError with a message for the user when it cannot.
    explicit SynthEngine(const SynthOptions& options);
    ~SynthEngine();
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    // A channel message of 1 to 3 bytes.
    void sendShort(const uint8_t* bytes, size_t size);
    // A system exclusive message with its F0 and F7 (GM, GS and XG resets among others).
    void sendLong(const uint8_t* data, size_t size);
    // Renders `frames` frames of interleaved stereo into out (2 * frames values, -1..1).
    void renderFloat(float* out, int frames);
    int activeVoices() const;
    int sampleRate() const { return sampleRate_; }
    const std::string& soundFontPath() const { return soundFont_; }

    // Plays to the default audio output from now on; throws MidiError when no audio output
    // can be opened (the message names each output tried and why it failed).
    void startAudio();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string soundFont_;
    int sampleRate_;
};

}  // namespace tonvela
