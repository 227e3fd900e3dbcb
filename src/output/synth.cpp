// The built-in synthesizer as the program sees it: the SoundFont search, and the engine of the
// sound module as port -1.

#include "output/synth.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/errors.h"
#include "output/port_backends.h"
#include "output/sound_module.h"

namespace tonvela {

namespace {

const char* const kSoundFontFolder = "/usr/share/sounds/sf2";

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

std::unique_ptr<SynthEngine> makeSynthEngine(const SynthOptions& options) {
    const std::string font = findSoundFont(options.soundFont);
    if (font.empty()) {
        if (!options.soundFont.empty()) throw MidiError("SoundFont not found: " + options.soundFont);
        throw MidiError(std::string("No SoundFont found in ") + kSoundFontFolder +
                        ": install a General MIDI SoundFont there or name one with --soundfont.");
    }
    std::string error;
    SoundModule* module = soundModule(error);
    if (!module) throw MidiError(error);
    auto engine = module->makeSynth(font, options.sampleRate, error);
    if (!engine) throw MidiError(error);
    return engine;
}

std::unique_ptr<OpenPort> openSynthPort(const PortOptions& options, std::string& error) {
    try {
        auto engine = makeSynthEngine(SynthOptions{options.soundFont});
        if (!engine->startAudio(error)) return nullptr;
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
