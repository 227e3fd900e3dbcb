// The set-up manager's reading and writing: exact events for a clean song, a messy head, several
// channels and the halfway setup; the bend range rescale; refusals; undo.

#include <gtest/gtest.h>

#include <set>

#include "setup_fixture.h"
#include "setup/setup_manager.h"
#include "song/song_copy.h"
#include "song/system_flags.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

// The events of one channel of a track as eventText lines (notes without velocity and length).
Events channelLines(const midiTrack& t, int channel) {
    Events out;
    for (const anyEvent* e : t.events()) {
        if (!e || e->channelOf() != channel) continue;
        std::string line = eventText(*e);
        if (e->kind() == kindNote) line = line.substr(0, line.rfind(' ', line.rfind(' ') - 1));
        out.push_back(line);
    }
    return out;
}

// The set-up of every channel in use, as the command line's --write and a user pressing Set on
// each channel without changes do.
std::vector<SetupResult> setEveryChannel(midiSong& song) {
    const std::vector<int> channels = channelsInUse(song);
    std::vector<SetupResult> results;
    for (size_t i = 0; i < channels.size(); ++i) {
        const ChannelSetup found = readSetup(song, channels[i], SetupMode::head);
        results.push_back(writeSetup(song, headRequest(song, found, static_cast<int>(i), static_cast<int>(channels.size()))));
    }
    return results;
}

void undoAll(midiSong& song) {
    for (int t = 0; t < song.trackCount(); ++t)
        while (song.track(t)->undoCount() > 0) song.track(t)->undo();
}

// Channels 1, 2, 3 and 10 each on their own track, notes from bar 2: room for the set-up.
void loadCleanSong(midiSong& song) {
    TrackWriter a, b, c, d;
    a.note(1920, 0, 60, 100, 480);
    b.note(1920, 1, 62, 100, 480);
    c.note(1920, 2, 64, 100, 480);
    d.note(1920, 9, 36, 100, 120);
    loadSong(song, {a, b, c, d});
}

TEST(SetupManager, CleanSongGetsAStaggeredSetupOfTheStarredValues) {
    midiSong song;
    loadCleanSong(song);
    const std::string before = dumpSong(song);
    // 480 ticks at 120 bpm, four channels: step 2, 55 ms = 52 ticks, start 54, interval 8.
    const SetupTiming third = headTiming(song, 2, 4);
    EXPECT_EQ(third.start, 54);
    EXPECT_EQ(third.interval, 8);
    EXPECT_EQ(third.offset, 4);

    const std::vector<SetupResult> results = setEveryChannel(song);
    const Events expected[4] = {
        {"C 54 1 0 0", "C 62 1 32 0", "P 70 1 0", "C 78 1 7 100", "C 86 1 11 127", "C 94 1 10 64", "C 102 1 91 40",
         "C 110 1 93 0", "N 1920 1 60"},
        {"C 56 2 0 0", "C 64 2 32 0", "P 72 2 0", "C 80 2 7 100", "C 88 2 11 127", "C 96 2 10 64", "C 104 2 91 40",
         "C 112 2 93 0", "N 1920 2 62"},
        {"C 58 3 0 0", "C 66 3 32 0", "P 74 3 0", "C 82 3 7 100", "C 90 3 11 127", "C 98 3 10 64", "C 106 3 91 40",
         "C 114 3 93 0", "N 1920 3 64"},
        // The drum channel: no bank select, the kit at tick 0; its other events keep their places.
        {"P 0 10 0", "C 68 10 7 100", "C 76 10 11 127", "C 84 10 10 64", "C 92 10 91 40", "C 100 10 93 0",
         "N 1920 10 36"},
    };
    const int channels[4] = {0, 1, 2, 9};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(channelLines(*song.track(i + 1), channels[i]), expected[i]);
        EXPECT_EQ(song.track(i + 1)->undoLabel(), "Setup Manager");
        EXPECT_EQ(results[static_cast<size_t>(i)].tracks, std::vector<int>{i + 1});
        EXPECT_FALSE(results[static_cast<size_t>(i)].packed);
        expectValidMidi(*song.track(i + 1));
    }
    // No two channels share a tick.
    std::set<int32_t> ticks;
    int events = 0;
    for (int t = 1; t <= 4; ++t)
        for (const anyEvent* e : song.track(t)->events())
            if (e && e->time > 0 && (e->kind() == kindControl || e->kind() == kindProgram)) {
                ticks.insert(e->time);
                ++events;
            }
    EXPECT_EQ(static_cast<int>(ticks.size()), events);

    undoAll(song);
    EXPECT_EQ(dumpSong(song), before);
}

