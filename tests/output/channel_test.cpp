// Channel state in state mode: defaults, the pitch bend range through registered parameter 0,
// and what the device feeds to it.

#include <gtest/gtest.h>

#include <vector>

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

// What makes a channel play drums: the drum channel, a drum bank chosen (or about to be) and a
// part made a drum part by system exclusive; the instrument it shows follows.
TEST(MidiChannel, DrumPartsByChannelBankAndPartMode) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> steps;  // controller and value; controller -1: program change
        int partMode;
        bool drums;
    };
    const Case cases[] = {
        {"a melodic bank", {{0, 0}, {-1, 0}}, -1, false},
        {"XG drum kit bank", {{0, 127}, {-1, 0}}, -1, true},
        {"XG SFX kit bank", {{0, 126}, {-1, 0}}, -1, true},
        {"GM2 rhythm bank", {{0, 120}, {-1, 0}}, -1, true},
        {"drum bank selected, program still to come", {{0, 127}}, -1, true},
        {"drum kit chosen, melodic bank waiting for the next program", {{0, 127}, {-1, 0}, {0, 0}}, -1, true},
        {"melodic bank chosen with a program change of the same number", {{0, 127}, {-1, 0}, {0, 0}, {-1, 0}}, -1, false},
        {"XG drum part mode", {}, 2, true},
        {"normal part mode", {}, 0, false},
    };
    for (const Case& c : cases) {
        MidiChannel ch = stateChannel();
        int32_t t = 0;
        for (auto [controller, value] : c.steps) {
            if (controller < 0)
                ch.follow(kindProgram, t += 10, value, 0);
            else
                ch.controlChange(t += 10, controller, value);
        }
        if (c.partMode >= 0) ch.partMode = c.partMode;
        EXPECT_EQ(ch.drumPart(), c.drums) << c.name;
        EXPECT_EQ(ch.programText() == "Standard 1", c.drums) << c.name;
        ch.reset();
        EXPECT_FALSE(ch.drumPart()) << c.name << ", after a reset";
    }
}

TEST(MidiChannel, PartModeMessages) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;  // after F0
        int channel;                 // -1: not a part mode message
        int mode;
    };
    const Case cases[] = {
        {"XG part 4 drum S1", {0x43, 0x10, 0x4C, 0x08, 0x03, 0x07, 0x02, 0xF7}, 3, 2},
        {"XG part 10 normal, other device number", {0x43, 0x13, 0x4C, 0x08, 0x09, 0x07, 0x00, 0xF7}, 9, 0},
        {"XG from address 05 on", {0x43, 0x10, 0x4C, 0x08, 0x01, 0x05, 0x01, 0x01, 0x01, 0xF7}, 1, 1},
        {"XG address 05 alone", {0x43, 0x10, 0x4C, 0x08, 0x01, 0x05, 0x01, 0xF7}, -1, 0},
        {"XG part volume", {0x43, 0x10, 0x4C, 0x08, 0x01, 0x0B, 0x40, 0xF7}, -1, 0},
        {"XG part 17", {0x43, 0x10, 0x4C, 0x08, 0x10, 0x07, 0x01, 0xF7}, -1, 0},
        {"XG bulk dump", {0x43, 0x00, 0x4C, 0x08, 0x03, 0x07, 0x02, 0xF7}, -1, 0},
        {"XG cut short", {0x43, 0x10, 0x4C, 0x08, 0x03, 0x07}, -1, 0},
        {"GS block 0 is part 10", {0x41, 0x10, 0x42, 0x12, 0x40, 0x10, 0x15, 0x01, 0x1A, 0xF7}, 9, 1},
        {"GS block 1 is part 1", {0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x15, 0x02, 0x18, 0xF7}, 0, 2},
        {"GS block A is part 11", {0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x00, 0x11, 0xF7}, 10, 0},
        {"GS block F is part 16", {0x41, 0x10, 0x42, 0x12, 0x40, 0x1F, 0x15, 0x01, 0x0B, 0xF7}, 15, 1},
        {"GS other parameter", {0x41, 0x10, 0x42, 0x12, 0x40, 0x11, 0x02, 0x01, 0x2C, 0xF7}, -1, 0},
        {"GS reset", {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}, -1, 0},
        {"empty", {}, -1, 0},
    };
    for (const Case& c : cases) {
        const auto change = partModeChange(c.bytes.data(), c.bytes.size());
        ASSERT_EQ(change.has_value(), c.channel >= 0) << c.name;
        if (!change) continue;
        EXPECT_EQ(change->channel, c.channel) << c.name;
        EXPECT_EQ(change->mode, c.mode) << c.name;
    }
}

TEST(MidiChannel, DeviceFollowsPartModesItSendsOrIsFed) {
    test::CaptureRig rig;
    sysexEvent fed(0, 0xF0);
    fed.sysexData = {0x43, 0x10, 0x4C, 0x08, 0x03, 0x07, 0x01, 0xF7};
    rig.device.feedChannelState(fed);
    EXPECT_TRUE(rig.device.channelState(3).drumPart());
    EXPECT_EQ(rig.device.channelState(3).programText(), "Standard 1");
    EXPECT_FALSE(rig.device.channelState(4).drumPart());

    sysexEvent sent(0, 0xF0);
    sent.sysexData = {0x41, 0x10, 0x42, 0x12, 0x40, 0x15, 0x15, 0x01, 0x15, 0xF7};
    rig.device.sendEvent(sent);
    EXPECT_TRUE(rig.device.channelState(4).drumPart());
    fed.sysexData[6] = 0x00;
    rig.device.sendEvent(fed);
    EXPECT_FALSE(rig.device.channelState(3).drumPart()) << "made a normal part again";
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
