// The sound module's entry point: the only symbol it exports.

#include "output/sound/sound_backends.h"
#include "output/sound_module.h"

namespace tonvela::sound {

namespace {

class Backends final : public SoundModule {
public:
    std::unique_ptr<SystemPorts> systemPorts() override { return makeSystemPorts(); }
    std::unique_ptr<SynthEngine> makeSynth(const std::string& soundFontPath, int sampleRate,
                                           std::string& error) override {
        return makeFluidSynth(soundFontPath, sampleRate, error);
    }
};

}  // namespace

}  // namespace tonvela::sound

extern "C" __attribute__((visibility("default"))) tonvela::SoundModule* tonvela_sound_module(int version) {
    static tonvela::sound::Backends backends;
    return version == tonvela::soundModuleVersion ? &backends : nullptr;
}
