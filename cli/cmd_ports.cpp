// ports: the output port list as the device window shows it.

#include <cstdio>
#include <stdexcept>

#include "commands.h"
#include "output/midi_device.h"

namespace tonvela::cli {

namespace {

int runPorts(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {}, {});
    if (!a.positional.empty()) throw std::invalid_argument("usage: ports");
    MidiDevice device(makePortDriver());
    for (const std::string& line : device.listDevices()) std::printf("%s\n", line.c_str());
    return 0;
}

CommandRegistrar portsCommand({"ports", "  ports                            the MIDI output ports, built-in synthesizer (port -1) first",
                               runPorts});

}  // namespace

}  // namespace tonvela::cli
