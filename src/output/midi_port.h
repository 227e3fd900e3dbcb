#pragma once

// The MIDI output ports the device object talks to: system ports, the built-in synthesizer
// (port -1, the default) and the capture port used by tests and --capture.
// A driver holds at most one open port. Calls are not synchronised: the device object
// serialises them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tonvela {

// Technology codes of a port, as shown after its product name in the port list.
enum PortTechnology : int {
    techMidiPort = 1,
    techSynth = 2,
    techSquareSynth = 3,
    techFmSynth = 4,
    techMapper = 5,
    techWavetable = 6,
    techSoftwareSynth = 7,
};

struct PortCaps {
    std::string productName;
    int technology = techMidiPort;
};

// "MIDI Port", "Synth", "SQ Synth", "FM Synth", "MIDI Mapper"; empty for any other code.
std::string technologyName(int technology);
// The port list line: product name, one space, technology name.
std::string portLine(const PortCaps& caps);

// Result codes of the port operations; errorText turns them into the message the user sees.
enum PortResult : int {
    portOk = 0,
    portBadId = 1,        // no port with this number
    portNotOpen = 2,      // nothing to send to or close
    portUnavailable = 3,  // the port exists but could not be opened (detail from the backend)
    portSendFailed = 4,   // the backend refused a message
};

class PortDriver {
public:
    virtual ~PortDriver() = default;
    // Number of system ports 0..count-1; port -1 (the built-in synthesizer) is not counted.
    virtual int portCount() = 0;
    // Product name and technology of port id (-1 included), as of the last portCount().
    // Unknown ids give an empty name.
    virtual PortCaps caps(int id) = 0;
    // Opens port id; the caller closes any open port first.
    virtual int open(int id) = 0;
    virtual int close() = 0;
    virtual bool isOpen() const = 0;
    // status + (data1 << 8) + (data2 << 16); only the bytes the status needs go out.
    virtual int sendShort(uint32_t message) = 0;
    // A complete system exclusive message, status byte included.
    virtual int sendLong(const uint8_t* data, size_t size) = 0;
    // The text for a result code, with the backend's detail of the last failure when it has one.
    virtual std::string errorText(int code) const = 0;
};

// Number of bytes of a short message with this status byte (1 to 3).
int shortMessageLength(uint8_t status);

struct PortOptions {
    // SoundFont for the built-in synthesizer; empty: search the system's SoundFont folder.
    std::string soundFont;
};

// System ports and the built-in synthesizer. Never fails: a missing sequencer gives no system
// ports, a synthesizer that cannot start fails only when port -1 is opened.
std::unique_ptr<PortDriver> makePortDriver(const PortOptions& options = {});

}  // namespace tonvela
