#pragma once

// The pieces the port drivers are built from. Internal to src/output and the sound module.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "output/midi_port.h"

namespace tonvela {

// One opened port of a backend; closed when destroyed.
class OpenPort {
public:
    virtual ~OpenPort() = default;
    // A short message of 1 to 3 bytes. False with `error` set on failure.
    virtual bool sendShort(const uint8_t* bytes, size_t size, std::string& error) = 0;
    virtual bool sendLong(const uint8_t* data, size_t size, std::string& error) = 0;
};

// The platform's MIDI output ports (ALSA sequencer on Linux).
class SystemPorts {
public:
    virtual ~SystemPorts() = default;
    virtual std::vector<std::string> names() = 0;
    virtual std::unique_ptr<OpenPort> open(int index, std::string& error) = 0;
};

// The built-in synthesizer playing to the default audio output; nullptr with `error` set when
// the sound module, the SoundFont or the audio output cannot be opened.
std::unique_ptr<OpenPort> openSynthPort(const PortOptions& options, std::string& error);

// A driver with one port, listed as port -1 with `caps`, opened through `opener`.
using PortOpener = std::function<std::unique_ptr<OpenPort>(std::string& error)>;
std::unique_ptr<PortDriver> makeSinglePortDriver(PortCaps caps, PortOpener opener);

}  // namespace tonvela
