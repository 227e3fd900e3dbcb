#include "song/midi_channel.h"

#include <cstdlib>

#include "song/events.h"
#include "song/midispec.h"

namespace tonvela {

MidiChannel::MidiChannel() { reset(); }

void MidiChannel::reset() {
    program = 0;
    programBankMsb = -1;
    partMode = -1;
    resetControllers();
    keyOnCount.fill(0);
    keyOffTime.fill(-1);
    lastNoteOnTime = -1;
    soundingNotes = 0;
    keyOnTime.fill(-1);
    maxPolyphony = 0;
    lastEventTime = -1;
}

void MidiChannel::resetControllers() {
    nrpnLsb = nrpnMsb = rpnLsb = rpnMsb = -1;
    bendRange = 2;
    bend = 8192;
    bendStep = 40;
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
    lastControlTime = lastBendTime = -1;
    bendRun = 0;
}

void MidiChannel::silenceKeys() {
    keyOnCount.fill(0);
    soundingNotes = 0;
}

void MidiChannel::clearControllers() { controllerValue.fill(-1); }

std::string MidiChannel::programText() const {
    return drumPart() ? MIDISpec::drumKitName(program) : MIDISpec::programName(program);
}

namespace {

bool drumBank(int msb) { return msb == 127 || msb == 126 || msb == 120; }

}  // namespace

bool MidiChannel::drumPart() const {
    return isDrumChannel || partMode > 0 || drumBank(programBankMsb) || drumBank(controllerValue[0]);
}

std::optional<PartModeChange> partModeChange(const uint8_t* d, size_t size) {
    if (size >= 7 && d[0] == 0x43 && (d[1] & 0xF0) == 0x10 && d[2] == 0x4C && d[3] == 0x08 && d[4] < 16) {
        // A parameter change may carry the parameters that follow its address too.
        const size_t at = 6 + (0x07 - static_cast<size_t>(d[5]));
        if (d[5] <= 0x07 && at < size && d[at] < 0x80) return PartModeChange{d[4], d[at]};
        return std::nullopt;
    }
    if (size >= 8 && d[0] == 0x41 && d[2] == 0x42 && d[3] == 0x12 && d[4] == 0x40 && (d[5] & 0xF0) == 0x10 &&
        d[6] == 0x15 && d[7] < 0x80) {
        // Block 0 is part 10, blocks 1 to 9 parts 1 to 9, blocks A to F parts 11 to 16.
        const int block = d[5] & 0x0F;
        const int part = block == 0 ? 10 : block <= 9 ? block : block + 1;
        return PartModeChange{part - 1, d[7]};
    }
    return std::nullopt;
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
        // A bank select takes effect with the program change, also one of the same number.
        programBankMsb = controllerValue[0];
        if (data1 == program) return 9;
        if (data1 >= 0 && data1 <= 127) program = data1;
        return 0;
    default: return 0;
    }
}

