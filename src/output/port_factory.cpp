#include <utility>
#include <vector>

#include "output/port_backends.h"
#include "output/sound_module.h"

namespace tonvela {

std::string technologyName(int technology) {
    switch (technology) {
    case techMidiPort: return "MIDI Port";
    case techSynth: return "Synth";
    case techSquareSynth: return "SQ Synth";
    case techFmSynth: return "FM Synth";
    case techMapper: return "MIDI Mapper";
    default: return {};
    }
}

std::string portLine(const PortCaps& caps) { return caps.productName + " " + technologyName(caps.technology); }

int shortMessageLength(uint8_t status) {
    if (status < 0x80) return 1;
    if (status < 0xC0 || (status >= 0xE0 && status < 0xF0)) return 3;
    if (status < 0xE0) return 2;
    if (status == 0xF1 || status == 0xF3) return 2;
    if (status == 0xF2) return 3;
    return 1;
}

namespace {

const char* baseText(int code) {
    switch (code) {
    case portOk: return "No error.";
    case portBadId: return "There is no MIDI output port with this number.";
    case portNotOpen: return "No MIDI output port is open.";
    case portUnavailable: return "The MIDI output port could not be opened.";
    case portSendFailed: return "The MIDI output port did not take the message.";
    default: return "Unknown MIDI output error.";
    }
}

// Shared by every driver made of backend ports: one open port, the detail of the last failure.
class BackendDriver : public PortDriver {
public:
    bool isOpen() const override { return port_ != nullptr; }
    int close() override {
        if (!port_) return portNotOpen;
        port_.reset();
        return portOk;
    }
    int sendShort(uint32_t message) override {
        if (!port_) return portNotOpen;
        uint8_t bytes[3] = {static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8),
                            static_cast<uint8_t>(message >> 16)};
        std::string error;
        if (port_->sendShort(bytes, static_cast<size_t>(shortMessageLength(bytes[0])), error)) return portOk;
        detail_ = std::move(error);
        return portSendFailed;
    }
    int sendLong(const uint8_t* data, size_t size) override {
        if (!port_) return portNotOpen;
        std::string error;
        if (port_->sendLong(data, size, error)) return portOk;
        detail_ = std::move(error);
        return portSendFailed;
    }
    std::string errorText(int code) const override {
        std::string text = baseText(code);
        if ((code == portUnavailable || code == portSendFailed) && !detail_.empty()) text += "\n" + detail_;
        return text;
    }

protected:
    int adopt(std::unique_ptr<OpenPort> port, std::string error) {
        if (!port) {
            detail_ = std::move(error);
            return portUnavailable;
        }
        port_ = std::move(port);
        return portOk;
    }

private:
    std::unique_ptr<OpenPort> port_;
    std::string detail_;
};

class SinglePortDriver final : public BackendDriver {
public:
    SinglePortDriver(PortCaps caps, PortOpener opener) : caps_(std::move(caps)), opener_(std::move(opener)) {}
    int portCount() override { return 0; }
    PortCaps caps(int id) override { return id == -1 ? caps_ : PortCaps{}; }
    int open(int id) override {
        if (id != -1) return portBadId;
        std::string error;
        auto port = opener_(error);
        return adopt(std::move(port), std::move(error));
    }

private:
    PortCaps caps_;
    PortOpener opener_;
};

// Port -1 is the built-in synthesizer, the default that plays without hardware; the system
// ports follow from 0. Both come from the sound module, loaded when first asked for.
class StandardDriver final : public BackendDriver {
public:
    explicit StandardDriver(PortOptions options) : options_(std::move(options)) {}
    // Asks the system afresh: ports come and go. caps() and open() use the names seen here.
    int portCount() override {
        SystemPorts* system = systemPorts();
        names_ = system ? system->names() : std::vector<std::string>{};
        return static_cast<int>(names_.size());
    }
    PortCaps caps(int id) override {
        if (id == -1) return {"FluidSynth", techMapper};
        if (id < 0 || id >= static_cast<int>(names_.size())) return {};
        return {names_[static_cast<size_t>(id)], techMidiPort};
    }
    int open(int id) override {
        std::string error;
        if (id == -1) {
            auto port = openSynthPort(options_, error);
            return adopt(std::move(port), std::move(error));
        }
        if (id < 0 || id >= portCount()) return portBadId;
        auto port = system_->open(id, error);
        return adopt(std::move(port), std::move(error));
    }

private:
    SystemPorts* systemPorts() {
        if (!system_) {
            std::string error;
            if (SoundModule* module = soundModule(error)) system_ = module->systemPorts();
        }
        return system_.get();
    }

    PortOptions options_;
    std::unique_ptr<SystemPorts> system_;
    std::vector<std::string> names_;
};

}  // namespace

std::unique_ptr<PortDriver> makeSinglePortDriver(PortCaps caps, PortOpener opener) {
    return std::make_unique<SinglePortDriver>(std::move(caps), std::move(opener));
}

std::unique_ptr<PortDriver> makePortDriver(const PortOptions& options) {
    return std::make_unique<StandardDriver>(options);
}

}  // namespace tonvela
