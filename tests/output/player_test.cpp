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
    rig.fake().at(250000, [&] { rig.device.setPlayTempo(250000); });
    rig.device.start(playList, false, false);
    // The wait already running keeps its length; the next ones use the new tempo.
    EXPECT_EQ(rig.lines(), (Lines{"0 B0 01 01", "500000 B0 01 02", "750000 B0 01 03", "1000000 B0 01 04",
                                  "1500000 B0 01 05"}));
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
