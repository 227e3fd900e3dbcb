// When the player sends each batch, with the fake clock: tick gaps at the play tempo, tempo
// events, loops, stop and resume, lists that end at once, and catching up after late batches.

#include <gtest/gtest.h>

#include "output/play_list.h"
#include "output_rig.h"
#include "smf_builder.h"
#include "track_writer.h"

namespace tonvela {
namespace {

using test::CaptureRig;
using test::TrackWriter;
using Lines = std::vector<std::string>;

class Player : public testing::Test {
protected:
    // Loads a song of a conductor and one voice track and makes its Play All list.
    void use(const TrackWriter& conductor, const TrackWriter& voice) {
        test::load(song, test::smf(1, {conductor.bytes(), voice.bytes()}));
        playList = buildAllList(song);
        rig.device.hooks.endOfPlay = [this] { ++ends; };
    }
    midiSong song;
    CaptureRig rig;
    std::shared_ptr<const PlayList> playList;
    int ends = 0;
};

TEST_F(Player, TickGapsAtTheTempo) {
    // 480 ticks at 500000 µs are 500 ms; a gap of 9600 ticks is 10 s.
    use(TrackWriter(), TrackWriter().control(0, 0, 1, 1).control(480, 0, 1, 2).control(10080, 0, 1, 3));
    rig.device.start(playList, false, false);
    EXPECT_EQ(rig.lines(), (Lines{"0 B0 01 01", "500000 B0 01 02", "10500000 B0 01 03"}));
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(rig.device.lateCount(), 0);
}

TEST_F(Player, TimeBaseAndTempoSetTheTickLength) {
    // 96 ticks per quarter at 600000 µs: 6250 µs a tick.
    test::load(song, test::smf(1, {TrackWriter().tempo(0, 600000).bytes(),
                                   TrackWriter().control(0, 0, 1, 1).control(1, 0, 1, 2).control(97, 0, 1, 3).bytes()},
                               96));
    playList = buildAllList(song);
    rig.device.start(playList, false, false);
    EXPECT_EQ(rig.lines(), (Lines{"0 B0 01 01", "6250 B0 01 02", "606250 B0 01 03"}));
}

TEST_F(Player, ATempoChangeHalvesTheSpacingFromThereOn) {
    std::vector<std::pair<int64_t, int32_t>> tempos;
    rig.device.hooks.tempoChange = [&](int32_t t) { tempos.emplace_back(rig.clock->now(), t); };
    use(TrackWriter().tempo(0, 500000).tempo(960, 250000),
        TrackWriter().control(0, 0, 1, 1).control(480, 0, 1, 2).control(960, 0, 1, 3).control(1440, 0, 1, 4).control(1920, 0, 1, 5));
    rig.device.start(playList, false, false);
    EXPECT_EQ(rig.lines(), (Lines{"0 B0 01 01", "500000 B0 01 02", "1000000 B0 01 03", "1250000 B0 01 04",
                                  "1500000 B0 01 05"}));
    EXPECT_EQ(tempos, (std::vector<std::pair<int64_t, int32_t>>{{0, 500000}, {1000000, 250000}}));
    EXPECT_EQ(rig.device.playTempo(), 250000);
}

TEST_F(Player, TheSetButtonTempoHoldsUntilTheNextTempoEvent) {
    use(TrackWriter().tempo(0, 500000).tempo(1440, 500000),
        TrackWriter().control(0, 0, 1, 1).control(480, 0, 1, 2).control(960, 0, 1, 3).control(1440, 0, 1, 4).control(1920, 0, 1, 5));
    std::vector<int32_t> tempos;
    rig.device.hooks.tempoChange = [&](int32_t t) { tempos.push_back(t); };
    rig.fake().at(250000, [&] { EXPECT_TRUE(rig.device.overrideTempo(250000)); });
    rig.device.start(playList, false, false);
    // The wait already running keeps its length; the next ones use the new tempo.
    EXPECT_EQ(rig.lines(), (Lines{"0 B0 01 01", "500000 B0 01 02", "750000 B0 01 03", "1000000 B0 01 04",
                                  "1500000 B0 01 05"}));
    EXPECT_EQ(tempos, (std::vector<int32_t>{500000, 250000, 500000})) << "the tempo bar follows the Set tempo";
    EXPECT_FALSE(rig.device.overrideTempo(0));
    EXPECT_FALSE(rig.device.overrideTempo(0x1000000));
    EXPECT_EQ(rig.device.playTempo(), 500000) << "a refused tempo changes nothing";
}

TEST_F(Player, EveryLoopPassStartsAtTheTempoOfTheLoopsStart) {
    // The second bar is looped: it starts at 500000 µs and turns twice as fast halfway.
    use(TrackWriter().tempo(0, 500000).tempo(2880, 250000),
        TrackWriter().control(1920, 0, 1, 1).control(2400, 0, 1, 2).control(2880, 0, 1, 3).control(3360, 0, 1, 4));
    playList = buildSelectionList(song, Selection{1, 1, 1, 1}, false, rig.device);
    std::vector<int32_t> tempos;
    rig.device.hooks.tempoChange = [&](int32_t t) { tempos.push_back(t); };
    rig.fake().at(2600000, [&] { rig.device.stop(); });
    rig.device.start(playList, true, false);
    Lines sent = rig.lines();
    sent.resize(9);
    EXPECT_EQ(sent, (Lines{"0 B0 01 01", "500000 B0 01 02", "1000000 B0 01 03", "1250000 B0 01 04",
                           "1250000 B0 01 01", "1750000 B0 01 02", "2250000 B0 01 03", "2500000 B0 01 04",
                           "2500000 B0 01 01"}));
    EXPECT_EQ(tempos, (std::vector<int32_t>{250000, 500000, 250000, 500000}))
        << "each restart brings the tempo bar back to the loop's tempo";
}

TEST_F(Player, AHandSetTempoOutlivesTheRestartOfALoopWithoutTempoEvents) {
    use(TrackWriter(), TrackWriter().control(0, 0, 1, 1).control(480, 0, 1, 2));
    rig.fake().at(100000, [&] { rig.device.overrideTempo(250000); });
    rig.fake().at(1100000, [&] { rig.device.stop(); });
    rig.device.start(playList, true, false);
    Lines sent = rig.lines();
    sent.resize(5);
    EXPECT_EQ(sent, (Lines{"0 B0 01 01", "500000 B0 01 02", "500000 B0 01 01", "750000 B0 01 02",
                           "750000 B0 01 01"}));
}

TEST_F(Player, ATempoGivenAtTheStartIsTheTempoOfEveryLoopPass) {
    use(TrackWriter().tempo(0, 500000).tempo(480, 1000000),
        TrackWriter().control(0, 0, 1, 1).control(480, 0, 1, 2).control(960, 0, 1, 3));
    PlayOptions o;
    o.loop = true;
    o.tempo = 250000;
    rig.fake().at(3000000, [&] { rig.device.stop(); });
    ASSERT_TRUE(rig.device.playAll(song, o));
    Lines sent = rig.lines();
    sent.resize(6);
    // After Play All's 50 ms pause: 480 ticks at the given tempo, 480 at the song's second one.
    EXPECT_EQ(sent, (Lines{"50000 B0 01 01", "300000 B0 01 02", "1300000 B0 01 03", "1300000 B0 01 01",
                           "1550000 B0 01 02", "2550000 B0 01 03"}));
}

TEST_F(Player, EditsWhilePlayingChangeNothingOfThePlayAndLeaveNoNoteHanging) {
    // Note 60 sounds from 0 to 960, 62 from 480 to 960, 64 from 960 to 1440.
    use(TrackWriter(), TrackWriter().note(0, 0, 60, 100, 960).note(480, 0, 62, 90, 480).note(960, 0, 64, 80, 480));
    midiTrack& t = *song.track(1);
    auto noteAt = [&](int32_t time) {
        for (anyEvent* e : t.events())
            if (e && e->time == time && e->kind() == kindNote) return static_cast<NoteOnEvent*>(e);
        return static_cast<NoteOnEvent*>(nullptr);
    };
    rig.fake().at(250000, [&] {
        t.beginUndoStep("Edit");
        t.removeEvent(noteAt(0));           // sounding: its note off still comes
        t.setVelocity(noteAt(480), 10);     // not yet sent
        t.moveEvent(noteAt(960), -960);
        t.setDuration(noteAt(0), 5);        // the moved note, now at 0
        auto* added = new NoteOnEvent(600, 0x90);
        added->setNote(70);
        added->setVelocity(100);
        added->setDuration(100);
        t.addEvent(added, true, true);
    });
    rig.fake().at(750000, [&] { t.undo(); });
    rig.device.start(playList, false, false);
    EXPECT_EQ(rig.lines(), (Lines{"0 90 3C 64", "500000 90 3E 5A", "1000000 90 3C 00", "1000000 90 3E 00",
                                  "1000000 90 40 50", "1500000 90 40 00"}))
        << "the song as it was when the play started";
    EXPECT_EQ(ends, 1);
}

TEST_F(Player, LoopRestartsWithoutAGap) {
    use(TrackWriter(), TrackWriter().control(0, 0, 1, 1).control(480, 0, 1, 2));
    std::vector<int> loops;
    rig.device.hooks.loop = [&](int n) { loops.push_back(n); };
    rig.fake().at(1600000, [&] { rig.device.stop(); });
    rig.device.start(playList, true, false);
    Lines expected = {"0 B0 01 01",       "500000 B0 01 02",  "500000 B0 01 01", "1000000 B0 01 02",
                      "1000000 B0 01 01", "1500000 B0 01 02", "1500000 B0 01 01"};
    for (const std::string& l : test::stopSoundLines(1600000)) expected.push_back(l);
    EXPECT_EQ(rig.lines(), expected);
    EXPECT_EQ(loops, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ends, 0) << "a stop is not the end of the list";
    EXPECT_FALSE(rig.device.playing());
}

TEST_F(Player, StopSilencesAndResumeGoesOnWithTheNextEvent) {
    use(TrackWriter(), TrackWriter().note(0, 0, 60, 100, 960).note(960, 0, 62, 100, 480));
    rig.fake().at(750000, [&] {
        EXPECT_TRUE(rig.device.playing());
        rig.device.stop();
    });
    rig.device.start(playList, false, false);
    Lines expected = {"0 90 3C 64"};
    for (const std::string& l : test::stopSoundLines(750000)) expected.push_back(l);
    EXPECT_EQ(rig.lines(), expected);
    EXPECT_FALSE(rig.device.playing());
    EXPECT_EQ(ends, 0);
    ASSERT_TRUE(rig.device.canResume());

    rig.log->clear();
    rig.fake().advanceBy(4000000);  // the user waits before Resume
    ASSERT_TRUE(rig.device.resumePlay(false));
    EXPECT_EQ(rig.lines(), (Lines{"4750000 90 3C 00", "4750000 90 3E 64", "5250000 90 3E 00"}))
        << "the held note is not struck again";
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(rig.device.canResume());
    EXPECT_FALSE(rig.device.resumePlay(false));
}

TEST_F(Player, AListOfOneTimeIsSentAtOnceAndEndsWithoutPlaying) {
    use(TrackWriter(), TrackWriter().control(0, 0, 7, 1).program(0, 0, 3));
    bool playingInHook = true;
    rig.device.hooks.endOfPlay = [&] {
        ++ends;
        playingInHook = rig.device.playing();
    };
    rig.device.start(playList, false, false);
    EXPECT_EQ(rig.lines(), (Lines{"0 B0 07 01", "0 C0 03"}));
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(playingInHook);
    EXPECT_EQ(rig.clock->now(), 0) << "no wait at all";
}

TEST_F(Player, NothingStartsWithoutAPortOrEvents) {
    use(TrackWriter(), TrackWriter().control(0, 0, 7, 1).control(10, 0, 7, 2));
    EXPECT_FALSE(rig.device.start(PlayListBuilder(480).build(), false, false));
    EXPECT_FALSE(rig.device.start(nullptr, false, false));
    EXPECT_EQ(ends, 0);
    rig.device.closeDevice();
    EXPECT_FALSE(rig.device.start(playList, false, false));
    EXPECT_EQ(ends, 0);
    EXPECT_FALSE(rig.device.playing());
    EXPECT_TRUE(rig.log->messages().empty());
}

TEST_F(Player, ZeroLengthNotesAreReleased) {
    use(TrackWriter(), TrackWriter().note(0, 0, 60, 100, 0).note(480, 0, 60, 100, 0).control(960, 0, 1, 0));
    rig.device.start(playList, false, false);
    EXPECT_EQ(rig.lines(), (Lines{"0 90 3C 64", "0 90 3C 00", "500000 90 3C 64", "500000 90 3C 00", "1000000 B0 01 00"}));
}

// A port that takes 300 ms for every message.
class SlowDriver final : public PortDriver {
public:
    SlowDriver(std::unique_ptr<PortDriver> inner, test::FakeClock& clock) : inner_(std::move(inner)), clock_(clock) {}
    int portCount() override { return inner_->portCount(); }
    PortCaps caps(int id) override { return inner_->caps(id); }
    int open(int id) override { return inner_->open(id); }
    int close() override { return inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }
    int sendShort(uint32_t m) override {
        int rc = inner_->sendShort(m);
        clock_.advanceBy(300000);
        return rc;
    }
    int sendLong(const uint8_t* d, size_t n) override { return inner_->sendLong(d, n); }
    std::string errorText(int code) const override { return inner_->errorText(code); }

private:
    std::unique_ptr<PortDriver> inner_;
    test::FakeClock& clock_;
};

TEST(PlayerCatchUp, LateBatchesGoAtOnceAndLaterOnesKeepTheirTimes) {
    auto clock = std::make_shared<test::FakeClock>();
    auto log = std::make_shared<CaptureLog>();
    MidiDevice device(std::make_unique<SlowDriver>(makeCaptureDriver(log, clock), *clock), clock);
    ASSERT_EQ(device.openDevice(-1), 0);
    midiSong song;
    test::load(song, test::smf(1, {TrackWriter().bytes(), TrackWriter().control(0, 0, 1, 1).control(120, 0, 1, 2)
                                                              .control(240, 0, 1, 3).control(2400, 0, 1, 4).bytes()}));
    device.start(buildAllList(song), false, false);
    Lines lines;
    for (const auto& m : log->messages()) lines.push_back(captureLine(m));
    // Due at 0, 125 ms, 250 ms and 2.5 s; each send takes 300 ms.
    EXPECT_EQ(lines, (Lines{"0 B0 01 01", "300000 B0 01 02", "600000 B0 01 03", "2500000 B0 01 04"}));
    EXPECT_EQ(device.lateCount(), 2);
}

}  // namespace
}  // namespace tonvela
