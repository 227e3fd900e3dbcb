// The built-in synthesizer over FluidSynth.

#include <fluidsynth.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "output/sound/sound_backends.h"

namespace tonvela::sound {

namespace {

// FluidSynth logs to stderr unless told otherwise. Its errors are kept here instead and turned
// into the messages the program shows; logMutex also keeps two openings from mixing their logs.
std::mutex logMutex;
std::mutex logTextMutex;
std::string logText;

void collectLog(int level, const char* message, void*) {
    if (level > FLUID_WARN || !message) return;
    std::lock_guard lock(logTextMutex);
    if (logText.size() < 4096) {
        if (!logText.empty()) logText += "; ";
        logText += message;
    }
}

void installLogHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = 0; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, collectLog, nullptr);
    });
}

std::string takeLog() {
    std::lock_guard lock(logTextMutex);
    std::string text;
    text.swap(logText);
    return text;
}

void availableDriver(void* data, const char*, const char* option) {
    static_cast<std::vector<std::string>*>(data)->push_back(option);
}

class FluidEngine final : public SynthEngine {
public:
    FluidEngine(std::string soundFont, int sampleRate) : soundFont_(std::move(soundFont)), sampleRate_(sampleRate) {}
    ~FluidEngine() override {
        if (audio_) delete_fluid_audio_driver(audio_);
        if (synth_) delete_fluid_synth(synth_);
        if (settings_) delete_fluid_settings(settings_);
    }

    // False with `error` set when the synthesizer or its SoundFont cannot be loaded.
    bool load(std::string& error) {
        installLogHandler();
        std::lock_guard lock(logMutex);
        takeLog();
        settings_ = new_fluid_settings();
        if (!settings_) {
            error = "The built-in synthesizer could not be created.";
            return false;
        }
        fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate_);
        synth_ = new_fluid_synth(settings_);
        if (!synth_) {
            error = "The built-in synthesizer could not be created: " + takeLog();
            return false;
        }
        if (fluid_synth_sfload(synth_, soundFont_.c_str(), 1) == FLUID_FAILED) {
            std::string why = takeLog();
            error = "Cannot load the SoundFont " + soundFont_ + (why.empty() ? "." : ": " + why);
            return false;
        }
        takeLog();
        return true;
    }

    void sendShort(const uint8_t* bytes, size_t size) override {
        if (size == 0) return;
        fluid_synth_t* s = synth_;
        const int status = bytes[0];
        const int ch = status & 0x0F;
        const int d1 = size > 1 ? bytes[1] & 0x7F : 0;
        const int d2 = size > 2 ? bytes[2] & 0x7F : 0;
        switch (status & 0xF0) {
        case 0x80: fluid_synth_noteoff(s, ch, d1); break;
        case 0x90:
            if (d2 == 0)
                fluid_synth_noteoff(s, ch, d1);
            else
                fluid_synth_noteon(s, ch, d1, d2);
            break;
        case 0xA0: fluid_synth_key_pressure(s, ch, d1, d2); break;
        case 0xB0: fluid_synth_cc(s, ch, d1, d2); break;
        case 0xC0: fluid_synth_program_change(s, ch, d1); break;
        case 0xD0: fluid_synth_channel_pressure(s, ch, d1); break;
        case 0xE0: fluid_synth_pitch_bend(s, ch, d1 | (d2 << 7)); break;
        default:
            if (status == 0xFF) fluid_synth_system_reset(s);
            break;
        }
    }

    void sendLong(const uint8_t* data, size_t size) override {
        // FluidSynth takes the bytes between F0 and F7; continuation packets (F7 ...) mean
        // nothing to it.
        if (size < 2 || data[0] != 0xF0) return;
        size_t n = size - 1;
        if (data[size - 1] == 0xF7) --n;
        if (n == 0) return;
        fluid_synth_sysex(synth_, reinterpret_cast<const char*>(data + 1), static_cast<int>(n), nullptr, nullptr,
                          nullptr, 0);
    }

    void renderFloat(float* out, int frames) override { fluid_synth_write_float(synth_, frames, out, 0, 2, out, 1, 2); }
    int activeVoices() const override { return fluid_synth_get_active_voice_count(synth_); }
    int sampleRate() const override { return sampleRate_; }
    const std::string& soundFontPath() const override { return soundFont_; }

    bool startAudio(std::string& error) override {
        if (audio_) return true;
        silenceAlsaLib();
        std::lock_guard lock(logMutex);
        std::vector<std::string> available;
        fluid_settings_foreach_option(settings_, "audio.driver", &available, availableDriver);
        // Sound servers first: they share the device with other programs. "file" would write a
        // WAV file into the working folder, and "sdl2" needs SDL set up by the program.
        std::vector<std::string> order = {"pipewire", "pulseaudio", "coreaudio", "wasapi", "dsound",
                                          "alsa",     "jack",       "waveout",   "oss"};
        for (const std::string& d : available)
            if (std::find(order.begin(), order.end(), d) == order.end() && d != "file" && d != "sdl2")
                order.push_back(d);
        std::string failures;
        for (const std::string& driver : order) {
            if (std::find(available.begin(), available.end(), driver) == available.end()) continue;
            takeLog();
            fluid_settings_setstr(settings_, "audio.driver", driver.c_str());
            audio_ = new_fluid_audio_driver(settings_, synth_);
            if (audio_) {
                takeLog();
                return true;
            }
            std::string why = takeLog();
            if (!failures.empty()) failures += "; ";
            failures += driver + (why.empty() ? "" : ": " + why);
        }
        error = "No audio output could be opened for the built-in synthesizer" +
                (failures.empty() ? std::string(".") : " (" + failures + ").");
        return false;
    }

private:
    std::string soundFont_;
    int sampleRate_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_audio_driver_t* audio_ = nullptr;
};

}  // namespace

std::unique_ptr<SynthEngine> makeFluidSynth(const std::string& soundFontPath, int sampleRate, std::string& error) {
    try {
        auto engine = std::make_unique<FluidEngine>(soundFontPath, sampleRate);
        if (!engine->load(error)) return nullptr;
        return engine;
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

}  // namespace tonvela::sound
