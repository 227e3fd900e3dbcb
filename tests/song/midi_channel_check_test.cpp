// Channel state in checking mode: the finding code each rule returns for an event, and the
// state the rules leave behind.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "song/midi_channel.h"

namespace tonvela {
namespace {

// One event fed to a channel: n note on (key, velocity), f note off (key), c control change
// (controller, value), b pitch bend (raw), p program change.
struct Step {
    char what;
    int32_t time;
    int a = 0;
    int b = 0;
};

std::vector<int> feed(MidiChannel& c, const std::vector<Step>& steps) {
    std::vector<int> codes;
    for (const Step& s : steps) {
        switch (s.what) {
        case 'n': codes.push_back(c.noteEvent(s.time, s.a, s.b == 0 ? 100 : s.b)); break;
        case 'f': codes.push_back(c.noteEvent(s.time, s.a, 0)); break;
        case 'c': codes.push_back(c.controlChange(s.time, s.a, s.b)); break;
        case 'b': codes.push_back(c.bendEvent(s.time, s.a)); break;
        default: ADD_FAILURE() << "unknown step " << s.what;
        }
    }
    return codes;
}

struct RuleCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<int> codes;
    bool drum = false;
    bool clearFirst = false;  // CheckInitial: controllers start unset
};

TEST(MidiChannelChecking, EachRuleReturnsItsFindingCode) {
    const RuleCase cases[] = {
        // The edge cases of the channel state itself.
        {"second note on of a key on one tick", {{'n', 0, 60}, {'n', 0, 60}}, {0, 7}},
        {"note off of a silent key", {{'f', 0, 60}}, {2}},
        {"pedal at 64", {{'c', 0, 64, 64}}, {28}},
        {"volume 100 twice", {{'c', 0, 7, 100}, {'c', 10, 7, 100}}, {5, 5}},
        {"portamento control twice", {{'c', 0, 84, 10}, {'c', 10, 84, 10}}, {0, 0}},
        {"note of 2 ticks", {{'n', 0, 60}, {'f', 2, 60}}, {0, 4}},
        {"note of 2 ticks on the drum channel", {{'n', 0, 60}, {'f', 2, 60}}, {0, 0}, true},
        {"bend change of 30 raw units", {{'n', 0, 60}, {'b', 10, 8222}}, {0, 29}},
        // Notes.
        {"note on while the key sounds", {{'n', 0, 60}, {'n', 10, 60}}, {0, 1}},
        {"note on where the key was released", {{'n', 0, 60}, {'f', 10, 60}, {'n', 10, 60}}, {0, 0, 3}},
        {"note of 3 ticks is long enough", {{'n', 0, 60}, {'f', 3, 60}}, {0, 0}},
        {"short note while another of the key sounds",
         {{'n', 0, 60}, {'n', 5, 60}, {'f', 6, 60}, {'f', 20, 60}},
         {0, 1, 0, 0}},
        {"note on at the tick of a control change", {{'c', 5, 1, 3}, {'n', 5, 60}}, {0, 13}},
        {"note on at the tick of a pitch bend", {{'b', 5, 9000}, {'n', 5, 60}}, {0, 14}},
        {"note on while volume is 0", {{'c', 0, 7, 0}, {'n', 10, 60}}, {0, 15}},
        {"note on while expression is 0 replaces doubling", {{'n', 0, 60}, {'c', 1, 11, 0}, {'n', 10, 60}}, {0, 0, 15}},
        {"note of 2 ticks on an XG drum kit", {{'c', 0, 0, 127}, {'n', 10, 60}, {'f', 12, 60}}, {0, 0, 0}},
        {"unset volume is not 0", {{'n', 10, 60}}, {0}, false, true},
        // Control changes.
        {"same controller twice on one tick", {{'c', 0, 7, 90}, {'c', 0, 7, 80}}, {0, 11}},
        {"control change after a note on of its tick", {{'n', 5, 60}, {'c', 5, 10, 3}}, {0, 13}},
        {"data entry without a selection", {{'c', 0, 6, 12}}, {10}},
        {"data entry after RPN 0", {{'c', 0, 101, 0}, {'c', 1, 100, 0}, {'c', 2, 6, 12}}, {0, 0, 0}},
        {"NRPN MSB cancels the RPN", {{'c', 0, 101, 0}, {'c', 1, 100, 0}, {'c', 2, 99, 1}, {'c', 3, 6, 12}}, {0, 0, 0, 10}},
        {"pedal pressed twice", {{'c', 0, 64, 127}, {'c', 10, 64, 127}}, {0, 5}},
        {"pedal at 100 while pressed is a switch finding", {{'c', 0, 64, 127}, {'c', 10, 64, 100}}, {0, 28}},
        {"first pedal release with unset switches", {{'c', 0, 64, 0}}, {5}, false, true},
        {"first volume at its default", {{'c', 0, 7, 100}}, {5}},
        {"first volume unset", {{'c', 0, 7, 100}}, {0}, false, true},
        // Pitch bends.
        {"first bend at the centre", {{'b', 0, 8192}}, {8}},
        {"two bends on one tick", {{'n', 0, 60}, {'b', 5, 9000}, {'b', 5, 10000}}, {0, 0, 12}},
        {"silent bends", {{'b', 0, 9000}, {'b', 10, 10000}, {'b', 20, 11000}}, {0, 16, 16}},
    };
    for (const RuleCase& rc : cases) {
        MidiChannel c;
        c.isDrumChannel = rc.drum;
        if (rc.clearFirst) c.clearControllers();
        EXPECT_EQ(feed(c, rc.steps), rc.codes) << rc.name;
    }
}

// A note on at volume or expression 0 is listed 014; the finding it replaces is kept for a
// checker that learns the note is heard after all.
TEST(MidiChannelChecking, AMutedNoteOnKeepsTheFindingItReplaces) {
    MidiChannel c;
    EXPECT_EQ(feed(c, {{'n', 0, 60}, {'c', 1, 11, 0}, {'n', 10, 60}}), (std::vector<int>{0, 0, 15}));
    EXPECT_EQ(c.shadowedFinding, 1);
    EXPECT_EQ(feed(c, {{'n', 20, 62}}), (std::vector<int>{15}));
    EXPECT_EQ(c.shadowedFinding, 0);
    EXPECT_EQ(feed(c, {{'c', 30, 11, 100}, {'n', 40, 64}}), (std::vector<int>{0, 0}));
    EXPECT_EQ(c.shadowedFinding, 0);
}

TEST(MidiChannelChecking, SwitchesAndLimitsDecideTheNoteFindings) {
    MidiChannel c;
    c.checkRules.deleteDuplicatedNote = false;
    EXPECT_EQ(feed(c, {{'n', 0, 60}, {'n', 10, 60}, {'n', 10, 60}}), (std::vector<int>{0, 0, 7}))
        << "a doubled note is not a finding when switched off, a note on the same tick still is";

    MidiChannel v;
    v.checkRules.detectIllegalVel = true;
    v.checkRules.illegalVeloMin = 10;
    v.checkRules.illegalVeloMax = 20;
    EXPECT_EQ(feed(v, {{'n', 0, 60, 9}, {'n', 1, 61, 10}, {'n', 2, 62, 20}, {'n', 3, 63, 21}}),
              (std::vector<int>{0, 6, 6, 0}));

    MidiChannel s;
    s.checkRules.minimumDur = 5;
    EXPECT_EQ(feed(s, {{'n', 0, 60}, {'f', 5, 60}, {'n', 10, 61}, {'f', 16, 61}}), (std::vector<int>{0, 4, 0, 0}));
    s.checkRules.detectShortDuraion = false;
    EXPECT_EQ(feed(s, {{'n', 20, 62}, {'f', 21, 62}}), (std::vector<int>{0, 0}));
}

// Of two changes on one tick the later takes effect: the state follows it, so that a later
// change back to the earlier value is no repetition.
TEST(MidiChannelChecking, TheLaterChangeOfATickIsTheOneInForce) {
    MidiChannel c;
    EXPECT_EQ(feed(c, {{'c', 0, 64, 127}, {'c', 0, 64, 0}, {'c', 10, 64, 127}}), (std::vector<int>{0, 11, 0}));
    EXPECT_EQ(feed(c, {{'c', 20, 7, 90}, {'c', 20, 7, 80}, {'c', 30, 7, 90}}), (std::vector<int>{0, 11, 0}));
    EXPECT_EQ(feed(c, {{'n', 40, 60}, {'b', 50, 9000}, {'b', 50, 10000}, {'b', 60, 9000}}),
              (std::vector<int>{0, 0, 12, 0}));
    EXPECT_EQ(c.bend, 9000);
    // A second All Sound Off on the tick silences what started between them.
    EXPECT_EQ(feed(c, {{'c', 70, 120, 0}, {'n', 70, 62}, {'c', 70, 120, 0}}), (std::vector<int>{0, 13, 11}));
    EXPECT_EQ(c.keyOnCount[62], 0);
}

TEST(MidiChannelChecking, BendStepFollowsTheSensitivity) {
    MidiChannel c;
    feed(c, {{'c', 0, 101, 0}, {'c', 0, 100, 0}, {'c', 0, 6, 12}});
    EXPECT_EQ(c.bendRange, 12);
    EXPECT_EQ(c.bendStep, 6);
    feed(c, {{'c', 1, 6, 0}});
    EXPECT_EQ(c.bendRange, 0);
    EXPECT_EQ(c.bendStep, 6) << "a sensitivity of 0 leaves the step";
    feed(c, {{'c', 2, 6, 82}});
    EXPECT_EQ(c.bendStep, 0) << "above 81 semitones every change counts";
    EXPECT_EQ(feed(c, {{'n', 3, 60}, {'b', 4, 8193}}), (std::vector<int>{0, 0}));
}

TEST(MidiChannelChecking, AllNotesOffHonoursTheHeldPedals) {
    MidiChannel c;
    feed(c, {{'c', 0, 64, 127}, {'n', 1, 60}, {'c', 2, 123, 0}});
    EXPECT_EQ(c.keyOnCount[60], 1) << "sustain held: the key still sounds";
    feed(c, {{'c', 3, 64, 0}, {'c', 4, 123, 0}});
    EXPECT_EQ(c.keyOnCount[60], 0);
    feed(c, {{'c', 5, 64, 127}, {'n', 6, 61}, {'c', 7, 120, 0}});
    EXPECT_EQ(c.keyOnCount[61], 0) << "All Sound Off always silences";
    EXPECT_EQ(c.soundingNotes, 0);
}

// An extra note off must not make later notes count as silent: their pitch bends are heard.
TEST(MidiChannelChecking, ExtraNoteOffsNeverMakeTheCountNegative) {
    MidiChannel c;
    std::vector<int> codes = feed(c, {{'n', 0, 60}, {'c', 10, 123, 0}, {'f', 20, 60}, {'f', 30, 61},
                                      {'n', 40, 62}, {'b', 50, 9000}, {'b', 60, 10000}});
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 2, 2, 0, 0, 0}));
    EXPECT_EQ(c.soundingNotes, 1);
}

