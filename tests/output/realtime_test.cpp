// The player on its own thread with the real clock: spacing, an immediate stop, reads from
// other threads while playing (run under ThreadSanitizer), and a lenient timing guard.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "output/play_list.h"
#include "output_rig.h"
#include "smf_builder.h"
#include "timing_song.h"
#include "track_writer.h"

namespace tonvela {
namespace {

using test::CaptureRig;
using test::TrackWriter;
using std::chrono::milliseconds;

class RealTime : public testing::Test {
protected:
    void use(const TrackWriter& voice) {
        test::load(song, test::smf(1, {TrackWriter().tempo(0, 500000).bytes(), voice.bytes()}));
        playList = buildAllList(song);
    }
    midiSong song;
    CaptureRig rig{makeSteadyClock()};
    std::shared_ptr<const PlayList> playList;
};

TEST_F(RealTime, EventsFiveHundredMillisecondsApart) {
    use(TrackWriter().control(0, 0, 1, 1).control(480, 0, 1, 2).control(960, 0, 1, 3));
    std::atomic<int> ends{0};
    std::atomic<bool> hookOnPlayerThread{false};
    const auto caller = std::this_thread::get_id();
    rig.device.hooks.endOfPlay = [&] {
        hookOnPlayerThread = std::this_thread::get_id() != caller;
        ++ends;
    };
    rig.device.start(playList, false, false);
    EXPECT_TRUE(rig.device.playing()) << "start returns after the first batch";
    ASSERT_TRUE(rig.device.waitUntilIdle(5'000'000));
    auto m = rig.log->messages();
    ASSERT_EQ(m.size(), 3u);
    for (size_t i = 1; i < m.size(); ++i) {
        int64_t gap = m[i].micros - m[0].micros - static_cast<int64_t>(i) * 500000;
        EXPECT_GE(gap, 0) << "never early";
        EXPECT_LE(gap, 20000) << "message " << i;
    }
    rig.device.stop();  // joins the finished player
    EXPECT_EQ(ends.load(), 1);
    EXPECT_TRUE(hookOnPlayerThread.load());
}

TEST_F(RealTime, StopIsImmediateAndSilencesAHeldNote) {
    use(TrackWriter().note(0, 0, 60, 100, 4800).note(4800, 0, 62, 100, 480));
    std::atomic<bool> done{false};
    // The interface thread's display refresh reads the states while the player sends.
    std::thread reader([&] {
        while (!done) {
            MidiChannel c = rig.device.channelState(0);
            (void)c.program;
            (void)rig.device.displayText();
            (void)rig.device.playIndex();
            (void)rig.device.playTempo();
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    rig.device.start(playList, false, false);
    std::this_thread::sleep_for(milliseconds(200));
    auto before = std::chrono::steady_clock::now();
    rig.device.stop();
    auto took = std::chrono::steady_clock::now() - before;
    EXPECT_LT(took, milliseconds(100)) << "the player does not sleep out its 5 s wait";
    EXPECT_FALSE(rig.device.playing());

    auto lines = rig.bytes();
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines[0], "90 3C 64");
    EXPECT_EQ(lines[1], "B0 78 00");
    EXPECT_EQ(lines[32], "BF 79 00");

    rig.log->clear();
    ASSERT_TRUE(rig.device.resumePlay(false));
    ASSERT_TRUE(rig.device.waitUntilIdle(5'000'000));
    done = true;
    reader.join();
    EXPECT_EQ(rig.bytes(), (std::vector<std::string>{"90 3C 00", "90 3E 64", "90 3E 00"}));
}

TEST_F(RealTime, DestroyingThePlayingDeviceStopsItsPlayer) {
    auto log = std::make_shared<CaptureLog>();
    {
        auto clock = makeSteadyClock();
        MidiDevice device(makeCaptureDriver(log, clock), clock);
        device.openDevice(-1);
        use(TrackWriter().note(0, 0, 60, 100, 9600));
        device.start(playList, true, false);
        std::this_thread::sleep_for(milliseconds(20));
    }
    auto m = log->messages();
    ASSERT_EQ(m.size(), 33u) << "the note, then silence";
}

TEST(Timing, LenientGuardOnAShortBusySong) {
    test::TimingFigures f = test::measurePlayback(test::timingSongBytes(20));
    ASSERT_GT(f.batches, 100);
    EXPECT_LE(f.p99, 10.0) << "p50 " << f.p50 << " max " << f.max;
    EXPECT_LE(std::abs(f.drift), 10.0);
    EXPECT_GE(f.p50, -0.01) << "batches are never sent early";
}

}  // namespace
}  // namespace tonvela
