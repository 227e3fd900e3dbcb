#pragma once

// The backends inside the sound module. Only the module's own sources include this.

#include <memory>
#include <string>

#include "output/port_backends.h"
#include "output/synth.h"

namespace tonvela::sound {

// Keeps alsa-lib from printing its own failure reports (process-wide, done once).
void silenceAlsaLib();

// Never throws and never writes to stderr; without a sequencer there are no ports.
std::unique_ptr<SystemPorts> makeSystemPorts();

// FluidSynth with the SoundFont at `soundFontPath`; nullptr with `error` set.
std::unique_ptr<SynthEngine> makeFluidSynth(const std::string& soundFontPath, int sampleRate, std::string& error);

}  // namespace tonvela::sound