int MidiChannel::controlChange(int32_t time, int controller, int value) {
    if (controller < 0 || controller > 127) return 0;
    if (checkMode) return checkControl(time, controller, value);
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

int MidiChannel::noteEvent(int32_t time, int key, int velocity) {
    if (!checkMode || key < 0 || key > 127) return 0;
    return velocity != 0 ? checkNoteOn(time, key, velocity) : checkNoteOff(time, key);
}

int MidiChannel::bendEvent(int32_t time, int raw) {
    if (checkMode) return checkBend(time, raw);
    if (raw >= 0 && raw <= 16383) bend = raw;
    return 0;
}

// ---- checking mode ----------------------------------------------------------------------------

int MidiChannel::checkNoteOn(int32_t time, int key, int velocity) {
    const auto k = static_cast<size_t>(key);
    bendRun = 0;
    ++soundingNotes;
    if (soundingNotes > maxPolyphony) maxPolyphony = soundingNotes;

    int finding = findNone;
    if (keyOnCount[k] == 0) {
        if (keyOffTime[k] == time) finding = findSameTimeOnOff;
    } else {
        if (checkRules.deleteDuplicatedNote) finding = findMultipleNoteOn;
        if (keyOnTime[k] == time) finding = findSynchronousNoteOn;
    }
    if (finding == findNone && checkRules.detectIllegalVel && velocity >= checkRules.illegalVeloMin &&
        velocity <= checkRules.illegalVeloMax)
        finding = findIllegalVelocity;
    keyOnTime[k] = time;
    ++keyOnCount[k];
    if (finding == findNone && time == lastControlTime)
        finding = findNoteOnAndControl;
    else if (finding == findNone && time == lastBendTime)
        finding = findNoteOnAndBend;
    // Unset values (-1) are not zero: a song that never sets volume is not muted.
    shadowedFinding = findNone;
    if (controllerValue[7] == 0 || controllerValue[11] == 0) {
        shadowedFinding = finding;
        finding = findNoteOnWhileMuted;
    }
    lastNoteOnTime = time;
    return finding;
}

int MidiChannel::checkNoteOff(int32_t time, int key) {
    const auto k = static_cast<size_t>(key);
    // A note off that ends nothing leaves every count alone, so the channel never counts fewer
    // than no sounding notes (pitch bends under later notes would pass for silent).
    if (keyOnCount[k] <= 0) return findExtraNoteOff;
    --soundingNotes;
    const int64_t length = static_cast<int64_t>(time) - keyOnTime[k];
    int finding = findNone;
    if (length != 0 && !drumPart() && checkRules.detectShortDuraion && keyOnCount[k] == 1 &&
        length <= checkRules.minimumDur)
        finding = findShortNote;
    keyOffTime[k] = time;
    --keyOnCount[k];
    return finding;
}

int MidiChannel::checkControl(int32_t time, int n, int v) {
    const auto c = static_cast<size_t>(n);
    auto store = [&] {
        controllerValue[c] = v;
        controllerTime[c] = time;
    };
    // The same controller twice on one tick: the later change is the one that takes effect, so
    // the state follows it, but it is no finding of any other kind.
    const bool synchronous = controllerTime[c] == time;

    int finding = findNone;
    switch (n) {
    case 0: case 32: case 38: case 96: case 97:
        store();
        if (synchronous) return findSynchronousControl;
        break;
    case 1: {
        if (synchronous) {
            store();
            return findSynchronousControl;
        }
        const auto value = static_cast<size_t>(v & 0x7F);
        if (soundingNotes <= 0) {
            if (++modValueCount[value] >= 2) finding = findRepeatedModulation;
        } else {
            modValueCount[value] = 0;
        }
        if (v == controllerValue[c]) finding = findSameControl;
        store();
        break;
    }
    case 6:
        if (rpnMsb == 0 && rpnLsb == 0) {
            store();
            bendRange = v;
            if (v > 0) bendStep = 8192 / v / 100;
        } else if ((rpnMsb >= 0 && rpnLsb >= 0) || (nrpnMsb >= 0 && nrpnLsb >= 0)) {
            store();
        } else {
            return findInvalidDataEntry;
        }
        break;
    case 64: case 65: case 66: case 67: {
        if (synchronous) {
            store();
            return findSynchronousControl;
        }
        // An unset switch counts as released.
        if ((v >= 64) == (controllerValue[c] >= 64)) finding = findSameControl;
        store();
        if (v != 0 && v != 127) return findSwitchValue;
        break;
    }
    case 98:
        nrpnLsb = v;
        rpnLsb = -1;
        store();
        break;
    case 99:
        nrpnMsb = v;
        nrpnLsb = -1;
        rpnMsb = -1;
        store();
        break;
    case 100:
        rpnLsb = v;
        nrpnLsb = -1;
        store();
        break;
    case 101:
        rpnMsb = v;
        rpnLsb = -1;
        nrpnMsb = -1;
        store();
        break;
    case 120: case 126: case 127:
        silenceKeys();
        controllerTime[c] = time;
        if (synchronous) return findSynchronousControl;
        break;
    case 121:
        resetControllers();
        controllerTime[c] = time;
        if (synchronous) {
            lastControlTime = time;  // the first one of the tick set it
            return findSynchronousControl;
        }
        break;
    case 123: case 124:
        // A held sustain or sostenuto pedal keeps the notes sounding.
        if (controllerValue[64] < 64 && controllerValue[66] < 64) silenceKeys();
        controllerTime[c] = time;
        if (synchronous) return findSynchronousControl;
        break;
    default:
        if (synchronous) {
            store();
            return findSynchronousControl;
        }
        if (v == controllerValue[c] && n != 84) finding = findSameControl;
        store();
        break;
    }
    if (finding == findNone && time == lastNoteOnTime) finding = findNoteOnAndControl;
    lastControlTime = time;
    return finding;
}

int MidiChannel::checkBend(int32_t time, int raw) {
    if (time == lastBendTime) {
        // The later bend of the tick is the one heard.
        if (raw >= 0 && raw <= 16383) bend = raw;
        return findSynchronousBend;
    }
    int pending = findNone;
    if (soundingNotes > 0) {
        bendRun = 0;
    } else if (++bendRun > 1) {
        pending = findSilentBend;
    }
    lastBendTime = time;
    if (raw == bend) return findSameBend;
    if (std::abs(bend - raw) < bendStep) return findIneffectiveBend;
    bend = raw;
    if (time == lastNoteOnTime) return findNoteOnAndBend;
    return pending;
}

}  // namespace tonvela
