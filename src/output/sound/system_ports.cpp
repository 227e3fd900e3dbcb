// System MIDI ports through RtMidi. On Linux only the ALSA sequencer is used: JACK ports are
// for audio setups that route MIDI themselves, and probing JACK without a server is slow.

#include <RtMidi.h>

#include <iostream>
#include <mutex>
#include <streambuf>

#if defined(__linux__)
#include <alsa/asoundlib.h>
#include <unistd.h>
#endif

#include "output/sound/sound_backends.h"

namespace tonvela::sound {

#if defined(__linux__)
namespace {
// alsa-lib reports every failed open on stderr; the program reports failures itself.
void silentAlsaError(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

void silenceAlsaLib() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(silentAlsaError); });
}
#else
void silenceAlsaLib() {}
#endif

namespace {

// RtMidi writes to std::cerr when an error happens before an error callback can be set
// (inside its constructor). Swallow that one stream for the duration.
class QuietCerr {
public:
    QuietCerr() : saved_(std::cerr.rdbuf(&null_)) {}
    ~QuietCerr() { std::cerr.rdbuf(saved_); }

private:
    struct NullBuf : std::streambuf {
        int overflow(int c) override { return c; }
    } null_;
    std::streambuf* saved_;
};

// Warnings count as failures too: RtMidi warns when a port number does not exist.
void collectError(RtMidiError::Type, const std::string& text, void* user) {
    *static_cast<std::string*>(user) = text;
}

class RtMidiOpenPort final : public OpenPort {
public:
    RtMidiOpenPort(RtMidiOut& out, std::string& lastError) : out_(out), lastError_(lastError) {}
    ~RtMidiOpenPort() override {
        try {
            out_.closePort();
        } catch (...) {
        }
    }
    bool sendShort(const uint8_t* bytes, size_t size, std::string& error) override {
        return send(bytes, size, error);
    }
    bool sendLong(const uint8_t* data, size_t size, std::string& error) override { return send(data, size, error); }

private:
    bool send(const uint8_t* data, size_t size, std::string& error) {
        lastError_.clear();
        try {
            out_.sendMessage(data, size);
        } catch (const RtMidiError& e) {
            lastError_ = e.getMessage();
        }
        if (lastError_.empty()) return true;
        error = lastError_;
        return false;
    }
    RtMidiOut& out_;
    std::string& lastError_;
};

class RtMidiPorts final : public SystemPorts {
public:
    explicit RtMidiPorts(std::unique_ptr<RtMidiOut> out) : out_(std::move(out)) {
        out_->setErrorCallback(collectError, &lastError_);
    }
    std::vector<std::string> names() override {
        std::vector<std::string> list;
        try {
            unsigned n = out_->getPortCount();
            for (unsigned i = 0; i < n; ++i) list.push_back(out_->getPortName(i));
        } catch (const RtMidiError&) {
        }
        return list;
    }
    std::unique_ptr<OpenPort> open(int index, std::string& error) override {
        lastError_.clear();
        try {
            out_->openPort(static_cast<unsigned>(index), "MIDI Tonvela");
        } catch (const RtMidiError& e) {
            lastError_ = e.getMessage();
        }
        if (!lastError_.empty() || !out_->isPortOpen()) {
            error = lastError_.empty() ? "the port did not open" : lastError_;
            return nullptr;
        }
        return std::make_unique<RtMidiOpenPort>(*out_, lastError_);
    }

private:
    std::unique_ptr<RtMidiOut> out_;
    std::string lastError_;
};

class NoSystemPorts final : public SystemPorts {
public:
    std::vector<std::string> names() override { return {}; }
    std::unique_ptr<OpenPort> open(int, std::string& error) override {
        error = "there are no system MIDI ports";
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<SystemPorts> makeSystemPorts() {
#if defined(__linux__)
    silenceAlsaLib();
    // Without the sequencer device every attempt fails, and RtMidi would say so on stderr.
    if (access("/dev/snd/seq", R_OK | W_OK) != 0) return std::make_unique<NoSystemPorts>();
    const RtMidi::Api api = RtMidi::LINUX_ALSA;
#else
    const RtMidi::Api api = RtMidi::UNSPECIFIED;
#endif
    try {
        QuietCerr quiet;
        auto out = std::make_unique<RtMidiOut>(api, "MIDI Tonvela");
        return std::make_unique<RtMidiPorts>(std::move(out));
    } catch (...) {
        return std::make_unique<NoSystemPorts>();
    }
}

}  // namespace tonvela::sound
