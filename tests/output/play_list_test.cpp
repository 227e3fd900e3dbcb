// The three ways of playing on the capture port with the fake clock: which events are played,
// what the chase sends, the resets of Play All, and when each message goes out.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "output/play_list.h"
#include "output_rig.h"
#include "smf_builder.h"
#include "track_writer.h"

namespace tonvela {
namespace {

using test::CaptureRig;
using test::TrackWriter;
using Lines = std::vector<std::string>;

// 4/4 at 480 ticks per quarter and 500000 µs: a bar is 1920 ticks and 2 s.
// Bars below are counted from 0; the screen shows them from 1.
test::Bytes chaseSong() {
    TrackWriter conductor;
    conductor.tempo(0, 500000);
    TrackWriter piano;  // channel 1 (0)
    piano.control(0, 0, 0, 1).program(0, 0, 5).control(0, 0, 7, 80);
    piano.control(3840, 0, 10, 20);           // bar 2
    piano.note(5760, 0, 60, 100, 2880);       // bar 3, sounding into bar 4
    piano.note(7680, 0, 62, 100, 480);        // bar 4
    piano.control(9600, 0, 11, 90);           // bar 5
    piano.note(10560, 0, 64, 100, 1920);      // bar 5, ending in bar 6
    piano.note(11520, 0, 65, 100, 480);       // bar 6
    TrackWriter strings;  // channel 2 (1)
    strings.program(0, 1, 40).note(7680, 1, 48, 100, 960);
    return test::smf(1, {conductor.bytes(), piano.bytes(), strings.bytes()});
}

struct Played {
    Lines chase;  // messages before the first played event
    Lines play;
};

// Splits the capture at the first message sent after the chase's 100 ms pause.
Played split(const CaptureRig& rig, int64_t playStart) {
    Played p;
    for (const auto& m : rig.log->messages()) (m.micros < playStart ? p.chase : p.play).push_back(captureLine(m));
    return p;
}

Lines chaseOf(const Lines& chase, const std::string& channelHex) {
    Lines out;
    for (const std::string& l : chase) {
        std::string bytes = l.substr(l.find(' ') + 1);
        if (bytes[1] == channelHex[0]) out.push_back(bytes);
    }
    return out;
}

class PlayModes : public testing::Test {
protected:
    void SetUp() override {
        test::load(song, chaseSong());
        rig.device.hooks.endOfPlay = [this] { ++ends; };
        rig.device.hooks.status = [this](const std::string& s) { statuses.push_back(s); };
    }
    midiSong song;
    CaptureRig rig;
    int ends = 0;
    Lines statuses;
};

TEST_F(PlayModes, SelectionFromBarFiveChasesAndPlaysOnlyItsBars) {
    // Screen bars 5-6 of track 1.
    ASSERT_TRUE(rig.device.playSelectedPart(song, Selection{1, 1, 4, 5}, PlayOptions{}));
    Played p = split(rig, 100000);
    EXPECT_EQ(chaseOf(p.chase, "0"), (Lines{"B0 00 01", "C0 05", "B0 07 50", "B0 01 00", "B0 0A 14", "B0 0B 7F",
                                            "B0 65 00", "B0 64 00", "B0 06 02", "E0 00 40"}));
    EXPECT_EQ(chaseOf(p.chase, "9"),
              (Lines{"B9 07 64", "B9 01 00", "B9 0A 40", "B9 0B 7F", "B9 65 00", "B9 64 00", "B9 06 02", "E9 00 40"}))
        << "no program on the drum channel";
    EXPECT_EQ(chaseOf(p.chase, "1")[0], "C1 00") << "track 2 is not selected: channel 2 keeps its defaults";
    for (const std::string& l : p.chase) EXPECT_EQ(l.substr(0, 2), "0 ");
    EXPECT_EQ(p.play, (Lines{"100000 90 3E 64",     // bar 4: the note of bar 3 is not heard
                             "600000 90 3E 00",
                             "2100000 B0 0B 5A",
                             "3100000 90 40 64",    // the last bar's note ...
                             "5100000 90 40 00"}))  // ... to its full length
        << "nothing of bar 6, nothing of track 2";
    EXPECT_EQ(statuses, (Lines{"Making Play List...", "Preparing...", "Playing..."}));
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(rig.device.playing());
}

TEST_F(PlayModes, AllTracksPlaysEveryTrackOfTheSelectedBars) {
    PlayOptions o;
    o.allTracks = true;
    ASSERT_TRUE(rig.device.playSelectedPart(song, Selection{1, 1, 4, 4}, o));
    Played p = split(rig, 100000);
    EXPECT_EQ(chaseOf(p.chase, "1")[0], "C1 28");
    EXPECT_EQ(p.play, (Lines{"100000 90 3E 64", "100000 91 30 64", "600000 90 3E 00", "1100000 91 30 00"}));
}

TEST_F(PlayModes, PlayFromGoesToTheEndOverAllTracks) {
    ASSERT_TRUE(rig.device.playFrom(song, 4, PlayOptions{}));
    Played p = split(rig, 100000);
    EXPECT_EQ(chaseOf(p.chase, "1")[0], "C1 28");
    EXPECT_EQ(p.play, (Lines{"100000 90 3E 64", "100000 91 30 64", "600000 90 3E 00", "1100000 91 30 00",
                             "2100000 B0 0B 5A", "3100000 90 40 64", "4100000 90 41 64", "4600000 90 41 00",
                             "5100000 90 40 00"}));
}

TEST_F(PlayModes, ChasedStatesStayForLaterPlays) {
    ASSERT_TRUE(rig.device.playFrom(song, 6, PlayOptions{}));
    rig.log->clear();
    // Bar 0 only: nothing before it is fed, yet bar 2's pan chased by the first play stays.
    ASSERT_TRUE(rig.device.playSelectedPart(song, Selection{1, 1, 0, 0}, PlayOptions{}));
    EXPECT_EQ(chaseOf(split(rig, INT64_MAX).chase, "0")[4], "B0 0A 14");
}

struct ResetCase {
    bool gm;
    SystemMode system;
    Lines resets;
};

TEST_F(PlayModes, PlayAllSendsTheResetsThenTheSongFromTheStartWithoutChase) {
    const std::string gm = "F0 7E 7F 09 01 F7", xg = "F0 43 10 4C 00 00 7E 00 F7",
                      gs = "F0 41 10 42 12 40 00 7F 00 41 F7";
    const ResetCase cases[] = {
        {false, SystemMode::none, {}},
        {true, SystemMode::none, {gm}},
        {true, SystemMode::xg, {gm, gm, xg}},
        {true, SystemMode::gs, {gm, gm, gs}},
        {false, SystemMode::xg, {xg}},
        {false, SystemMode::gs, {gs}},
    };
    for (const ResetCase& c : cases) {
        CaptureRig r;
        ControlChangeEvent loud(0, 0xB3);
        loud.setController(7);
        loud.setValue(3);
        r.device.sendEvent(loud);
        r.log->clear();
        int endCalls = 0;
        r.device.hooks.endOfPlay = [&] { ++endCalls; };
        PlayOptions o;
        o.gmOn = c.gm;
        o.system = c.system;
        ASSERT_TRUE(r.device.playAll(song, o));
        Played p = split(r, 50000);
        Lines resets;
        for (const std::string& l : p.chase) resets.push_back(l.substr(2));
        EXPECT_EQ(resets, c.resets) << "case " << (&c - cases);
        ASSERT_FALSE(p.play.empty());
        EXPECT_EQ(p.play.front(), "50000 B0 00 01") << "the song's first event after the 50 ms pause";
        EXPECT_EQ(p.play.back(), "13050000 90 40 00");
        EXPECT_EQ(endCalls, 1) << "the resets are not plays of their own";
        EXPECT_EQ(r.device.channelState(3).controller(7), 100) << "channel states reset";
    }
}

TEST_F(PlayModes, NothingInTheSelectionPlaysNothing) {
    // Track 1's only event is in bar 3; bar 0 has nothing, not even a tempo.
    test::Bytes empty = test::smf(1, {TrackWriter().bytes(), TrackWriter().control(5760, 0, 1, 1).bytes()});
    midiSong s;
    test::load(s, empty);
    EXPECT_FALSE(rig.device.playSelectedPart(s, Selection{1, 1, 0, 0}, PlayOptions{}));
    EXPECT_TRUE(rig.log->messages().empty());
    EXPECT_EQ(statuses, (Lines{"Making Play List..."}));
}

TEST_F(PlayModes, LeadInFeedsWhatComesBeforeEachTracksFirstNote) {
    feedLeadIn(song, rig.device);
    EXPECT_EQ(rig.device.channelState(0).program, 5);
    EXPECT_EQ(rig.device.channelState(0).controller(7), 80);
    EXPECT_EQ(rig.device.channelState(0).controller(10), 20) << "bar 2 is still before the first note";
    EXPECT_EQ(rig.device.channelState(1).program, 40);
    EXPECT_TRUE(rig.log->messages().empty());
}

TEST(LeadIn, FeedsWhatComesBeforeTheFirstNoteInListOrderItsOwnTickIncluded) {
    TrackWriter one;  // channel 1: program and volume on the first note's tick, pan after the note
    one.program(480, 0, 24).control(480, 0, 7, 70).note(480, 0, 60, 100, 10).control(480, 0, 10, 5);
    TrackWriter two;  // channel 2, no notes: fed up to the song's first note tick
    two.program(0, 1, 48).control(480, 1, 7, 60).control(481, 1, 10, 6);
    TrackWriter three;  // channel 3: an empty slot between its settings
    three.control(0, 2, 0, 8).control(0, 2, 11, 50).program(0, 2, 33).note(960, 2, 40, 100, 10);
    midiSong song;
    test::load(song, test::smf(1, {TrackWriter().bytes(), one.bytes(), two.bytes(), three.bytes()}));
    song.track(3)->deleteEventAt(1);
    CaptureRig rig;
    feedLeadIn(song, rig.device);
    const MidiChannel c1 = rig.device.channelState(0), c2 = rig.device.channelState(1), c3 = rig.device.channelState(2);
    EXPECT_EQ(c1.program, 24);
    EXPECT_EQ(c1.controller(7), 70);
    EXPECT_EQ(c1.controller(10), 64) << "after the first note in the list";
    EXPECT_EQ(c2.program, 48);
    EXPECT_EQ(c2.controller(7), 60);
    EXPECT_EQ(c2.controller(10), 64) << "after the song's first note";
    EXPECT_EQ(c3.bankMsb(), 8);
    EXPECT_EQ(c3.program, 33) << "an empty slot does not end the walk";
    EXPECT_EQ(c3.controller(11), 127);
    EXPECT_TRUE(rig.log->messages().empty());
}

TEST(SelectionList, ATrackLeftOutOfOrderIsWalkedToItsEnd) {
    midiSong song;
    test::load(song, test::smf(1, {TrackWriter().bytes(),
                                   TrackWriter().control(0, 0, 1, 1).control(480, 0, 1, 2).control(960, 0, 1, 3).bytes()}));
    midiTrack& t = *song.track(1);
    t.beginUndoStep("Move");
    t.moveEvent(t.at(0), 5000);  // now in bar 3 but still first in the list
    ASSERT_FALSE(t.orderKnown());
    CaptureRig rig;
    rig.device.start(buildSelectionList(song, Selection{1, 1, 0, 0}, false, rig.device), false, false);
    EXPECT_EQ(rig.lines(), (Lines{"0 B0 01 02", "500000 B0 01 03"}));
}

// A volume change moved from tick 0 to 960 and the move undone: the chase of bar 2 sends the
// volume in force there (80, set at 480), as before the move.
TEST_F(PlayModes, TheChaseAfterAnUndoneMoveSendsWhatWasInForce) {
    midiSong moved;
    test::load(moved, test::smf(1, {TrackWriter().bytes(),
                                    TrackWriter().control(0, 0, 7, 100).control(480, 0, 7, 80).note(1920, 0, 60, 100, 480).bytes()}));
    midiTrack& t = *moved.track(1);
    t.beginUndoStep("Modify Control");
    t.setEventTime(t.at(0), 960);
    t.sortEvents();
    t.undo();
    ASSERT_TRUE(rig.device.playSelectedPart(moved, Selection{1, 1, 1, 1}, PlayOptions{}));
    const Lines chase = chaseOf(split(rig, 100000).chase, "0");
    EXPECT_NE(std::find(chase.begin(), chase.end(), "B0 07 50"), chase.end());
    EXPECT_EQ(std::find(chase.begin(), chase.end(), "B0 07 64"), chase.end());
}

// The order a play list must have is the song's own: notes split into note on and note off,
// sorted by time and creation (midiTrack::splitNotes). Random songs, some tracks out of order.
TEST(PlayListOrder, MatchesTheSongsOwnSplitOfNotesOnRandomSongs) {
    std::mt19937 random(7);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 40; ++round) {
        std::vector<test::Bytes> tracks{TrackWriter().tempo(0, 500000).tempo(pick(4000), 300000).bytes()};
        for (int t = 0, n = 1 + pick(4); t < n; ++t) {
            TrackWriter w;
            for (int i = 0, events = pick(60); i < events; ++i) {
                const int time = pick(3000), channel = pick(3);
                if (pick(3) == 0)
                    w.control(time, channel, pick(128), pick(128));
                else
                    w.note(time, channel, 40 + pick(30), 1 + pick(127), pick(4) == 0 ? 0 : pick(600));
            }
            tracks.push_back(w.bytes());
        }
        test::Bytes file = test::header(1, static_cast<int>(tracks.size()));
        for (const test::Bytes& t : tracks) {
            const test::Bytes chunk = test::trackChunk(t);
            file.insert(file.end(), chunk.begin(), chunk.end());
        }
        midiSong song;
        test::load(song, file);
        if (song.trackCount() > 1 && song.track(1)->countEvents() > 2) {
            midiTrack& t = *song.track(1);
            t.beginUndoStep("Move");
            t.moveEvent(t.at(1), 700);  // the track is now out of order
        }

        midiTrack reference(&song, 0, "");
        for (int i = 0; i < song.trackCount(); ++i)
            for (anyEvent* e : song.track(i)->events())
                if (e && !e->isTrackEnd()) reference.appendEvent(e);
        reference.paired = true;
        reference.splitNotes();
        std::vector<std::string> expected, built;
        for (const anyEvent* e : reference.events()) {
            std::string bytes;
            const PlayMessage m = playMessageOf(*e, bytes);
            expected.push_back(std::to_string(m.time) + " " + std::to_string(m.status) + " " +
                               std::to_string(m.data1) + " " + std::to_string(m.data2));
        }
        const auto list = buildAllList(song);
        for (int i = 0; i < list->size(); ++i) {
            const PlayMessage& m = list->at(i);
            built.push_back(std::to_string(m.time) + " " + std::to_string(m.status) + " " + std::to_string(m.data1) +
                            " " + std::to_string(m.data2));
        }
        ASSERT_EQ(built, expected) << "round " << round;
    }
}

TEST_F(PlayModes, WithoutAnOpenPortNothingPlaysAndNothingSaysPlaying) {
    rig.device.closeDevice();
    EXPECT_FALSE(rig.device.playSelectedPart(song, Selection{1, 1, 4, 5}, PlayOptions{}));
    EXPECT_FALSE(rig.device.playFrom(song, 0, PlayOptions{}));
    EXPECT_FALSE(rig.device.playAll(song, PlayOptions{}));
    EXPECT_FALSE(rig.device.playing());
    EXPECT_FALSE(rig.device.canResume());
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "Playing..."), 0);
    EXPECT_EQ(ends, 0);
}

