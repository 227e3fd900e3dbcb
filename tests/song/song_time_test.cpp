#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>

#include "smf_builder.h"
#include "track_writer.h"
#include "song/song.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

// A song with one track holding the given meta/channel bytes, ending at `end` ticks.
void loadWith(midiSong& song, Bytes events, int division = 480) {
    load(song, smf(1, {events}, division));
}

}  // namespace

TEST(SongTime, BarTableEndsWithTheBarAfterTheSongTwice) {
    struct Case {
        int end;
        std::vector<int32_t> bars;
    } cases[] = {{1000, {0, 1920, 1920}}, {1920, {0, 1920, 3840, 3840}}, {0, {0, 1920, 1920}}};
    for (const auto& c : cases) {
        midiSong song;
        Bytes ev;
        ByteWriter w(ev);
        w.putVarLen(static_cast<uint32_t>(c.end));
        ev.insert(ev.end(), {0xFF, 0x01, 0x00});
        loadWith(song, ev);
        EXPECT_EQ(song.barStarts, c.bars) << c.end;
        EXPECT_EQ(song.songEnd, c.end);
    }
}

TEST(SongTime, BarBeatTickFollowsTimeSignatures) {
    midiSong song;
    // 3/4 at 0, then 6/8 at bar 2 (tick 2880); the song runs to tick 10000.
    loadWith(song, {0x00, 0xFF, 0x58, 0x04, 3, 2, 24, 8, 0x96, 0x40, 0xFF, 0x58, 0x04, 6, 3, 24, 8, 0xCE, 0x10, 0xFF,
                    0x01, 0x00});
    struct Case {
        int32_t time;
        BarBeatTick bbt;
    } cases[] = {{1440, {1, 0, 0}}, {1500, {1, 0, 60}}, {2879, {1, 2, 479}}, {2880, {2, 0, 0}}, {3130, {2, 1, 10}},
                 {4320, {3, 0, 0}}};
    for (const auto& c : cases) {
        BarBeatTick b = song.timeToBarBeatTick(c.time);
        EXPECT_EQ(b.bar, c.bbt.bar) << c.time;
        EXPECT_EQ(b.beat, c.bbt.beat) << c.time;
        EXPECT_EQ(b.tick, c.bbt.tick) << c.time;
        EXPECT_EQ(song.barBeatTickToTime(c.bbt.bar, c.bbt.beat, c.bbt.tick), c.time) << c.time;
    }
    TimeSignature ts = song.timeSignatureAt(5000);
    EXPECT_EQ(ts.ticksPerBeat, 240);
    EXPECT_EQ(ts.beatsPerBar, 6);
    // Every event got its position at load.
    const anyEvent* second = song.track(0)->at(1);
    EXPECT_EQ(second->bar, 2);
}

// Bulk additions and loading place events with a cursor that walks on from the last bar; it must
// give what the one-at-a-time conversion gives, in any order of times, across signature changes
// (one of them in the middle of a bar), far jumps and times past the end of the bar table.
TEST(SongTime, PositionsOfManyEventsEqualThoseOfOneAtATime) {
    midiSong song;
    // 3/4 at 0, 6/8 at tick 2880, 5/4 at tick 4000 (inside a 6/8 bar); the song runs to 100000.
    loadWith(song, {0x00, 0xFF, 0x58, 0x04, 3,    2,    24,   8,    0x96, 0x40, 0xFF, 0x58, 0x04, 6, 3, 24, 8,
                    0x88, 0x60, 0xFF, 0x58, 0x04, 5,    2,    24,   8,    0x85, 0xD7, 0x20, 0xFF, 0x01, 0x00});
    ASSERT_EQ(song.timeSignatures.size(), 3u);
    // A signature inside a bar takes over at the next bar.
    ASSERT_GE(song.barStarts.size(), 6u);
    EXPECT_EQ(std::vector<int32_t>(song.barStarts.begin(), song.barStarts.begin() + 6),
              (std::vector<int32_t>{0, 1440, 2880, 4320, 6720, 9120}));
    std::mt19937 rng(7);
    std::vector<int32_t> ascending;
    for (int32_t t = 0; t < 130000; t += static_cast<int32_t>(rng() % 3000)) ascending.push_back(t);
    std::vector<int32_t> shuffled = ascending;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    const std::vector<int32_t> descending(ascending.rbegin(), ascending.rend());
    for (const std::vector<int32_t>* times : std::initializer_list<const std::vector<int32_t>*>{&ascending, &shuffled, &descending}) {
        std::vector<std::unique_ptr<anyEvent>> owned;
        std::vector<anyEvent*> events;
        for (int32_t t : *times) {
            owned.push_back(std::make_unique<ControlChangeEvent>(t, 0xB0));
            events.push_back(owned.back().get());
        }
        song.computePositions(events);
        for (const anyEvent* e : events) {
            const BarBeatTick want = song.timeToBarBeatTick(e->time);
            ASSERT_EQ(e->bar, want.bar) << e->time;
            ASSERT_EQ(e->beat, want.beat) << e->time;
            ASSERT_EQ(e->tick, want.tick) << e->time;
        }
    }
}