TEST(MidiChannelChecking, ResetAllControllersKeepsTheSoundingNotes) {
    MidiChannel c;
    c.clearControllers();
    feed(c, {{'c', 0, 7, 50}, {'c', 0, 101, 0}, {'c', 0, 100, 0}, {'c', 0, 6, 12}, {'n', 1, 60}, {'b', 2, 9000},
             {'c', 3, 121, 0}});
    EXPECT_EQ(c.controller(7), 100) << "controllers back to their defaults";
    EXPECT_EQ(c.bend, 8192);
    EXPECT_EQ(c.bendRange, 2);
    EXPECT_EQ(c.rpnMsb, -1);
    EXPECT_EQ(c.keyOnCount[60], 1);
    EXPECT_EQ(c.soundingNotes, 1);
    EXPECT_EQ(feed(c, {{'b', 10, 10000}, {'c', 11, 6, 5}, {'f', 20, 60}}), (std::vector<int>{0, 10, 0}))
        << "a bend under the sounding note is no silent bend; data entry lost its selection";
}

TEST(MidiChannelChecking, ModulationRepeatedWhileSilentIsCode17AndSameValueWins) {
    MidiChannel c;
    EXPECT_EQ(feed(c, {{'c', 0, 1, 20}, {'c', 10, 1, 30}, {'c', 20, 1, 20}, {'c', 30, 1, 20}}),
              (std::vector<int>{0, 0, 17, 5}));
}

TEST(MidiChannelChecking, StateModeFindsNothing) {
    MidiChannel c;
    c.checkMode = false;
    EXPECT_EQ(feed(c, {{'n', 0, 60}, {'n', 0, 60}, {'f', 5, 61}, {'c', 6, 7, 100}, {'b', 7, 8192}}),
              (std::vector<int>{0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace tonvela