TEST(SetupManager, MessyHeadIsReadWithItsOwnEventsOnly) {
    midiSong song;
    loadMessySong(song);
    const ChannelSetup s = readSetup(song, 0, SetupMode::head);
    EXPECT_EQ(s.tracks, std::vector<int>{1});
    EXPECT_EQ(s.firstNote, 1920);
    EXPECT_FALSE(s.drumPart);
    Events found;
    for (const anyEvent* e : s.found) found.push_back(eventText(*e));
    EXPECT_EQ(found, (Events{"C 0 1 7 90", "P 10 1 5", "C 10 1 11 100", "C 20 1 99 1", "C 20 1 98 100", "C 20 1 6 30",
                             "C 30 1 101 0", "C 30 1 100 0", "C 30 1 6 12", "C 30 1 38 0", "C 35 1 101 127",
                             "C 35 1 100 127", "C 40 1 74 64"}));
    const SetupValues& v = s.values;
    EXPECT_EQ(v[setupProgram], 5);
    EXPECT_EQ(v[setupVolume], 90);
    EXPECT_EQ(v[setupExpression], 100);
    EXPECT_EQ(v[setupPan], 64);
    EXPECT_EQ(v[setupBrightness], 64);
    EXPECT_EQ(v[setupDecay], 30);
    EXPECT_EQ(v[setupBendRange], 12);
    EXPECT_TRUE(s.set[setupBrightness]);
    EXPECT_FALSE(s.set[setupPan]);
    EXPECT_FALSE(s.set[setupBankMsb]);
}

TEST(SetupManager, MessyHeadBecomesCleanAndUndoGivesItBack) {
    midiSong song;
    loadMessySong(song);
    const std::string before = dumpSong(song);
    const std::vector<SetupResult> results = setEveryChannel(song);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].removed, 13);
    // Two channels: start 54, interval 4; channel 1 first.
    EXPECT_EQ(channelLines(*song.track(1), 0),
              (Events{"C 15 1 64 127", "C 25 1 99 1", "C 25 1 98 99", "C 25 1 6 5",  // not set-up events: kept
                      "C 54 1 0 0", "C 58 1 32 0", "P 62 1 5", "C 66 1 7 90", "C 70 1 11 100", "C 74 1 10 64",
                      "C 78 1 91 40", "C 82 1 93 0",
                      "C 86 1 74 64",  // the song set it: kept although it is the default
                      "C 90 1 99 1", "C 94 1 98 100", "C 98 1 6 30", "C 102 1 101 0", "C 106 1 100 0", "C 110 1 6 12",
                      "C 114 1 101 127", "C 118 1 100 127", "N 1920 1 60", "C 1930 1 7 80"}));
    // Channel 2's volume at tick 5 was not channel 1's to replace; it is replaced by its own Set.
    EXPECT_EQ(channelLines(*song.track(1), 1),
              (Events{"C 56 2 0 0", "C 60 2 32 0", "P 64 2 0", "C 68 2 7 50", "C 72 2 11 127", "C 76 2 10 64",
                      "C 80 2 91 40", "C 84 2 93 0", "N 1920 2 48"}));
    expectValidMidi(*song.track(1));
    const std::string after = dumpSong(song);

    // Pressing Set again without changes writes the same set-up.
    setEveryChannel(song);
    EXPECT_EQ(dumpSong(song), after);

    midiTrack& t = *song.track(1);
    t.undo();
    t.undo();
    EXPECT_EQ(dumpSong(song), after);
    t.undo();
    t.undo();
    EXPECT_EQ(dumpSong(song), before);
    EXPECT_EQ(t.undoCount(), 0);
    t.redo();
    t.redo();
    EXPECT_EQ(dumpSong(song), after);
}

