// The built-in synthesizer over FluidSynth.

#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "output/port_backends.h"
#include "output/synth.h"
#include "base/errors.h"

namespace tonvela {

namespace {

const char* const kSoundFontFolder = "/usr/share/sounds/sf2";

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

}  // namespace

std::string findSoundFont(const std::string& named) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!named.empty()) return fs::is_regular_file(named, ec) ? named : std::string();
    fs::path folder(kSoundFontFolder);
    fs::path preferred = folder / "default-GM.sf2";
    if (fs::is_regular_file(preferred, ec)) return preferred.string();
    std::vector<std::string> found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if ((ext == ".sf2" || ext == ".sf3") && it->is_regular_file(ec)) found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

struct SynthEngine::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* audio = nullptr;

    ~Impl() {
        if (audio) delete_fluid_audio_driver(audio);
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

SynthEngine::SynthEngine(const SynthOptions& options) : impl_(std::make_unique<Impl>()), sampleRate_(options.sampleRate) {
    installLogHandler();
    soundFont_ = findSoundFont(options.soundFont);
    if (soundFont_.empty()) {
        if (!options.soundFont.empty()) throw MidiError("SoundFont not found: " + options.soundFont);
        throw MidiError(std::string("No SoundFont found in ") + kSoundFontFolder +
                        ": install a General MIDI SoundFont there or name one with --soundfont.");
    }
    std::lock_guard lock(logMutex);
    takeLog();
    impl_->settings = new_fluid_settings();
    if (!impl_->settings) throw MidiError("The built-in synthesizer could not be created.");
    fluid_settings_setnum(impl_->settings, "synth.sample-rate", sampleRate_);
    impl_->synth = new_fluid_synth(impl_->settings);
    if (!impl_->synth) throw MidiError("The built-in synthesizer could not be created: " + takeLog());
    if (fluid_synth_sfload(impl_->synth, soundFont_.c_str(), 1) == FLUID_FAILED) {
        std::string why = takeLog();
        throw MidiError("Cannot load the SoundFont " + soundFont_ + (why.empty() ? "." : ": " + why));
    }
    takeLog();
}

SynthEngine::~SynthEngine() = default;

void SynthEngine::sendShort(const uint8_t* bytes, size_t size) {
    if (size == 0) return;
    fluid_synth_t* s = impl_->synth;
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

void SynthEngine::sendLong(const uint8_t* data, size_t size) {
    // FluidSynth takes the bytes between F0 and F7; continuation packets (F7 ...) mean nothing to it.
    if (size < 2 || data[0] != 0xF0) return;
    size_t n = size - 1;
    if (data[size - 1] == 0xF7) --n;
    if (n == 0) return;
    fluid_synth_sysex(impl_->synth, reinterpret_cast<const char*>(data + 1), static_cast<int>(n), nullptr, nullptr,
                      nullptr, 0);
}

void SynthEngine::renderFloat(float* out, int frames) {
    fluid_synth_write_float(impl_->synth, frames, out, 0, 2, out, 1, 2);
}

int SynthEngine::activeVoices() const { return fluid_synth_get_active_voice_count(impl_->synth); }

void SynthEngine::startAudio() {
    if (impl_->audio) return;
    silenceAlsaLib();
    std::lock_guard lock(logMutex);
    std::vector<std::string> available;
    fluid_settings_foreach_option(impl_->settings, "audio.driver", &available, availableDriver);
    // Sound servers first: they share the device with other programs. "file" would write a
    // WAV file into the working folder, and "sdl2" needs SDL set up by the program.
    std::vector<std::string> order = {"pipewire", "pulseaudio", "coreaudio", "wasapi", "dsound",
                                      "alsa",     "jack",       "waveout",   "oss"};
    for (const std::string& d : available)
        if (std::find(order.begin(), order.end(), d) == order.end() && d != "file" && d != "sdl2") order.push_back(d);
    std::string failures;
    for (const std::string& driver : order) {
        if (std::find(available.begin(), available.end(), driver) == available.end()) continue;
        takeLog();
        fluid_settings_setstr(impl_->settings, "audio.driver", driver.c_str());
        impl_->audio = new_fluid_audio_driver(impl_->settings, impl_->synth);
        if (impl_->audio) {
            takeLog();
            return;
        }
        std::string why = takeLog();
        if (!failures.empty()) failures += "; ";
        failures += driver + (why.empty() ? "" : ": " + why);
    }
    throw MidiError("No audio output could be opened for the built-in synthesizer" +
                    (failures.empty() ? std::string(".") : " (" + failures + ")."));
}

namespace {

class SynthOpenPort final : public OpenPort {
public:
    explicit SynthOpenPort(std::unique_ptr<SynthEngine> engine) : engine_(std::move(engine)) {}
    bool sendShort(const uint8_t* bytes, size_t size, std::string&) override {
        engine_->sendShort(bytes, size);
        return true;
    }
    bool sendLong(const uint8_t* data, size_t size, std::string&) override {
        engine_->sendLong(data, size);
        return true;
    }

private:
    std::unique_ptr<SynthEngine> engine_;
};

}  // namespace

std::unique_ptr<OpenPort> openSynthPort(const PortOptions& options, std::string& error) {
    try {
        auto engine = std::make_unique<SynthEngine>(SynthOptions{options.soundFont});
        engine->startAudio();
        return std::make_unique<SynthOpenPort>(std::move(engine));
    } catch (const MidiError& e) {
        error = e.message();
        return nullptr;
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

}  // namespace tonvela
