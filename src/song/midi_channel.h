#pragma once

// The state of one MIDI channel after the events fed to it: program, bank, controllers, pitch
// bend and its range. In state mode (the device's sixteen objects) it only follows the state;
// checking mode is the data checker's rule engine, where `update` answers each event with a
// finding code. A plain value type: the device copies it under its lock for other threads.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tonvela {

class anyEvent;

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
    // Every controller value unknown (-1); the data checker starts each track this way.
    void clearControllers();
    // The program's name: the drum kit's on the drum channel, else the General MIDI name.
    std::string programText() const;

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
};

}  // namespace tonvela
