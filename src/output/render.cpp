#include "output/render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "output/midi_device.h"
#include "output/play_list.h"
#include "output/port_backends.h"
#include "output/synth.h"
#include "base/errors.h"
#include "song/song.h"

namespace tonvela {

namespace {

constexpr int kChunkFrames = 4096;

// A 16-bit stereo PCM WAV file; the sizes in the header are filled in by finish().
class WavFile {
public:
    WavFile(const std::string& path, int sampleRate) : path_(path), sampleRate_(sampleRate) {
        file_ = std::fopen(path.c_str(), "wb");
        if (!file_) throw MidiError("Cannot write " + path);
        writeHeader(0);
    }
    ~WavFile() {
        if (file_) {
            std::fclose(file_);
            std::remove(path_.c_str());  // not finished: no half-written result stays behind
        }
    }
    void write(const float* samples, int frames) {
        bytes_.resize(static_cast<size_t>(frames) * 4);
        for (int i = 0; i < frames * 2; ++i) {
            // Plain rounding, no dither: silence stays exactly zero.
            float v = std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f;
            auto s = static_cast<int16_t>(std::lround(v));
            bytes_[static_cast<size_t>(i) * 2] = static_cast<uint8_t>(s & 0xFF);
            bytes_[static_cast<size_t>(i) * 2 + 1] = static_cast<uint8_t>((s >> 8) & 0xFF);
        }
        if (dataBytes_ + bytes_.size() > 0xFFFFFFFFull - 36) throw MidiError("The song is too long for a WAV file.");
        if (std::fwrite(bytes_.data(), 1, bytes_.size(), file_) != bytes_.size()) throw MidiError("Cannot write " + path_);
        dataBytes_ += bytes_.size();
        frames_ += frames;
    }
    void finish() {
        if (std::fseek(file_, 0, SEEK_SET) != 0) throw MidiError("Cannot write " + path_);
        writeHeader(static_cast<uint32_t>(dataBytes_));
        if (std::fclose(file_) != 0) {
            file_ = nullptr;
            std::remove(path_.c_str());
            throw MidiError("Cannot write " + path_);
        }
        file_ = nullptr;
    }
    int64_t frames() const { return frames_; }

private:
    void writeHeader(uint32_t dataBytes) {
        std::vector<uint8_t> h;
        auto text = [&](const char* s) { h.insert(h.end(), s, s + 4); };
        auto u32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) h.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        auto u16 = [&](uint16_t v) {
            h.push_back(static_cast<uint8_t>(v));
            h.push_back(static_cast<uint8_t>(v >> 8));
        };
        text("RIFF");
        u32(36 + dataBytes);
        text("WAVE");
        text("fmt ");
        u32(16);
        u16(1);  // PCM
        u16(2);  // stereo
        u32(static_cast<uint32_t>(sampleRate_));
        u32(static_cast<uint32_t>(sampleRate_) * 4);
        u16(4);
        u16(16);
        text("data");
        u32(dataBytes);
        if (std::fwrite(h.data(), 1, h.size(), file_) != h.size()) throw MidiError("Cannot write " + path_);
    }

