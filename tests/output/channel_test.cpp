// Channel state in state mode: defaults, the pitch bend range through registered parameter 0,
// and what the device feeds to it.

#include <gtest/gtest.h>

#include "song/midi_channel.h"
#include "output_rig.h"
#include "song/events.h"

namespace tonvela {
namespace {

MidiChannel stateChannel() {
    MidiChannel c;
    c.checkMode = false;
    return c;
}

void feedControls(MidiChannel& c, std::initializer_list<std::pair<int, int>> controls) {
    int32_t t = 0;
    for (auto [controller, value] : controls) {
        ControlChangeEvent e(t += 10, 0xB0);
        e.setController(controller);
        e.setValue(value);
        EXPECT_EQ(c.update(e), 0);
    }
}

TEST(MidiChannel, DefaultsAfterReset) {
    MidiChannel c = stateChannel();
    c.isDrumChannel = true;
    feedControls(c, {{0, 5}, {32, 3}, {7, 20}, {10, 1}, {11, 2}, {71, 0}, {74, 127}, {91, 0}, {101, 0}, {100, 0}, {6, 12}});
    ProgramChangeEvent p(50, 0xC0);
    p.setProgram(33);
    c.update(p);
    PitchBendEvent b(60, 0xE0);
    b.setBend(-4000);
    c.update(b);

    c.reset();
    EXPECT_FALSE(c.checkMode);
    EXPECT_TRUE(c.isDrumChannel);
    EXPECT_EQ(c.program, 0);
    EXPECT_EQ(c.bend, 8192);
    EXPECT_EQ(c.bendRange, 2);
    EXPECT_EQ(c.bendStep, 40);
    EXPECT_EQ(c.rpnMsb, -1);
    EXPECT_EQ(c.nrpnLsb, -1);
    // controller -> default value after reset
    const std::pair<int, int> defaults[] = {{0, -1},  {32, -1}, {7, 100}, {10, 64}, {11, 127}, {71, 64}, {72, 64},
                                            {73, 64}, {74, 64}, {91, 40}, {100, 127}, {101, 127}, {1, 0}, {64, 0}};
    for (auto [controller, value] : defaults) EXPECT_EQ(c.controller(controller), value) << "controller " << controller;
    EXPECT_EQ(c.controllerTime[7], -1);
    EXPECT_EQ(c.keyOffTime[60], -1);
}

struct RangeCase {
    const char* name;
    std::vector<std::pair<int, int>> controls;
    int bendRange;
    int bendStep;
};

TEST(MidiChannel, BendRangeFollowsRegisteredParameterZeroOnly) {
    const RangeCase cases[] = {
        {"RPN 0 then data entry 12", {{101, 0}, {100, 0}, {6, 12}}, 12, 6},
        {"LSB before MSB", {{100, 0}, {101, 0}, {6, 24}}, 24, 3},
        {"NRPN selection", {{99, 1}, {98, 8}, {6, 64}}, 2, 40},
        {"NRPN after RPN 0 cancels it", {{101, 0}, {100, 0}, {98, 5}, {6, 24}}, 2, 40},
        {"NRPN MSB alone cancels too", {{101, 0}, {100, 0}, {99, 1}, {6, 24}}, 2, 40},
        {"RPN 1 (fine tuning)", {{101, 0}, {100, 1}, {6, 12}}, 2, 40},
        {"only the LSB selected", {{100, 0}, {6, 12}}, 2, 40},
        {"range 0 keeps the step", {{101, 0}, {100, 0}, {6, 0}}, 0, 40},
        {"RPN 0 again after NRPN", {{99, 1}, {98, 8}, {101, 0}, {100, 0}, {6, 7}}, 7, 11},
    };
    for (const RangeCase& rc : cases) {
        MidiChannel c = stateChannel();
        for (auto [controller, value] : rc.controls) c.controlChange(0, controller, value);
        EXPECT_EQ(c.bendRange, rc.bendRange) << rc.name;
        EXPECT_EQ(c.bendStep, rc.bendStep) << rc.name;
    }
}

TEST(MidiChannel, ProgramAndBendFollowEvents) {
    MidiChannel c = stateChannel();
    ProgramChangeEvent p(0, 0xC0);
    p.setProgram(20);
    EXPECT_EQ(c.update(p), 0);
    EXPECT_EQ(c.program, 20);
    EXPECT_EQ(c.update(p), 9) << "the same program again";
    p.setProgram(200);  // stored unclamped by the event; not a program
    c.update(p);
    EXPECT_EQ(c.program, 20);

    PitchBendEvent b(5, 0xE0);
    b.setRawBend(16383);
    c.update(b);
    EXPECT_EQ(c.bend, 16383);
    EXPECT_EQ(c.lastEventTime, 5);
    EXPECT_EQ(c.bendEvent(6, 20000), 0);
    EXPECT_EQ(c.bend, 16383) << "out of range raw values are not stored";
}

TEST(MidiChannel, ProgramTextNamesTheKitOnTheDrumChannel) {
    MidiChannel c = stateChannel();
    c.program = 0;
    std::string melodic = c.programText();
    c.isDrumChannel = true;
    EXPECT_EQ(c.programText(), "Standard 1");
    EXPECT_NE(melodic, "Standard 1");
    EXPECT_FALSE(melodic.empty());
}

TEST(MidiChannel, DeviceMarksChannelTenAsDrumsInStateMode) {
    test::CaptureRig rig;
    for (int ch = 0; ch < 16; ++ch) {
        MidiChannel c = rig.device.channelState(ch);
        EXPECT_FALSE(c.checkMode);
        EXPECT_EQ(c.isDrumChannel, ch == 9) << ch;
    }
    EXPECT_TRUE(MidiChannel().checkMode) << "a channel made on its own starts in checking mode";
}

}  // namespace
}  // namespace tonvela
