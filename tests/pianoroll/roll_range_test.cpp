#include <gtest/gtest.h>

#include "pianoroll/roll_range.h"
#include "roll_fixture.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

// Events at 0, 0, 100, 100, 250, 400: notes of 30, 100, 900, 10 and 20 ticks and a controller.
Bytes spanSong() {
    return smf(1, {conductor(1), cat({at(0, {0x90, 60, 100}), at(0, {0x90, 62, 90}), at(30, {0x80, 60, 0}),
                                       at(70, {0x80, 62, 0}), at(0, {0xB0, 7, 1}), at(0, {0x90, 64, 100}),
                                       at(150, {0x90, 65, 100}), at(10, {0x80, 65, 0}), at(140, {0x90, 66, 100}),
                                       at(20, {0x80, 66, 0}), at(580, {0x80, 64, 0})})});
}

// What a walk over the whole list finds.
std::vector<const anyEvent*> inRange(const midiTrack& t, int32_t from, int32_t to) {
    std::vector<const anyEvent*> out;
    for (const anyEvent* e : t.events())
        if (e && e->time >= from && e->time < to) out.push_back(e);
    return out;
}

}  // namespace

TEST(RollRange, BinarySearchFindsExactlyTheEventsOfTheRange) {
    midiSong song;
    load(song, spanSong());
    const midiTrack& t = *song.track(1);
    ASSERT_TRUE(t.orderKnown());
    for (int32_t from : {-10, 0, 1, 100, 101, 250, 400, 401, 5000}) {
        for (int32_t to : {0, 1, 100, 101, 250, 251, 400, 401, 10000}) {
            const EventSpan s = eventSpan(t, from, to);
            EXPECT_TRUE(s.exact);
            std::vector<const anyEvent*> found(t.events().begin() + s.first, t.events().begin() + s.last);
            if (to <= from) found.clear();
            EXPECT_EQ(found, inRange(t, from, to)) << from << ".." << to;
        }
    }
}

TEST(RollRange, ATrackOfUnknownOrderIsWalkedWhole) {
    midiSong song;
    load(song, spanSong());
    midiTrack& t = *song.track(1);
    t.beginUndoStep("x");
    t.moveEvent(t.at(0), 1000);  // now out of order until sorted
    const EventSpan s = eventSpan(t, 900, 1100);
    EXPECT_FALSE(s.exact);
    EXPECT_EQ(s.first, 0);
    EXPECT_EQ(s.last, t.size());
    t.sortEvents();
    const EventSpan sorted = eventSpan(t, 900, 1100);
    EXPECT_TRUE(sorted.exact);
    EXPECT_EQ(sorted.last - sorted.first, 1);
}

TEST(RollRange, LongestNoteOfTheNotesStartingInARange) {
    midiSong song;
    load(song, spanSong());
    const midiTrack& t = *song.track(1);
    EXPECT_EQ(longestNote(t, 0, 1920), 900);
    EXPECT_EQ(longestNote(t, 0, 100), 100);
    EXPECT_EQ(longestNote(t, 101, 1920), 20);
    EXPECT_EQ(longestNote(t, 500, 1920), 0);
}