TEST_F(PlayModes, TempoOverrideReplacesTheSongsTempoFromTheStart) {
    PlayOptions o;
    o.tempo = 250000;
    std::vector<int32_t> tempos;
    rig.device.hooks.tempoChange = [&](int32_t t) { tempos.push_back(t); };
    ASSERT_TRUE(rig.device.playAll(song, o));
    EXPECT_EQ(tempos, (std::vector<int32_t>{500000, 250000})) << "the song's tempo at 0, then the override";
    EXPECT_EQ(split(rig, 50000).play.back(), "6550000 90 40 00") << "twice as fast";
}

}  // namespace
}  // namespace tonvela

namespace tonvela {
namespace {

// A tool's work track plays alone: from its first event at once after the chase, with the
// sound of its track chased and the song's tempo changes over its span.
TEST(WorkTrackPlay, PlaysTheWorkTrackAloneWithItsTracksSoundAndTheTempoChanges) {
    test::TrackWriter conductor;
    conductor.tempo(0, 500000).tempo(8160, 250000).tempo(20000, 1000000);
    test::TrackWriter piano;  // channel 1 (0)
    piano.program(0, 0, 5).control(3840, 0, 10, 20).note(7680, 0, 62, 100, 480);
    midiSong song;
    test::load(song, test::smf(1, {conductor.bytes(), piano.bytes()}));
    midiTrack work(&song, 0, "");
    auto* note = new NoteOnEvent(7680, 0x90);
    note->setNote(70);
    note->setVelocity(90);
    note->setDuration(960);
    work.appendEvent(note);
    auto* bend = new PitchBendEvent(8160, 0xE0);
    bend->setBend(4096);
    work.appendEvent(bend);

    CaptureRig rig;
    std::vector<std::string> statuses;
    rig.device.hooks.status = [&](const std::string& s) { statuses.push_back(s); };
    ASSERT_TRUE(rig.device.playWorkTrack(song, work, 1, PlayOptions{}));
    Played p = split(rig, 100000);
    const Lines chase = chaseOf(p.chase, "0");
    ASSERT_GE(chase.size(), 3u);
    EXPECT_EQ(chase[0], "C0 05") << "the program of the work track's song track";
    EXPECT_EQ(std::count(chase.begin(), chase.end(), "B0 0A 14"), 1) << "its pan";
    EXPECT_EQ(p.play, (Lines{"100000 90 46 5A",     // the work track's note, not the song's
                             "600000 E0 00 60",
                             "850000 90 46 00"}))   // at the doubled tempo from tick 8160
        << "nothing of the song's own notes, no tempo change after the span";
    EXPECT_EQ(statuses, (Lines{"Making Play List...", "Preparing...", "Playing..."}));

    midiTrack empty(&song, 0, "");
    rig.log->clear();
    EXPECT_FALSE(rig.device.playWorkTrack(song, empty, 1, PlayOptions{}));
    EXPECT_TRUE(rig.log->messages().empty());
}

}  // namespace
}  // namespace tonvela
