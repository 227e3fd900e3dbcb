#include "song/midi_channel.h"

#include "song/events.h"
#include "song/midispec.h"

namespace tonvela {

MidiChannel::MidiChannel() { reset(); }

void MidiChannel::reset() {
    nrpnLsb = nrpnMsb = rpnLsb = rpnMsb = -1;
    program = 0;
    bendRange = 2;
    bend = 8192;
    bendStep = 40;
    keyOnCount.fill(0);
    keyOffTime.fill(-1);
    controllerValue.fill(0);
    controllerValue[0] = -1;  // bank select is unknown until a song sets it
    controllerValue[32] = -1;
    controllerValue[7] = 100;
    controllerValue[10] = 64;
    controllerValue[11] = 127;
    for (int c = 71; c <= 74; ++c) controllerValue[static_cast<size_t>(c)] = 64;
    controllerValue[91] = 40;
    controllerValue[100] = 127;  // no registered parameter selected
    controllerValue[101] = 127;
    controllerTime.fill(-1);
    modValueCount.fill(0);
    lastNoteOnTime = lastControlTime = lastBendTime = -1;
    bendRun = 0;
    soundingNotes = 0;
    keyOnTime.fill(-1);
    maxPolyphony = 0;
    lastEventTime = -1;
}

void MidiChannel::clearControllers() { controllerValue.fill(-1); }

std::string MidiChannel::programText() const {
    return isDrumChannel ? MIDISpec::drumKitName(program) : MIDISpec::programName(program);
}

int MidiChannel::update(const anyEvent& e) {
    switch (e.kind()) {
    case kindControl: {
        const auto& c = static_cast<const ControlChangeEvent&>(e);
        return follow(kindControl, e.time, c.controller(), c.value());
    }
    case kindNote:
    case kindNoteOff: {
        const auto& n = static_cast<const NoteOnEvent&>(e);
        return follow(e.kind(), e.time, n.note(), n.velocity());
    }
    case kindPitchBend: return follow(kindPitchBend, e.time, static_cast<const PitchBendEvent&>(e).rawBend(), 0);
    case kindProgram: return follow(kindProgram, e.time, static_cast<const ProgramChangeEvent&>(e).program(), 0);
    default: return follow(e.kind(), e.time, 0, 0);
    }
}

int MidiChannel::follow(int kind, int32_t time, int data1, int data2) {
    lastEventTime = time;
    switch (kind) {
    case kindControl: return controlChange(time, data1, data2);
    case kindNote: return noteEvent(time, data1, data2);
    case kindNoteOff: return noteEvent(time, data1, 0);
    case kindPitchBend: return bendEvent(time, data1);
    case kindProgram:
        if (data1 == program) return 9;
        if (data1 >= 0 && data1 <= 127) program = data1;
        return 0;
    default: return 0;
    }
}

// The data checker's rules replace the state-mode branches below in checking mode; until they
// exist, checking mode follows the state like state mode and finds nothing.
int MidiChannel::controlChange(int32_t time, int controller, int value) {
    if (controller < 0 || controller > 127) return 0;
    controllerValue[static_cast<size_t>(controller)] = value;
    controllerTime[static_cast<size_t>(controller)] = time;
    if (controller == 6) {
        // Data entry sets the bend range only while registered parameter 0 is selected.
        if (controllerValue[100] == 0 && controllerValue[101] == 0) {
            bendRange = value;
            if (value > 0) bendStep = 8192 / value / 100;
        }
    } else if (controller == 98 || controller == 99) {
        // A non-registered parameter takes over data entry.
        controllerValue[100] = -1;
    }
    return 0;
}

int MidiChannel::noteEvent(int32_t, int, int) { return 0; }

int MidiChannel::bendEvent(int32_t, int raw) {
    if (raw >= 0 && raw <= 16383) bend = raw;
    return 0;
}

}  // namespace tonvela
