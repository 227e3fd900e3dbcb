// A run whose filters turn every candidate away says which filter did, in the editor's status
// text and in tonvela-cli apply's output alike.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "cli_runner.h"
#include "effect_fixture.h"
#include "effects/effect_file.h"
#include "temp_folder.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

// Two three-note chords and a single low note after them.
TrackBuilder chordsAndALowNote() {
    return TrackBuilder().note(0, 60, 480).note(0, 64, 480).note(0, 67, 480).note(960, 62, 480).note(960, 65, 480).note(
        960, 69, 480).note(1920, 40, 240);
}

}  // namespace

TEST(ZeroHits, TheStatusNamesTheFilterThatExcludedEveryCandidate) {
    struct Case {
        const char* what;
        TrackBuilder track;
        int type;
        std::function<void(EffectSettings&)> set;
        std::string status;
    };
    const std::vector<Case> cases = {
        {"chords under the default filter", TrackBuilder().note(0, 60, 480).note(0, 64, 480).note(960, 62, 480).note(960, 65, 480), 0,
         [](EffectSettings&) {}, "0 / 4 events hit: every note overlaps another (Allow Overlap is off)"},
        {"a key range above every note", TrackBuilder().note(0, 60, 480).note(960, 62, 480), 0,
         [](EffectSettings& s) { s.addEvent.NoteMin = "72"; },
         "0 / 2 events hit: every note lies outside Note 72 - 127"},
        {"the pitch class", TrackBuilder().note(0, 60, 480).note(960, 62, 480), 0,
         [](EffectSettings& s) { s.addEvent.PitchNameFilter = 10; }, "0 / 2 events hit: no note's pitch is A (Pitch)"},
        {"several filters, the largest share first", chordsAndALowNote(), 0,
         [](EffectSettings& s) { s.addEvent.NoteMin = "50"; },
         "0 / 7 events hit: no note passes the filter: 6 overlapping another (Allow Overlap is off), 1 outside Note 50 - 127"},
        {"a repeated key with Flat and Independent off", TrackBuilder().note(0, 60, 240).note(480, 60, 240).note(960, 60, 240), 0,
         [](EffectSettings& s) {
             s.addEvent.Flat = false;
             s.addEvent.Independent = false;
         },
         "0 / 3 events hit: no note passes the filter: 2 repeating the key before it (Flat is off), 1 independent (Independent is off)"},
        {"Delete Events: a value range that holds no bend", TrackBuilder().bend(0, 100).bend(10, 200), 1,
         [](EffectSettings& s) {
             s.deleteEvents.DelVallMin = "0";
             s.deleteEvents.DelValMax = "50";
         },
         "0 / 2 events hit: every value lies outside Value 0 - 50"},
        {"Delete Events: only excepted values", TrackBuilder().bend(0, 0).bend(10, 8191), 1,
         [](EffectSettings& s) { s.deleteEvents.ExceptData = {true, true, true}; },
         "0 / 2 events hit: every value is an Except value"},
        {"Modify Duration: the duration filter", TrackBuilder().note(0, 60, 480).note(960, 62, 480), 6,
         [](EffectSettings& s) { s.duration.durFilterDurMax = "100"; },
         "0 / 2 events hit: every note's length lies outside Dur. 1 - 100 ticks"},
        // No candidate at all is not a filter's doing: the text stays as it was.
        {"no note in the range", TrackBuilder().cc(0, 7, 100), 0, [](EffectSettings&) {}, "0 / 1 events hit"},
        // Hits, even a few, need no reason.
        {"a hit among misses", TrackBuilder().note(0, 60, 480).note(0, 64, 480).note(1920, 62, 480), 0,
         [](EffectSettings&) {}, "1 / 3 events hit"},
    };
    for (const Case& c : cases) {
        midiSong song;
        loadTracks(song, 2, {c.track});
        EffectSettings s = effectOfType(c.type);
        c.set(s);
        const EffectResult r = applyEffect(song, s, scopeOf(song, 1, 1));
        EXPECT_EQ(r.statusText(), c.status) << c.what;
    }
}

TEST(ZeroHits, TheReasonCountsEveryTrackOfTheRun) {
    // One track's notes miss by key, the other's by overlap: the text sums over the run.
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().note(0, 30, 480).note(960, 31, 480), TrackBuilder().note(0, 60, 480).note(0, 64, 480)});
    EffectSettings s = effectOfType(0);
    s.addEvent.NoteMin = "40";
    const EffectResult r = applyEffect(song, s, scopeOf(song, 1, 2));
    EXPECT_EQ(r.statusText(),
              "0 / 4 events hit: no note passes the filter: 2 outside Note 40 - 127, 2 overlapping another (Allow Overlap is off)");
}

TEST(ZeroHits, TonvelaCliApplyPrintsTheSameText) {
    if (cliMissing()) GTEST_SKIP();
    TempFolder dir;
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().note(0, 60, 480).note(0, 64, 480).note(960, 62, 480).note(960, 65, 480)});
    std::vector<uint8_t> bytes;
    song.write(bytes);
    const std::string in = dir.file("chords.mid");
    std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    saveEffect(dir.file("swell.fxl"), effectOfType(0, "Swell"));
    const CliRun r = runCli("apply " + in + " " + dir.file("out.mid") + " --effect " + dir.file("swell.fxl"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "0 / 4 events hit: every note overlaps another (Allow Overlap is off)\n");
}
