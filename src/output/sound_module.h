#pragma once

// The system MIDI ports and the built-in synthesizer are built into a module that is loaded
// when a command first opens a port or renders (tonvela-sound.so, beside the program in the
// build tree, in <libdir>/tonvela when installed). Commands that make no sound never load it,
// nor the audio libraries it pulls in, and start at once.

#include <memory>
#include <string>

#include "output/port_backends.h"
#include "output/synth.h"

namespace tonvela {

// What the module offers. Its functions never throw: failures come back as texts.
class SoundModule {
public:
    virtual ~SoundModule() = default;
    // The platform's MIDI output ports; none when there is no sequencer.
    virtual std::unique_ptr<SystemPorts> systemPorts() = 0;
    // A synthesizer with the SoundFont at `soundFontPath` loaded; nullptr with `error` set.
    virtual std::unique_ptr<SynthEngine> makeSynth(const std::string& soundFontPath, int sampleRate,
                                                   std::string& error) = 0;
};

// The interface version the module is built for; a module of another version is refused.
inline constexpr int soundModuleVersion = 1;

// The module's one exported function: its SoundModule for `version`, or nullptr when it was
// built for another one.
using SoundModuleEntry = SoundModule* (*)(int version);
inline constexpr const char* soundModuleEntryName = "tonvela_sound_module";

// Loads the module on first use (once per process; any thread). nullptr when it is missing or
// cannot be loaded, with `error` set to a message for the user that says where it was looked for.
SoundModule* soundModule(std::string& error);

}  // namespace tonvela
