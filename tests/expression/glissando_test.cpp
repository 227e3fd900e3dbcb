// The glissando editor's operation: the slots of a run, placeholders, the target key, the
// alterations, velocities, the second run and the pedal, the presets, refusals, the undo step.

#include <gtest/gtest.h>

#include "base/errors.h"
#include "expression/glissando.h"
#include "expression_fixture.h"

namespace tonvela {
namespace {

using test::Events;
using test::TrackWriter;

class Glissando : public testing::Test {
protected:
    void SetUp() override {
        TrackWriter t;
        t.program(0, 2, 46).note(3840, 2, 60, 100, 480);
        test::loadSong(song, {t});
    }
    Events build(const GlissandoSettings& s, int32_t start, int32_t end) {
        buildGlissando(s, start, end, 2, work);
        return test::channelEvents(work);
    }
    midiSong song;
    midiTrack work{&song, 0, ""};
};

TEST_F(Glissando, ADownwardRunLeadsIntoTheTargetWithoutSoundingIt) {
    // 72 to 60 in C major: eight equal slots over 700 ticks; the slot of 60 stays silent.
    EXPECT_EQ(build(GlissandoSettings{}, 1000, 1700),
              (Events{"N 1000 3 72 100 120", "N 1100 3 71 100 120", "N 1200 3 69 100 120", "N 1300 3 67 100 120",
                      "N 1400 3 65 100 120", "N 1500 3 64 100 120", "N 1600 3 62 100 120"}));
}

TEST_F(Glissando, AStartOffTheScaleKeepsItsSlotAndLastNoteSoundsTheTarget) {
    GlissandoSettings s;
    s.fromNote = 61;
    s.toNote = 72;
    s.UseLastNote = true;
    s.Dur = 50;
    EXPECT_EQ(build(s, 0, 700),
              (Events{"N 100 3 62 100 50", "N 200 3 64 100 50", "N 300 3 65 100 50", "N 400 3 67 100 50",
                      "N 500 3 69 100 50", "N 600 3 71 100 50", "N 700 3 72 100 50"}));
}

TEST_F(Glissando, AnOffScaleTargetGetsItsSlotAndKeyZeroIsNeverWritten) {
    GlissandoSettings s;
    s.fromNote = 0;
    s.toNote = 6;  // F#: off the scale, added as the silent end
    EXPECT_EQ(build(s, 0, 500),
              (Events{"N 100 3 2 100 120", "N 200 3 4 100 120", "N 300 3 5 100 120"}))
        << "slots: 0 (not written), 2, 4, 5, F# placeholder, then the target 6 (silent)";
}

TEST_F(Glissando, AlterationsAndVelocities) {
    GlissandoSettings s;
    s.fromNote = 60;
    s.toNote = 74;
    s.UseLastNote = true;
    s.VeloStart = 100;
    s.VeloEnd = 20;
    s.alteration[0] = 1;   // every C sounds as C#
    s.alteration[11] = -2;  // B as A
    EXPECT_EQ(build(s, 0, 800),
              (Events{"N 0 3 61 100 120", "N 100 3 62 90 120", "N 200 3 64 80 120", "N 300 3 65 70 120",
                      "N 400 3 67 60 120", "N 500 3 69 50 120", "N 600 3 69 40 120", "N 700 3 73 30 120",
                      "N 800 3 74 20 120"}));
    s.VeloStart = 200;
    s.VeloEnd = -50;
    build(s, 0, 800);
    test::expectValidMidi(work);
}

TEST_F(Glissando, TheSecondRunIsDelayedAndThePedalFramesTheSpan) {
    GlissandoSettings s;
    s.fromNote = 60;
    s.toNote = 64;
    s.UseLastNote = true;
    s.Dur = 100;
    s.UseAlt = true;
    s.altScale = keyPreset(0);
    s.altScale[2] = false;  // without D
    s.DelayTime = 30;
    s.UseSustain = true;
    EXPECT_EQ(build(s, 1000, 1200), (Events{"N 1000 3 60 100 100", "N 1100 3 62 100 100", "N 1200 3 64 100 100",
                                            "N 1030 3 60 100 200", "N 1230 3 64 100 200", "C 995 3 64 127",
                                            "C 1195 3 64 0"}));
}

TEST_F(Glissando, ARunOfFewerThanTwoKeysMakesNothing) {
    GlissandoSettings s;
    s.fromNote = 60;
    s.toNote = 60;
    s.UseSustain = true;
    test::expectNothingChanged(song, 1, [&] { EXPECT_FALSE(applyGlissando(song, 1, s, 0, 100, work)); });
    EXPECT_EQ(work.countEvents(), 0) << "no pedal around nothing";
}

TEST_F(Glissando, ABackwardSpanOrNegativeDurationIsRefused) {
    GlissandoSettings s;
    test::expectNothingChanged(song, 1, [&] { EXPECT_THROW(applyGlissando(song, 1, s, 1000, 999, work), MidiError); });
    s.Dur = -1;
    test::expectNothingChanged(song, 1, [&] { EXPECT_THROW(applyGlissando(song, 1, s, 0, 100, work), MidiError); });
    s.Dur = 120;
    s.toNote = 128;
    test::expectNothingChanged(song, 1, [&] { EXPECT_THROW(applyGlissando(song, 1, s, 0, 100, work), MidiError); });
    EXPECT_EQ(work.countEvents(), 0);
}

TEST_F(Glissando, MakeIsOneUndoStepOnTheTracksChannel) {
    GlissandoSettings s;
    s.UseSustain = true;
    test::expectUndoRedo(song, 1, kGlissandoLabel, [&] { EXPECT_TRUE(applyGlissando(song, 1, s, 3360, 3840, work)); });
    song.track(1)->redo();
    EXPECT_EQ(test::channelEvents(*song.track(1)),
              (Events{"C 3355 3 64 127", "N 3360 3 72 100 82", "N 3428 3 71 100 82", "N 3497 3 69 100 82",
                      "N 3565 3 67 100 82", "N 3634 3 65 100 82", "N 3702 3 64 100 82", "N 3771 3 62 100 82",
                      "C 3835 3 64 0", "N 3840 3 60 100 480"}))
        << "the run leads into the note already written at the end of the span";
}

TEST(GlissandoChannel, IsTheTracksFirstChannelOr16) {
    midiSong song;
    TrackWriter t;
    t.note(0, 4, 60, 90, 10);
    TrackWriter noChannel;
    noChannel.at(0, {0xFF, 0x03, 0x01, 'x'});
    test::loadSong(song, {t, noChannel});
    ASSERT_EQ(song.trackCount(), 3);
    EXPECT_EQ(glissandoChannel(*song.track(1)), 4);
    EXPECT_EQ(glissandoChannel(*song.track(2)), 15);
}

TEST(KeyPreset, EachStepTurnsOneClassOffAndOneOn) {
    auto classes = [](const PedalScale& s) {
        std::string out;
        const char* names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
        for (int i = 0; i < 12; ++i)
            if (s[static_cast<size_t>(i)]) out += std::string(out.empty() ? "" : " ") + names[i];
        return out;
    };
    EXPECT_EQ(classes(keyPreset(0)), "C D E F G A B");
    EXPECT_EQ(classes(keyPreset(1)), "C D E F# G A B");
    EXPECT_EQ(classes(keyPreset(3)), "C# D E F# G# A B");     // F, C, G off; F#, C#, G# on
    EXPECT_EQ(classes(keyPreset(7)), "C C# D# F F# G# A#");   // C# major
    EXPECT_EQ(classes(keyPreset(-1)), "C D E F G A A#");
    EXPECT_EQ(classes(keyPreset(-3)), "C D D# F G G# A#");    // E flat major
    EXPECT_EQ(classes(keyPreset(-7)), "C# D# E F# G# A# B");  // C flat major
}

TEST(KeyPreset, AHarpTrackStartsInItsKey) {
    struct Case {
        int program, sharps;
        std::optional<int> preset;
    } cases[] = {{46, 3, 3}, {46, -2, -2}, {46, 0, 0}, {0, 3, std::nullopt}};
    for (const Case& c : cases) {
        midiSong song;
        TrackWriter conductor;
        conductor.at(0, {0xFF, 0x59, 0x02, static_cast<uint8_t>(c.sharps), 0x00});
        TrackWriter t;
        t.program(0, 5, c.program).note(0, 5, 60, 90, 10);
        test::loadSong(song, {t}, 8, conductor);
        EXPECT_EQ(harpPreset(song, *song.track(1), 1920), c.preset);
    }
}

}  // namespace
}  // namespace tonvela
