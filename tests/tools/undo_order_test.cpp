// Tools that move events and sort the track inside their step: undo gives every track back
// exactly as it was before the step, order included, and redo the order after it.

#include <gtest/gtest.h>

#include <functional>

#include "effects/apply_effect.h"
#include "eventlist/event_edit.h"
#include "pianoroll/roll_edit.h"
#include "song/dump.h"
#include "song_fixture.h"
#include "track_writer.h"
#include "tools/leadingbar.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

using Order = std::vector<std::vector<const anyEvent*>>;

Order orderOf(const midiSong& song) {
    Order out;
    for (int t = 0; t < song.trackCount(); ++t) {
        out.emplace_back();
        for (const anyEvent* e : song.track(t)->events())
            if (e) out.back().push_back(e);
    }
    return out;
}

// Track 1: a note and volume 100 at 0, volume 80 at 480, three pans at 960, a note in bar 2.
Bytes orderSong() {
    TrackWriter t;
    t.note(0, 0, 48, 100, 240).control(0, 0, 7, 100).control(480, 0, 7, 80);
    t.control(960, 0, 10, 16).control(960, 0, 10, 32).control(960, 0, 10, 48).note(1920, 0, 60, 100, 480);
    return smf(1, {conductor(3), t.bytes()});
}

anyEvent* volume(midiSong& song, int value) {
    for (anyEvent* e : song.track(1)->events())
        if (e && e->kind() == kindControl && static_cast<ControlChangeEvent*>(e)->controller() == 7 &&
            static_cast<ControlChangeEvent*>(e)->value() == value)
            return e;
    return nullptr;
}

NoteOnEvent* noteAt(midiSong& song, int32_t time) {
    for (anyEvent* e : song.track(1)->events())
        if (e && e->kind() == kindNote && e->time == time) return static_cast<NoteOnEvent*>(e);
    return nullptr;
}

}  // namespace

TEST(UndoOrder, ToolsThatSortInTheirStepAreUndoneAndRedoneInOrder) {
    struct Case {
        const char* name;
        std::function<void(midiSong&)> tool;
    } cases[] = {
        {"event list: a volume change moved from 0 to 960", [](midiSong& song) {
             anyEvent* e = volume(song, 100);
             EventFields f = prefillEventFields(*e, nullptr, nullptr);
             f.beat = 3;  // 001:03:000
             editEventFromFields(song, *e, f);
         }},
        {"piano roll: the note of bar 2 moved to the start", [](midiSong& song) {
             const RollNote n{1, noteAt(song, 1920)};
             moveNotes(song, std::span<const RollNote>(&n, 1), -1920, 0, TickRange{0, 10000});
         }},
        {"Make Leading Bar", [](midiSong& song) { makeLeadingBar(song); }},
        {"an effect on a track a move left out of order", [](midiSong& song) {
             midiTrack& t = *song.track(1);
             t.beginUndoStep("Moved");
             t.moveEvent(noteAt(song, 1920), -1900);
             EffectSettings s;
             s.effectType = 2;  // Modify Velocity sorts the track inside its step
             s.EffectName = "Soft";
             Selection all = Selection::wholeSong(song);
             all.firstTrack = all.lastTrack = 1;
             applyEffect(song, s, EffectScope::of(song, all));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        load(song, orderSong());
        const Order before = orderOf(song);
        const std::string dumpBefore = dumpSong(song);
        ASSERT_EQ(song.track(1)->controllerAt(100, 7, -1), 100);
        std::vector<size_t> lines;
        for (int t = 0; t < song.trackCount(); ++t) lines.push_back(song.track(t)->journal.size());
        c.tool(song);
        const Order after = orderOf(song);
        const std::string dumpAfter = dumpSong(song);
        ASSERT_NE(after, before);
        for (int round = 0; round < 2; ++round) {
            for (int t = 0; t < song.trackCount(); ++t)
                while (song.track(t)->journal.size() > lines[static_cast<size_t>(t)]) song.track(t)->undo();
            EXPECT_EQ(orderOf(song), before);
            EXPECT_EQ(dumpSong(song), dumpBefore);
            EXPECT_EQ(song.track(1)->controllerAt(100, 7, -1), 100);
            for (int t = 0; t < song.trackCount(); ++t)
                while (song.track(t)->canRedo()) song.track(t)->redo();
            EXPECT_EQ(orderOf(song), after);
            EXPECT_EQ(dumpSong(song), dumpAfter);
        }
    }
}