SetupRequest halfwayRequest(const midiSong& song, int32_t at) {
    SetupRequest q;
    q.channel = 0;
    q.track = 1;
    q.mode = SetupMode::halfway;
    q.values = readSetup(song, 0, SetupMode::halfway, at).values;
    q.timing = {at, 0, 0};
    return q;
}

TEST(SetupManager, HalfwayWritesOnlyTheDifferencesBeforeTheNotesOfItsTick) {
    struct Case {
        const char* name;
        std::function<void(SetupValues&)> change;
        Events written;  // track 1's channel events on tick 3840
    } cases[] = {
        {"volume", [](SetupValues& v) { v[setupVolume] = 70; }, {"C 3840 1 7 70", "N 3840 1 62", "C 3840 1 11 80"}},
        // The song's own expression on the tick would follow the new one and undo it: it goes.
        {"expression", [](SetupValues& v) { v[setupExpression] = 100; }, {"C 3840 1 11 100", "N 3840 1 62"}},
        {"bank alone", [](SetupValues& v) { v[setupBankMsb] = 8; },
         {"C 3840 1 0 8", "C 3840 1 32 0", "P 3840 1 5", "N 3840 1 62", "C 3840 1 11 80"}},
        {"decay and range", [](SetupValues& v) { v[setupDecay] = 90; v[setupBendRange] = 12; },
         {"C 3840 1 99 1", "C 3840 1 98 100", "C 3840 1 6 90", "C 3840 1 101 0", "C 3840 1 100 0", "C 3840 1 6 12",
          "C 3840 1 101 127", "C 3840 1 100 127", "N 3840 1 62", "C 3840 1 11 80"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        loadHalfwaySong(song);
        const std::string before = dumpSong(song);
        const ChannelSetup inForce = readSetup(song, 0, SetupMode::halfway, 3840);
        EXPECT_EQ(inForce.values[setupProgram], 5);
        EXPECT_EQ(inForce.values[setupVolume], 90);
        EXPECT_EQ(inForce.values[setupExpression], 80) << "the bar's own first tick counts";
        EXPECT_EQ(inForce.found.size(), 1u) << "the expression set on the tick";
        SetupRequest q = halfwayRequest(song, 3840);
        c.change(q.values);
        const SetupResult r = writeSetup(song, q);
        // The other track's note on the tick is made again after the set-up too.
        EXPECT_EQ(r.tracks, (std::vector<int>{1, 2}));
        Events onTick;
        for (const std::string& line : channelLines(*song.track(1), 0))
            if (line.find(" 3840 ") != std::string::npos) onTick.push_back(line);
        EXPECT_EQ(onTick, c.written);
        // Saved as one track, the set-up still comes before both notes of the tick.
        const std::unique_ptr<midiSong> copy = copySong(song);
        copy->format = 0;
        const Bytes file = save(*copy);
        midiSong reloaded;
        load(reloaded, file);
        Events order;
        for (const auto& t : reloaded.tracks)
            for (const std::string& line : channelLines(*t, 0))
                if (line.find(" 3840 ") != std::string::npos) order.push_back(line);
        Events expected = c.written;
        expected.insert(expected.end(), "N 3840 1 67");
        EXPECT_EQ(order, expected);
        undoAll(song);
        EXPECT_EQ(dumpSong(song), before);
    }
}

TEST(SetupManager, HalfwayWithNothingChangedWritesNothing) {
    midiSong song;
    loadHalfwaySong(song);
    expectNothingChanged(song, 1, [&] {
        const SetupResult r = writeSetup(song, halfwayRequest(song, 3840));
        EXPECT_EQ(r.written, 0);
        EXPECT_TRUE(r.tracks.empty());
    });
}

// Channel 1 with a bend range of 12 at the head, bends in two tracks, and a range of 2 from bar
// 5 with a bend after it; channel 2's bend shares track 1.
void loadBendSong(midiSong& song) {
    TrackWriter a, b;
    a.control(0, 0, 101, 0).control(0, 0, 100, 0).control(0, 0, 6, 12);
    a.note(1920, 0, 60, 100, 480).bend(1920, 0, 8192 + 4096).bend(1930, 0, 0).bend(1940, 0, 16383);
    a.bend(1920, 1, 8192 + 4096).note(1920, 1, 50, 100, 480);
    a.control(7680, 0, 101, 0).control(7680, 0, 100, 0).control(7680, 0, 6, 2).bend(7700, 0, 8192 + 4096);
    b.note(2000, 0, 64, 100, 480).bend(2000, 0, 8192 + 1000);
    loadSong(song, {a, b});
}

TEST(SetupManager, BendRangeChangeRescalesTheChannelsBendsUntilItsNextRange) {
    struct Case {
        int shown, wanted;
        bool rescale;
        int count;
        Events channel1;  // track 1's channel 1 bends
        Events track2;
    } cases[] = {
        {12, 24, true, 4, {"B 1920 1 2048", "B 1930 1 -4096", "B 1940 1 4095", "B 7700 1 4096"}, {"B 2000 1 500"}},
        {12, 6, true, 2, {"B 1920 1 8191", "B 1930 1 -8192", "B 1940 1 8191", "B 7700 1 4096"}, {"B 2000 1 2000"}},
        {12, 24, false, 4, {"B 1920 1 4096", "B 1930 1 -8192", "B 1940 1 8191", "B 7700 1 4096"}, {"B 2000 1 1000"}},
        {12, 0, true, 0, {"B 1920 1 4096", "B 1930 1 -8192", "B 1940 1 8191", "B 7700 1 4096"}, {"B 2000 1 1000"}},
        {0, 12, true, 0, {"B 1920 1 4096", "B 1930 1 -8192", "B 1940 1 8191", "B 7700 1 4096"}, {"B 2000 1 1000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.shown) + " -> " + std::to_string(c.wanted));
        midiSong song;
        loadBendSong(song);
        const std::string before = dumpSong(song);
        const ChannelSetup found = readSetup(song, 0, SetupMode::head);
        EXPECT_EQ(found.values[setupBendRange], 12);
        SetupRequest q = headRequest(song, found, 0, 2);
        q.shownBendRange = c.shown;
        q.values[setupBendRange] = c.wanted;
        q.rescaleBends = c.rescale;
        EXPECT_EQ(bendsToRescale(song, q), c.count);
        writeSetup(song, q);
        const auto bends = [](const midiTrack& t, int channel) {
            Events out;
            for (const anyEvent* e : t.events())
                if (e && e->kind() == kindPitchBend && e->channelOf() == channel) out.push_back(eventText(*e));
            return out;
        };
        EXPECT_EQ(bends(*song.track(1), 0), c.channel1);
        EXPECT_EQ(bends(*song.track(2), 0), c.track2);
        EXPECT_EQ(bends(*song.track(1), 1), Events{"B 1920 2 4096"});
        expectValidMidi(*song.track(1));
        undoAll(song);
        EXPECT_EQ(dumpSong(song), before) << "the bends come back with the undo";
    }
}

TEST(SetupManager, RefusedRequestsChangeNothing) {
    struct Case {
        const char* name;
        std::function<void(SetupRequest&)> spoil;
        const char* message;
    } cases[] = {
        {"volume", [](SetupRequest& q) { q.values[setupVolume] = 128; }, "Volume(7) must be from 0 to 127 (not 128)."},
        {"bank", [](SetupRequest& q) { q.values[setupBankLsb] = -2; }, "Bank Select LSB must be from -1 to 127 (not -2)."},
        {"range", [](SetupRequest& q) { q.values[setupBendRange] = 25; },
         "Pitchbend Sensitivity must be from 0 to 24 (not 25)."},
        {"interval", [](SetupRequest& q) { q.timing.interval = -1; },
         "Start Time, Interval and Channel Offset must be 0 or more."},
        {"end", [](SetupRequest& q) { q.timing = {2147483600, 100, 0}; },
         "The set-up would end past the last tick a song can hold."},
        {"track", [](SetupRequest& q) { q.track = 7; }, "The song has no track 7."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        loadMessySong(song);
        SetupRequest q = headRequest(song, readSetup(song, 0, SetupMode::head), 0, 2);
        q.rescaleBends = true;
        q.values[setupBendRange] = 24;
        c.spoil(q);
        expectNothingChanged(song, 1, [&] {
            try {
                writeSetup(song, q);
                ADD_FAILURE() << "accepted";
            } catch (const MidiError& e) {
                EXPECT_EQ(e.message(), c.message);
            }
        });
    }
}

TEST(SetupManager, DrumPartsShowKitsAndKeepHowTheyBecameDrums) {
    const Bytes xgOn = {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
    const Bytes partMode = {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x02, 0x07, 0x02, 0xF7};
    struct Case {
        const char* name;
        int channel;
        std::vector<Bytes> sysex;  // at tick 0 of the conductor track
        int bankMsb;               // -1: none
        bool drum, sendBank, atZero;
        int shownMsb;
    } cases[] = {
        {"drum channel", 9, {}, -1, true, false, true, 0},
        {"drum channel, XG", 9, {xgOn}, -1, true, false, true, 127},
        {"XG drum bank", 2, {xgOn}, 127, true, true, true, 127},
        {"XG part mode", 2, {xgOn, partMode}, -1, true, false, true, 127},
        {"normal part", 2, {xgOn}, -1, false, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrackWriter conductor, t;
        for (const Bytes& s : c.sysex) conductor.at(0, s);
        if (c.bankMsb >= 0) t.control(0, c.channel, 0, c.bankMsb);
        t.program(0, c.channel, 8).note(1920, c.channel, 40, 100, 120);
        midiSong song;
        loadSong(song, {t}, 4, conductor);
        const ChannelSetup s = readSetup(song, c.channel, SetupMode::head);
        EXPECT_EQ(s.drumPart, c.drum);
        EXPECT_EQ(s.values[setupBankMsb], c.shownMsb);
        const SetupRequest q = headRequest(song, s, 0, 1);
        EXPECT_EQ(q.sendBankSelect, c.sendBank);
        EXPECT_EQ(q.setAtZero, c.atZero);
    }
}

TEST(SetupManager, HeadTimingWaitsForTheSystemExclusiveOfTheFirstBar) {
    const Bytes gsLike = {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x00, 0x0F, 0xF7};
    const Bytes xgDisplay = {0xF0, 0x09, 0x43, 0x10, 0x4C, 0x06, 0x00, 0x00, 0x41, 0x42, 0xF7};
    struct Case {
        std::vector<std::pair<int32_t, Bytes>> sysex;
        int32_t start;
    } cases[] = {
        {{}, 54},
        {{{200, gsLike}}, 202},
        {{{200, gsLike}, {300, xgDisplay}}, 202},  // the display text needs no time
        {{{2000, gsLike}}, 54},                     // past the first bar
    };
    for (const Case& c : cases) {
        TrackWriter conductor, t;
        for (const auto& [time, bytes] : c.sysex) conductor.at(time, bytes);
        t.note(3840, 0, 60, 100, 480);
        midiSong song;
        loadSong(song, {t}, 4, conductor);
        EXPECT_EQ(headTiming(song, 1, 3).start, c.start);
        EXPECT_EQ(headTiming(song, 1, 3).interval, 6);
        EXPECT_EQ(headTiming(song, 1, 3).offset, 2);
    }
}

// A song whose notes start at tick 0 (the user kept it without a leading bar): the set-up goes
// on tick 0, before the notes, never after them.
TEST(SetupManager, NoRoomBeforeTheFirstNotePacksTheSetupAheadOfIt) {
    TrackWriter t;
    t.program(0, 0, 40).note(0, 0, 60, 100, 480).control(0, 0, 11, 70).note(480, 0, 62, 100, 480);
    midiSong song;
    loadSong(song, {t});
    EXPECT_TRUE(notesInFirstBeat(song));
    const std::vector<SetupResult> r = setEveryChannel(song);
    EXPECT_TRUE(r[0].packed);
    const Bytes file = save(song);
    midiSong reloaded;
    load(reloaded, file);
    EXPECT_EQ(channelLines(*reloaded.track(1), 0),
              (Events{"C 0 1 0 0", "C 0 1 32 0", "P 0 1 40", "C 0 1 7 100", "C 0 1 11 127", "C 0 1 10 64",
                      "C 0 1 91 40", "C 0 1 93 0", "N 0 1 60", "C 0 1 11 70", "N 480 1 62"}));
}

}  // namespace