TEST(SongTime, AbsurdTimeSignatureStillAdvancesBars) {
    midiSong song;
    // Denominator 2^30 would give a beat of zero ticks; the bar table must still end.
    loadWith(song, {0x00, 0xFF, 0x58, 0x04, 4, 30, 24, 8, 0x83, 0x60, 0xFF, 0x01, 0x00}, 96);
    EXPECT_EQ(song.barStarts.back(), 484);
}

TEST(SongTime, TempoAndMilliseconds) {
    midiSong song;
    // Tempo 500000 at 0 and 250000 at 960.
    loadWith(song, {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x87, 0x40, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90});
    EXPECT_EQ(song.tempoAt(959), 500000);
    EXPECT_EQ(song.tempoAt(960), 250000);
    EXPECT_EQ(song.msToTicks(500, 0), 480);
    EXPECT_EQ(song.msToTicks(500, 1000), 960);
}

TEST(SongTime, TitleMasterTuneAndDrums) {
    midiSong song;
    // Unnamed first track; XG master tune 00 04 01 00; a bank-127 track.
    Bytes t0 = {0x00, 0xF0, 0x0B, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x00, 0x00, 0x04, 0x01, 0x00, 0xF7};
    Bytes drums = {0x00, 0xB1, 0x00, 0x7F, 0x00, 0x91, 0x24, 0x64, 0x60, 0x81, 0x24, 0x00};
    Bytes ch10 = {0x00, 0x99, 0x24, 0x64, 0x60, 0x89, 0x24, 0x00};
    Bytes b = smf(1, {t0, drums, ch10});
    song.loadBytes(b.data(), b.size(), "/music/waltz.mid");
    EXPECT_EQ(song.title(), "waltz");
    EXPECT_EQ(song.masterTune(), 16);
    ASSERT_NE(song.tuneEvent, nullptr);
    EXPECT_TRUE(song.track(1)->isDrum);
    EXPECT_FALSE(song.track(2)->isDrum);  // bank-127 tracks win over channel 10

    midiSong named;
    Bytes c = smf(1, {{0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'}, ch10});
    named.loadBytes(c.data(), c.size(), "/x/y.mid");
    EXPECT_EQ(named.title(), "Song");
    EXPECT_TRUE(named.track(1)->isDrum);
    EXPECT_EQ(named.masterTune(), 0);
}

TEST(SongTime, CopyrightIsJournaledAndRemovable) {
    midiSong song;
    loadWith(song, {0x00, 0xFF, 0x01, 0x00});
    song.setCopyright("(c) us");
    ASSERT_NE(song.songCopyright, nullptr);
    EXPECT_EQ(song.copyrightText(), "(c) us");
    EXPECT_EQ(song.track(0)->undoCount(), 1);
    song.setCopyright("");
    EXPECT_EQ(song.songCopyright, nullptr);
    EXPECT_EQ(song.copyrightText(), "");
}

// A format 0 song gets the drum marks that the same song saved as format 1 gets: the channel
// tracks of the split know where their first note is, as tracks read from their own chunks do.
TEST(SongTime, Format0DrumMarksEqualThoseOfTheSongSavedAsFormat1) {
    auto marks = [](const midiSong& s) {
        std::set<std::string> m;
        for (const auto& t : s.tracks)
            if (t->isDrum) m.insert(t->channelLabel);
        return m;
    };
    // Bank select 127 and notes on channel 1, drums on channel 10: the bank-127 track wins.
    midiSong fixed;
    load(fixed, smf(0, {{0x00, 0xB0, 0x00, 0x7F, 0x00, 0x90, 0x3C, 0x64, 0x00, 0x99, 0x24, 0x64, 0x60, 0x80, 0x3C,
                         0x00, 0x00, 0x89, 0x24, 0x00}}));
    EXPECT_EQ(marks(fixed), (std::set<std::string>{"[1]"}));

    std::mt19937 rng(11);
    const int channels[] = {0, 9, 2};
    for (int round = 0; round < 2000; ++round) {
        TrackWriter w;
        for (int i = 0, n = 1 + static_cast<int>(rng() % 6); i < n; ++i) {
            int t = static_cast<int>(rng() % 4) * 10, ch = channels[rng() % 3];
            switch (rng() % 3) {
            case 0: w.control(t, ch, 0, rng() % 2 ? 127 : 0); break;
            case 1: w.note(t, ch, 36 + static_cast<int>(rng() % 3), 100, 5 + static_cast<int>(rng() % 20)); break;
            default: w.at(t, {static_cast<uint8_t>(0x90 | ch), 40, 0}); break;  // a stray note off
            }
        }
        midiSong f0;
        load(f0, smf(0, {w.bytes()}));
        f0.format = 1;
        midiSong f1;
        load(f1, save(f0));
        ASSERT_EQ(marks(f0), marks(f1)) << "round " << round;
    }
}
