#pragma once

// The built-in General MIDI synthesizer (FluidSynth with a SoundFont), used live as port -1
// and offline by the renderer. The engine lives in the sound module (see sound_module.h).

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

// One synthesizer with its SoundFont loaded. Calls come from one thread at a time; none throws.
class SynthEngine {
public:
    virtual ~SynthEngine() = default;
    // A channel message of 1 to 3 bytes.
    virtual void sendShort(const uint8_t* bytes, size_t size) = 0;
    // A system exclusive message with its F0 and F7 (GM, GS and XG resets among others).
    virtual void sendLong(const uint8_t* data, size_t size) = 0;
    // Renders `frames` frames of interleaved stereo into out (2 * frames values, -1..1).
    virtual void renderFloat(float* out, int frames) = 0;
    virtual int activeVoices() const = 0;
    virtual int sampleRate() const = 0;
    virtual const std::string& soundFontPath() const = 0;
    // Plays to the default audio output from now on. False when no audio output can be opened,
    // with `error` naming each output tried and why it failed.
    virtual bool startAudio(std::string& error) = 0;
};

// Loads the sound module and makes a synthesizer with the SoundFont of options. Throws
// MidiError with a message for the user when the module, the SoundFont or the synthesizer
// is missing.
std::unique_ptr<SynthEngine> makeSynthEngine(const SynthOptions& options);

}  // namespace tonvela
