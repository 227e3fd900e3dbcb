#pragma once

// The state of one MIDI channel after the events fed to it: program, bank, controllers, pitch
// bend and its range. In state mode (the device's sixteen objects) it only follows the state;
// checking mode is the data checker's rule engine, where `update` answers each event with a
// finding code. A plain value type: the device copies it under its lock for other threads.
//
// Checking mode expects the events of one channel in time order, each note as a note on and a
// separate note off (the checker makes the note offs from the durations).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tonvela {

class anyEvent;

// What checking mode's `update` returns. The data checker lists most of them under its check
// numbers; findSameProgram and findRepeatedModulation are never listed.
enum FindingCode : int {
    findNone = 0,
    findMultipleNoteOn = 1,      // a note on of a key that still sounds
    findExtraNoteOff = 2,        // a note off of a key that does not sound
    findSameTimeOnOff = 3,       // a note on on the tick where its key was released
    findShortNote = 4,           // at the note off of a note of 1..minimumDur ticks
    findSameControl = 5,         // a controller set to the value in force
    findIllegalVelocity = 6,
    findSynchronousNoteOn = 7,   // a second note on of a key on one tick
    findSameBend = 8,
    findSameProgram = 9,
    findInvalidDataEntry = 10,   // data entry without a parameter selected
    findSynchronousControl = 11, // a controller changed twice on one tick
    findSynchronousBend = 12,
    findNoteOnAndControl = 13,   // the later of a note on and a control change on one tick
    findNoteOnAndBend = 14,
    findNoteOnWhileMuted = 15,   // volume or expression at 0
    findSilentBend = 16,         // the second of two pitch bends while no note sounds
    findRepeatedModulation = 17,
    findSwitchValue = 28,        // a switch controller (64..67) other than 0 or 127
    findIneffectiveBend = 29,    // a change of less than one cent
};

// The option switches and limits that checking mode's rules read (the others only decide which
// findings the checker lists).
struct ChannelCheckRules {
    bool deleteDuplicatedNote = true;  // findMultipleNoteOn at all
    bool detectShortDuraion = true;    // findShortNote at all
    int minimumDur = 2;                // longest note, in ticks, that is too short
    bool detectIllegalVel = false;     // findIllegalVelocity at all
    int illegalVeloMin = 1;            // velocities in this range, both ends included
    int illegalVeloMax = 32;
};

class MidiChannel {
public:
    MidiChannel();

    // Every field to its default; checkMode and isDrumChannel are kept.
    void reset();
    // Follows one event; returns the finding code (0 for none; 9 for a program change that
    // repeats the program in force).
    int update(const anyEvent& e);
    // The same for a message given by the kind code of its event (kindControl: controller and
    // value; kindNote or kindNoteOff: key and velocity; kindPitchBend: raw bend; kindProgram:
    // program). Other kinds change nothing but the time.
    int follow(int kind, int32_t time, int data1, int data2);
    int controlChange(int32_t time, int controller, int value);
    int noteEvent(int32_t time, int key, int velocity);
    int bendEvent(int32_t time, int raw);
    // Every controller value unknown (-1); the data checker starts each channel this way when
    // initial controls are skipped. controllerTime stays.
    void clearControllers();
    // The program's name: the drum kit's on a drum part, else the General MIDI name.
    std::string programText() const;
    // The channel plays drums: the drum channel, a drum bank (XG drum and SFX kits, MSB 127 and
    // 126; the GM2 rhythm bank, MSB 120) chosen or about to be, or a part made a drum part by
    // system exclusive. Sounds are what a drum part's keys choose, so their length means little.
    bool drumPart() const;

    int controller(int number) const { return number >= 0 && number < 128 ? controllerValue[static_cast<size_t>(number)] : -1; }
    int bankMsb() const { return controllerValue[0]; }
    int bankLsb() const { return controllerValue[32]; }

    // Parameter number registers (controllers 98, 99, 100, 101), checking mode.
    int32_t nrpnLsb, nrpnMsb, rpnLsb, rpnMsb;
    int32_t program;
    int32_t bendRange;  // semitones
    int32_t bend;       // raw 0..16383
    int32_t bendStep;   // raw bend units per cent
    bool checkMode = true;
    std::array<int32_t, 128> keyOnCount;
    std::array<int32_t, 128> keyOffTime;
    std::array<int32_t, 128> controllerValue;  // -1: unknown
    std::array<int32_t, 128> controllerTime;
    std::array<int32_t, 128> modValueCount;
    int32_t lastNoteOnTime, lastControlTime, lastBendTime;
    int32_t bendRun;
    int32_t soundingNotes;
    std::array<int32_t, 128> keyOnTime;
    int32_t maxPolyphony;
    int32_t lastEventTime;
    bool isDrumChannel = false;
    int32_t programBankMsb;  // bank select MSB in force at the last program change; -1 unknown
    int32_t partMode;        // set by system exclusive: 0 normal, above 0 drums; -1 never set
    // Checking mode: the finding a note on at volume or expression 0 would have had otherwise
    // (a note that turns out to be heard is reported for that instead).
    int32_t shadowedFinding = findNone;
    ChannelCheckRules checkRules;  // kept by reset

private:
    int checkNoteOn(int32_t time, int key, int velocity);
    int checkNoteOff(int32_t time, int key);
    int checkControl(int32_t time, int controller, int value);
    int checkBend(int32_t time, int raw);
    // Reset All Controllers: the controllers, the bend and the parameter selection go back to
    // their defaults; the sounding notes and the program stay.
    void resetControllers();
    void silenceKeys();
};

// A system exclusive message that makes a part a drum part or a normal one: XG Part Mode
// (43 1n 4C 08 pp 07 mm) and GS Use For Rhythm Part (41 dd 42 12 40 1x 15 mm). `data` holds the
// bytes after F0. Each part is taken to receive the channel of its own number.
struct PartModeChange {
    int channel;  // 0..15
    int mode;     // 0 normal, above 0 drums
};
std::optional<PartModeChange> partModeChange(const uint8_t* data, size_t size);

}  // namespace tonvela
