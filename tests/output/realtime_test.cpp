// The player on its own thread with the real clock: spacing, an immediate stop, reads from
// other threads while playing (run under ThreadSanitizer), and a lenient timing guard.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
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

TEST(RealTimeEdits, JournaledEditsAndUndoWhilePlayingRaceWithNothingAndLeaveNoNoteOn) {
    // Two tracks of short notes and controllers at a quarter note of 100 ms: about 1.6 s.
    TrackWriter one, two;
    for (int i = 0; i < 64; ++i) {
        one.note(i * 120, 0, 60 + i % 12, 100, 110);
        if (i % 2 == 0) two.note(i * 120, 1, 40 + i % 7, 90, 230).control(i * 120 + 60, 1, 11, 60 + i);
    }
    midiSong song;
    test::load(song, test::smf(1, {TrackWriter().tempo(0, 100000).bytes(), one.bytes(), two.bytes()}));
    CaptureRig rig{makeSteadyClock()};
    ASSERT_TRUE(rig.device.playAll(song, PlayOptions{}));
    int notesInList = 0;
    const std::shared_ptr<const PlayList> list = rig.device.playList();
    for (int i = 0; i < list->size(); ++i) notesInList += list->at(i).kind == PlayKind::noteOn;

    // The editor's thread changes the song through the journal and undoes it, again and again.
    std::atomic<bool> done{false};
    std::atomic<int> rounds{0};
    std::thread editor([&] {
        for (int round = 0; !done.load(); ++round) {
            for (int ti = 1; ti < song.trackCount(); ++ti) {
                midiTrack& t = *song.track(ti);
                std::vector<NoteOnEvent*> notes;
                for (anyEvent* e : t.events())
                    if (e && e->kind() == kindNote) notes.push_back(static_cast<NoteOnEvent*>(e));
                if (notes.size() < 3) continue;
                t.beginUndoStep("Edit");
                for (NoteOnEvent* n : notes) t.setVelocity(n, 1 + round % 127);
                t.removeEvent(notes[static_cast<size_t>(round) % notes.size()]);
                t.moveEvent(notes[(static_cast<size_t>(round) + 1) % notes.size()], 240);
                auto* added = new NoteOnEvent(static_cast<int32_t>(round % 64) * 120, 0x90);
                added->setNote(30);
                added->setVelocity(100);
                added->setDuration(2000);
                t.addEvent(added, true, true);
                t.undo();
            }
            rounds.fetch_add(1);
        }
    });
    const bool finished = rig.device.waitUntilIdle(20'000'000);
    const int roundsWhilePlaying = rounds.load();
    done = true;
    editor.join();
    ASSERT_TRUE(finished);
    EXPECT_GT(roundsWhilePlaying, 3) << "the edits overlapped the play";

    std::map<int, int> sounding;  // channel * 128 + key
    int noteOns = 0;
    for (const auto& m : rig.log->messages()) {
        if (m.bytes.size() != 3 || (m.bytes[0] & 0xE0) != 0x80) continue;
        const int key = (m.bytes[0] & 0x0F) * 128 + m.bytes[1];
        const bool on = (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0;
        noteOns += on;
        sounding[key] += on ? 1 : -1;
        EXPECT_GE(sounding[key], 0) << "a note off without its note on";
    }
    EXPECT_EQ(noteOns, notesInList) << "the play sent the song as it was when it started";
    for (const auto& [key, count] : sounding) EXPECT_EQ(count, 0) << "key " << key % 128 << " left sounding";
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