    std::string path_;
    int sampleRate_;
    std::FILE* file_ = nullptr;
    std::vector<uint8_t> bytes_;
    uint64_t dataBytes_ = 0;
    int64_t frames_ = 0;
};

// Renders float audio in chunks and hands it to the file.
class Renderer {
public:
    Renderer(SynthEngine& engine, WavFile& wav) : engine_(engine), wav_(wav), buffer_(kChunkFrames * 2) {}
    int64_t frames() const { return frames_; }
    // Renders up to the frame of time `micros`.
    void renderTo(int64_t micros) {
        int64_t target = micros * engine_.sampleRate() / 1'000'000;
        while (frames_ < target) {
            int n = static_cast<int>(std::min<int64_t>(kChunkFrames, target - frames_));
            chunk(n);
        }
    }
    // One chunk; returns its peak.
    float chunk(int frames) {
        std::fill(buffer_.begin(), buffer_.end(), 0.0f);
        engine_.renderFloat(buffer_.data(), frames);
        wav_.write(buffer_.data(), frames);
        frames_ += frames;
        float peak = 0;
        for (int i = 0; i < frames * 2; ++i) peak = std::max(peak, std::fabs(buffer_[static_cast<size_t>(i)]));
        return peak;
    }

private:
    SynthEngine& engine_;
    WavFile& wav_;
    std::vector<float> buffer_;
    int64_t frames_ = 0;
};

// Time for the player that passes by rendering.
class RenderClock final : public PlayClock {
public:
    RenderClock(Renderer& renderer, int64_t total, std::function<void(double)> progress)
        : renderer_(renderer), total_(std::max<int64_t>(total, 1)), progress_(std::move(progress)) {}
    int64_t now() override { return now_; }
    bool waitUntil(int64_t deadline) override {
        if (interrupted_) return false;
        advanceTo(deadline);
        return true;
    }
    void sleepFor(int64_t micros) override { advanceTo(now_ + std::max<int64_t>(micros, 0)); }
    void interrupt() override { interrupted_ = true; }
    void clearInterrupt() override { interrupted_ = false; }
    bool realTime() const override { return false; }

private:
    void advanceTo(int64_t t) {
        if (t <= now_) return;
        renderer_.renderTo(t);
        now_ = t;
        if (progress_) progress_(std::min(1.0, static_cast<double>(now_) / static_cast<double>(total_)));
    }
    Renderer& renderer_;
    int64_t now_ = 0;
    int64_t total_;
    std::function<void(double)> progress_;
    bool interrupted_ = false;
};

// The engine as the device's port -1; the renderer keeps the engine.
class EnginePort final : public OpenPort {
public:
    explicit EnginePort(SynthEngine& engine) : engine_(engine) {}
    bool sendShort(const uint8_t* bytes, size_t size, std::string&) override {
        engine_.sendShort(bytes, size);
        return true;
    }
    bool sendLong(const uint8_t* data, size_t size, std::string&) override {
        engine_.sendLong(data, size);
        return true;
    }

private:
    SynthEngine& engine_;
};

}  // namespace

int64_t songMicros(const midiSong& song, int32_t endTick) {
    const int64_t timeBase = song.timeBase > 0 ? song.timeBase : 480;
    int64_t scaled = 0;
    int32_t tick = 0;
    int64_t tempo = 500000;  // a file's tempo is unsigned 32-bit
    if (song.firstTrack) {
        for (const anyEvent* e : song.firstTrack->events()) {
            if (!e || e->kind() != kindTempo) continue;
            if (e->time >= endTick) break;
            scaled += static_cast<int64_t>(e->time - tick) * tempo;
            tick = e->time;
            tempo = static_cast<const TempoEvent*>(e)->getTempo();
        }
    }
    scaled += static_cast<int64_t>(std::max(endTick - tick, 0)) * tempo;
    return scaled / timeBase;
}

RenderResult renderSong(midiSong& song, const std::string& path, const RenderOptions& options) {
    std::unique_ptr<SynthEngine> synth = makeSynthEngine(SynthOptions{options.soundFont, options.sampleRate});
    SynthEngine& engine = *synth;
    WavFile wav(path, engine.sampleRate());
    Renderer renderer(engine, wav);
    auto clock = std::make_shared<RenderClock>(renderer, songMicros(song, song.songEnd), options.progress);
    MidiDevice device(makeSinglePortDriver({"FluidSynth", techMapper},
                                           [&engine](std::string&) { return std::make_unique<EnginePort>(engine); }),
                      clock);
    std::string failure;
    device.onMessage = [&failure](const std::string& text) {
        if (failure.empty()) failure = text;
    };
    if (device.openDevice(-1) != 0) throw MidiError(failure);

    PlayOptions play;
    play.gmOn = carriesGmOn(song.systemFlags);
    play.system = systemMode(song.systemFlags);
    device.playAll(song, play);  // the offline clock plays it through before returning
    if (!failure.empty()) throw MidiError(failure);

    // The release tail: until no voice sounds and the reverb has faded, or the limit.
    const float quiet = 1.0f / 32768.0f;
    const int64_t tailFrames = options.maxTailMicros * engine.sampleRate() / 1'000'000;
    for (int64_t done = 0; done < tailFrames; done += kChunkFrames) {
        float peak = renderer.chunk(kChunkFrames);
        if (engine.activeVoices() == 0 && peak < quiet) break;
    }
    if (options.progress) options.progress(1.0);
    wav.finish();
    return RenderResult{wav.frames(), engine.sampleRate(), engine.soundFontPath()};
}

}  // namespace tonvela
