// The eight operations on small songs: the cases the effect editor's users meet, the frame
// shared by all of them (steps, counts, order, failures), and the mended faults.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "base/errors.h"
#include "effect_fixture.h"
#include "effects/curve.h"

using namespace tonvela;
using namespace tonvela::test;

namespace {

EffectResult apply(midiSong& song, const EffectSettings& s, int first = 1, int last = 1) {
    return applyEffect(song, s, scopeOf(song, first, last));
}

// The curve points of the default Linear curve, for expectations written from the formulas.
int linearPoint(int i) { return static_cast<int>((i * 10 / 25) / 102.0 * 127); }

std::vector<int32_t> timesOf(const std::vector<std::pair<int32_t, int>>& bends) {
    std::vector<int32_t> out;
    for (auto& b : bends) out.push_back(b.first);
    return out;
}

// Under the sanitizers an address-space limit cannot be set: their shadow memory is that large.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Lets this process grow by at most `bytes` more of address space.
void limitGrowth(uint64_t bytes) {
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    const uint64_t limit = pages * 4096 + bytes;
    rlimit r{limit, limit};
    setrlimit(RLIMIT_AS, &r);
}

// Undo every step of the run and compare with the song before it.
void expectUndoRestores(midiSong& song, const std::string& before, const std::vector<size_t>& journals) {
    undoBackTo(song, journals);
    EXPECT_EQ(dumpSong(song), before);
}

}  // namespace

// ---- Add Events ------------------------------------------------------------------------------

TEST(AddEvents, DefaultsWriteARisingBendUnderTheNote) {
    midiSong song;
    loadTracks(song, 4, {TrackBuilder().note(960, 60, 480).note(2400, 110, 100).bend(1000, 500).bend(2500, -500)});
    const std::string before = dumpSong(song);
    const auto journals = journalSizes(song);
    EffectSettings s = effectOfType(0, "Swell");
    s.addEvent.NoteMax = "100";  // the second note only follows
    EffectResult r = apply(song, s);
    // The bend at 1000 is overwritten before the walk reaches it, so it is not examined.
    EXPECT_EQ(r.statusText(), "1 / 3 events hit");

    auto bends = bendsOf(*song.track(1));
    std::vector<int32_t> expected;
    for (int32_t t = 958; t <= 1428; t += 10) expected.push_back(t);
    expected.insert(expected.begin() + 2, 970);  // pre-process at the note + interval
    expected.push_back(2410);                    // post-process at the next note + interval
    expected.push_back(2500);                    // outside the overwritten span
    EXPECT_EQ(timesOf(bends), expected);
    EXPECT_EQ(bends.front().second, -1);  // point 0: -8192 + 0 + 8191 (raw 8191)
    EXPECT_EQ(bends[2].second, 0);
    // Point 249 (position 470 of 480): -8192 + (123 * 16383 / 127) / 2 + 8191 = 7932.
    EXPECT_EQ(bends[bends.size() - 3].second, 7932);
    for (size_t k = 4; k + 3 < bends.size(); ++k) {
        EXPECT_GE(bends[k].second - bends[k - 1].second, 40);  // 0.01 semitone at a range of 2
    }
    EXPECT_EQ(bends[bends.size() - 2].second, 0);
    EXPECT_EQ(song.track(1)->undoLabel(), "Add events<Swell>");
    expectUndoRestores(song, before, journals);
}

TEST(AddEvents, AChordGetsOneCurveAndTimeWindowsCutThePeriod) {
    midiSong song;
    loadTracks(song, 4, {TrackBuilder().note(960, 60, 480).note(960, 64, 480).note(960, 67, 480)});
    EffectSettings s = effectOfType(0);
    s.addEvent.AllowOverlap = true;  // chord notes overlap each other
    apply(song, s);
    EXPECT_EQ(bendsOf(*song.track(1)).size(), 49u);  // 48 points and the pre-process value

    midiSong half;
    loadTracks(half, 4, {TrackBuilder().note(960, 60, 480)});
    s.addEvent.ApplyRange = 1;  // "Time"
    s.addEvent.ApplyTime = "960";
    s.addEvent.PreProcess = false;
    apply(half, s);
    auto bends = bendsOf(*half.track(1));
    ASSERT_FALSE(bends.empty());
    EXPECT_EQ(bends.back().first, 1428);
    // The period stays 960: position 470 reads point 124 = 61; -8192 + (61 * 16383 / 127) / 2 + 8191.
    EXPECT_EQ(linearPoint(124), 61);
    EXPECT_EQ(bends.back().second, -8192 + (61 * 16383 / 127) / 2 + 8191);
}

TEST(AddEvents, BeatRestartsTheCurveAtEveryBar) {
    midiSong song;
    loadTracks(song, 4, {TrackBuilder().note(0, 60, 3840)});
    EffectSettings s = effectOfType(0);
    chooseAddItem(s.addEvent, 4);  // Expression 0..127
    s.addEvent.FunctionSource1 = 2;
    s.addEvent.MinimunDifference = "0";
    s.addEvent.PreProcess = s.addEvent.PostProcess = false;
    apply(song, s);
    int lastInBar1 = -1, firstInBar2 = -1;
    for (auto [time, ctrl, value, ch] : controlsOf(*song.track(1))) {
        EXPECT_EQ(ctrl, 11);
        if (time < 1920) lastInBar1 = value;
        if (time >= 1920 && firstInBar2 < 0) firstInBar2 = value;
    }
    EXPECT_GT(lastInBar1, 120);
    EXPECT_LT(firstInBar2, 70);  // Scale maps the rising curve onto 63..127 again
}

TEST(AddEvents, DataEntriesAreBracketedPerNoteAndOverwriteSparesRegisteredParameters) {
    auto build = [](midiSong& song) {
        loadTracks(song, 4, {TrackBuilder()
                                 .cc(0, 101, 0).cc(1, 100, 0).cc(5, 6, 12)           // pitch bend sensitivity 12
                                 .cc(1000, 99, 1).cc(1001, 98, 32).cc(1100, 6, 50)   // an earlier cutoff value
                                 .note(960, 60, 480)
                                 .note(3840, 62, 480)});
    };
    midiSong song;
    build(song);
    const std::string before = dumpSong(song);
    const auto journals = journalSizes(song);
    EffectSettings s = effectOfType(0);
    chooseAddItem(s.addEvent, 8);  // Filter Cutoff Frequency
    apply(song, s);
    const auto controls = controlsOf(*song.track(1));
    // The registered data entry stays; the old cutoff entry under 1/32 is overwritten.
    EXPECT_NE(std::find(controls.begin(), controls.end(), std::make_tuple(5, 6, 12, 0)), controls.end());
    EXPECT_EQ(std::find(controls.begin(), controls.end(), std::make_tuple(1100, 6, 50, 0)), controls.end());

    // Every data entry the run wrote is under parameter 1/32 when it plays; between the notes the
    // parameter is the null one again.
    int msb = -1, lsb = -1;
    bool nrpn = false;
    int brackets = 0;
    for (auto [time, ctrl, value, ch] : controls) {
        if (ctrl == 99) msb = value, nrpn = true, brackets += time != 1000;
        if (ctrl == 98) lsb = value, nrpn = true;
        if (ctrl == 101) msb = value, nrpn = false;
        if (ctrl == 100) lsb = value, nrpn = false;
        if (ctrl == 6 && time > 900) {
            EXPECT_TRUE(nrpn && msb == 1 && lsb == 32) << time;
        }
        if (time > 1500 && time < 3800) {
            EXPECT_FALSE(nrpn) << time;
            EXPECT_EQ(msb, 127);
        }
    }
    EXPECT_EQ(brackets, 2);
    EXPECT_NE(std::find(controls.begin(), controls.end(), std::make_tuple(956, 99, 1, 0)), controls.end());
    EXPECT_NE(std::find(controls.begin(), controls.end(), std::make_tuple(957, 98, 32, 0)), controls.end());
    expectUndoRestores(song, before, journals);

    // Filter Resonance overwrites nothing.
    midiSong other;
    build(other);
    chooseAddItem(s.addEvent, 9);
    apply(other, s);
    const auto kept = controlsOf(*other.track(1));
    EXPECT_NE(std::find(kept.begin(), kept.end(), std::make_tuple(1100, 6, 50, 0)), kept.end());
    EXPECT_NE(std::find(kept.begin(), kept.end(), std::make_tuple(957, 98, 33, 0)), kept.end());
}

// OverWrite of "Filter Cutoff Frequency" over entries an earlier run wrote: the old brackets go
// with the entries they held, and every data entry in the track, new or kept, plays under
// parameter 1/32.
TEST(AddEvents, OverwritingDataEntriesLeavesEveryEntryUnderItsParameter) {
    struct Case {
        const char* name;
        std::function<void(EffectSettings&)> second;  // the second run's settings
        int32_t from, to;                              // and its range
        size_t keptFromFirst;                          // at least this many entries of the first run stay
    } cases[] = {
        {"the same notes at a finer interval", [](EffectSettings& s) { s.addEvent.Distance = "3"; }, 0, 7679, 0},
        {"windows that start inside the old brackets", [](EffectSettings& s) { s.addEvent.StartShift = "200"; }, 0,
         7679, 3},
        {"one note between two others", [](EffectSettings& s) { s.addEvent.Distance = "1"; }, 1000, 1300, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        midiSong song;
        // Three legato notes, each bracket ending where the next begins; a fourth stands alone.
        loadTracks(song, 4, {TrackBuilder().note(960, 60, 320).note(1280, 62, 320).note(1600, 64, 320).note(3840, 65, 480)});
        EffectSettings s = effectOfType(0);
        chooseAddItem(s.addEvent, 8);  // Filter Cutoff Frequency
        s.addEvent.PostProcess = false;
        apply(song, s);
        std::vector<const anyEvent*> firstRun;
        for (const anyEvent* e : song.track(1)->events())
            if (e->kind() == kindControl && static_cast<const ControlChangeEvent*>(e)->controller() == 6) firstRun.push_back(e);
        const std::string before = dumpSong(song);
        const auto journals = journalSizes(song);

        c.second(s);
        Selection all = Selection::wholeSong(song);
        all.firstTrack = all.lastTrack = 1;
        EffectScope scope = EffectScope::of(song, all);
        scope.range = {c.from, c.to};
        applyEffect(song, s, scope);

        int msb = -1, lsb = -1, entries = 0, opens = 0, closes = 0;
        bool nrpn = false;
        size_t kept = 0;
        for (const anyEvent* e : song.track(1)->events()) {
            if (e->kind() != kindControl) continue;
            auto* cc = static_cast<const ControlChangeEvent*>(e);
            switch (cc->controller()) {
            case 99: msb = cc->value(), nrpn = true, ++opens; break;
            case 98: lsb = cc->value(), nrpn = true; break;
            case 101: msb = cc->value(), nrpn = false, ++closes; break;
            case 100: lsb = cc->value(), nrpn = false; break;
            case 6:
                ++entries;
                EXPECT_TRUE(nrpn && msb == 1 && lsb == 32) << "entry at " << e->time;
                kept += std::find(firstRun.begin(), firstRun.end(), e) != firstRun.end();
                break;
            default: break;
            }
        }
        EXPECT_GT(entries, static_cast<int>(firstRun.size()) / 4);
        EXPECT_GE(kept, c.keptFromFirst) << "entries of the first run outside the second's windows stay";
        if (c.keptFromFirst == 0) {
            EXPECT_EQ(kept, 0u);
        }
        EXPECT_FALSE(nrpn) << "the last bracket is closed";
        EXPECT_LE(closes, opens);
        expectUndoRestores(song, before, journals);
    }
}

TEST(AddEvents, TheBracketOfANoteAtTickZeroStillLeadsItsEntries) {
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().note(0, 60, 100)});
    EffectSettings s = effectOfType(0);
    chooseAddItem(s.addEvent, 11);  // Viblato Rate
    apply(song, s);
    // Reload the saved song: what a player meets first at tick 0 must be the selection.
    std::vector<uint8_t> bytes;
    song.write(bytes);
    midiSong again;
    again.loadBytes(bytes.data(), bytes.size());
    auto controls = controlsOf(*again.track(1));
    ASSERT_GE(controls.size(), 3u);
    EXPECT_EQ(std::get<1>(controls[0]), 99);
    EXPECT_EQ(std::get<1>(controls[1]), 98);
    EXPECT_EQ(std::get<2>(controls[1]), 8);
    EXPECT_EQ(std::get<1>(controls[2]), 6);
}

// A curve under a very long note at a 1-tick interval: memory follows the events written (a
// controller changes some dozens of times), not the twenty million points computed; and a run
// that does run out of memory says so in the program's words and changes nothing.
TEST(AddEvents, ALongCurveNeedsMemoryForTheEventsWrittenAndRunningOutChangesNothing) {
    if (kSanitized) GTEST_SKIP() << "no address-space limit under the sanitizers";
    EXPECT_EXIT(
        {
            midiSong song;
            loadTracks(song, 2, {TrackBuilder().note(0, 60, 20'000'000)});
            limitGrowth(192u << 20);
            EffectSettings s = effectOfType(0);
            chooseAddItem(s.addEvent, 4);  // Expression
            s.addEvent.Distance = "1";
            s.addEvent.DurMax = "99999999";
            int code = 0;
            try {
                apply(song, s);
                const size_t written = controlsOf(*song.track(1)).size();
                if (written < 10 || written > 1000) code = 2;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                code = 1;
            }
            std::_Exit(code);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            // Pitch bends that restart with every bar of a long note: millions of events.
            midiSong song;
            loadTracks(song, 2, {TrackBuilder().note(0, 60, 20'000'000)});
            midiTrack& t = *song.track(1);
            t.beginUndoStep("Earlier");
            t.setVelocity(static_cast<NoteOnEvent*>(t.at(0)), 90);
            const std::string before = dumpSong(song);
            const std::vector<std::string> journal = t.journal;
            limitGrowth(96u << 20);
            EffectSettings s = effectOfType(0);
            s.addEvent.Distance = "1";
            s.addEvent.DurMax = "99999999";
            s.addEvent.MinimunDifference = "0";
            s.addEvent.FunctionSource1 = 2;  // Beat
            int code = 0;
            try {
                apply(song, s);
                code = 3;
            } catch (const MidiError& e) {
                if (std::string(e.what()) != kOutOfMemoryMessage) code = 4;
            } catch (...) {
                code = 5;
            }
            if (dumpSong(song) != before || t.journal != journal || t.canRedo()) code = 6;
            std::_Exit(code);
        },
        ::testing::ExitedWithCode(0), "");
}

// ---- Delete Events ---------------------------------------------------------------------------

TEST(DeleteEvents, PanpotKeepsTheExtremesAndTheCentre) {
    midiSong song;
    TrackBuilder t;
    int v[] = {0, 1, 63, 64, 65, 126, 127};
    for (int i = 0; i < 7; ++i) t.cc(static_cast<uint32_t>(i * 10), 10, v[i]);
    loadTracks(song, 1, {t});
    EffectSettings s = effectOfType(1);
    chooseDeleteItem(s.deleteEvents, 3);
    EXPECT_EQ(apply(song, s).statusText(), "4 / 7 events hit");
    std::vector<int> left;
    for (auto [time, ctrl, value, ch] : controlsOf(*song.track(1))) left.push_back(value);
    EXPECT_EQ(left, (std::vector<int>{0, 64, 127}));
}

TEST(DeleteEvents, EveryOtherHitAlternatesAcrossTracks) {
    midiSong song;
    loadTracks(song, 1, {TrackBuilder().bend(0, 100).bend(10, 100).bend(20, 100), TrackBuilder().bend(0, 100).bend(10, 100)});
    EffectSettings s = effectOfType(1);
    s.deleteEvents.DelDenom = "2";
    apply(song, s, 1, 2);
    EXPECT_EQ(timesOf(bendsOf(*song.track(1))), std::vector<int32_t>{10});
    EXPECT_EQ(timesOf(bendsOf(*song.track(2))), std::vector<int32_t>{0});
}

// ---- Modify Velocity -------------------------------------------------------------------------

TEST(ModifyVelocity, AddAndAbsoluteReadTheCurve) {
    midiSong song;
    loadTracks(song, 1, {TrackBuilder().note(0, 60, 10, 30).note(100, 61, 10, 100)});
    EffectSettings s = effectOfType(2);
    s.function.TrackBar1 = 0;  // flat at 0: Scale 1..127 adds 64
    apply(song, s);
    auto n = notesOf(*song.track(1));
    EXPECT_EQ(n[0].velocity, 94);
    EXPECT_EQ(n[1].velocity, 127);

    midiSong other;
    loadTracks(other, 1, {TrackBuilder().note(0, 60, 10, 64).note(100, 61, 10, 127).note(200, 62, 10, 1)});
    EffectSettings abs = effectOfType(2);
    abs.velocity.ChangeMethod = 1;
    abs.velocity.VeloModScaling = 0;
    abs.velocity.FunctionX = 6;  // Original Velocity
    apply(other, abs);
    auto m = notesOf(*other.track(1));
    EXPECT_EQ(m[0].velocity, 63);
    EXPECT_EQ(m[1].velocity, 127);
    EXPECT_EQ(m[2].velocity, 1);
}

TEST(ModifyVelocity, SignedDistanceOfARepeatedKeyReadsTheMiddle) {
    midiSong song;
    loadTracks(song, 1, {TrackBuilder().note(0, 60, 10).note(480, 60, 10)});
    EffectSettings s = effectOfType(2);
    s.velocity.ChangeMethod = 1;
    s.velocity.VeloModScaling = 0;
    s.velocity.FunctionX = 4;
    apply(song, s);
    auto n = notesOf(*song.track(1));
    EXPECT_EQ(n[0].velocity, 1);                 // 60 - 100 + 12 < 0 reads point 0, raised to 1
    EXPECT_EQ(n[1].velocity, linearPoint(127));  // 12 of 24
}

// ---- Time Shift ------------------------------------------------------------------------------

TEST(TimeShift, NotePitchMovesHighKeysFurther) {
    midiSong song;
    loadTracks(song, 1, {TrackBuilder().note(1000, 0, 10).note(1100, 64, 10).note(1200, 127, 10)});
    const std::string before = dumpSong(song);
    const auto journals = journalSizes(song);
    apply(song, effectOfType(3));
    auto n = notesOf(*song.track(1));
    EXPECT_EQ(n[0].time, 1000);
    EXPECT_EQ(n[1].time, 1104);
    EXPECT_EQ(n[2].time, 1210);
    expectUndoRestores(song, before, journals);

    midiSong early;
    loadTracks(early, 1, {TrackBuilder().note(5, 127, 10)});
    EffectSettings s = effectOfType(3);
    s.function.FlipY = true;
    apply(early, s);
    EXPECT_EQ(notesOf(*early.track(1))[0].time, 0);
}

TEST(TimeShift, AMovedNoteNeverCutsTheNextNoteOfItsKey) {
    midiSong song;
    loadTracks(song, 1, {TrackBuilder().note(1000, 60, 500).note(1500, 60, 500)});
    EffectSettings s = effectOfType(3);
    s.function.FlipY = true;
    s.timeShift.TimeShiftRadioGroup = 2;
    Selection bar1 = Selection::cell(1, 0);
    applyEffect(song, s, EffectScope::of(song, bar1));
    auto n = notesOf(*song.track(1));
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n[0].time, 995);
    EXPECT_EQ(n[1].time, 1493);
    EXPECT_EQ(n[0].duration, 1493 - 995 - 1);
    EXPECT_EQ(n[1].duration, 500);
    std::vector<uint8_t> bytes;
    song.write(bytes);
    midiSong again;
    again.loadBytes(bytes.data(), bytes.size());
    EXPECT_EQ(notesOf(*again.track(1)), n);
}

// ---- Modify Control and PitchBend ------------------------------------------------------------

TEST(ModifyControl, ScaleCutoffAndNotePitch) {
    midiSong song;
    loadTracks(song, 1, {TrackBuilder().cc(0, 7, 100).cc(10, 7, 0).cc(20, 11, 100)});
    EffectSettings s = effectOfType(5);
    s.modifyControl.ComboBoxControl = 7;
    s.function.TrackBar1 = 0;
    EXPECT_EQ(apply(song, s).statusText(), "2 / 3 events hit");
    EXPECT_EQ(controlsOf(*song.track(1)),
              (std::vector<std::tuple<int32_t, int, int, int>>{{0, 7, 99, 0}, {10, 7, 0, 0}, {20, 11, 100, 0}}));

    midiSong abs;
    loadTracks(abs, 1, {TrackBuilder().cc(0, 7, 64)});
    EffectSettings a = effectOfType(5);
    a.modifyControl.ComboBoxControl = 7;
    a.modifyControl.ModContVal = 1;
    a.modifyControl.ContModScaling = 0;
    a.modifyControl.ModContFS = 2;
    a.modifyControl.Edit1ModCOntrolMin = "0";
    apply(abs, a);
    EXPECT_EQ(std::get<2>(controlsOf(*abs.track(1))[0]), 63);

    midiSong pitch;
    loadTracks(pitch, 1, {TrackBuilder().cc(0, 7, 50).note(100, 64, 10).cc(200, 7, 50)});
    a.modifyControl.ModContFS = 3;
    EXPECT_EQ(apply(pitch, a).statusText(), "2 / 3 events hit");
    auto c = controlsOf(*pitch.track(1));
    EXPECT_EQ(std::get<2>(c[0]), 50);  // no note yet: unchanged, still a hit
    EXPECT_EQ(std::get<2>(c[1]), velocityCurveValue(computeCurve({}), 64, 127, 0, 127, true));
}

TEST(ModifyPitchBend, ScaleAndOriginalValue) {
    midiSong song;
    loadTracks(song, 1, {TrackBuilder().bend(0, 100)});
    EffectSettings s = effectOfType(5);
    chooseModify(s.modifyControl, 1);
    s.function.TrackBar1 = 0;
    apply(song, s);
    EXPECT_EQ(bendsOf(*song.track(1))[0].second, 99);

    midiSong orig;
    loadTracks(orig, 1, {TrackBuilder().bend(0, -100).bend(10, 0).bend(20, 4096)});
    EffectSettings o = effectOfType(5);
    chooseModify(o.modifyControl, 1);
    o.modifyControl.ModContVal = 1;
    o.modifyControl.ContModScaling = 0;
    o.modifyControl.ModContFS = 2;
    apply(orig, o);
    auto b = bendsOf(*orig.track(1));
    EXPECT_EQ(b[0].second, 0);
    EXPECT_EQ(b[1].second, 0);
    EXPECT_EQ(b[2].second, linearPoint(127) * 64);
}

// ---- Modify Duration -------------------------------------------------------------------------

TEST(ModifyDuration, MethodsGuardAndLimits) {
    struct Case {
        const char* what;
        int method;
        const char* percent;
        const char* value;
        const char* minLimit;
        const char* maxLimit;
        int expected;
    };
    const Case cases[] = {
        {"200 % stops before the next same key", 0, "200", "100", "1", "9999", 299},
        {"value 0 is raised to the minimum", 1, "100", "0", "1", "9999", 1},
        {"crossed limits below 0 still give no negative duration", 1, "100", "100", "-5", "-3", 0},
        {"the maximum wins", 0, "1000", "100", "1", "250", 250},
    };
    for (const Case& c : cases) {
        midiSong song;
        loadTracks(song, 1, {TrackBuilder().note(0, 60, 240).note(300, 60, 100)});
        EffectSettings s = effectOfType(6);
        s.duration.durChangeMethod = c.method;
        s.duration.durPercent = c.percent;
        s.duration.DurValue = c.value;
        s.duration.durMinLimit = c.minLimit;
        s.duration.durMaxLimit = c.maxLimit;
        s.duration.durFilterNoteMax = "127";
        apply(song, s, 1, 1);
        EXPECT_EQ(notesOf(*song.track(1))[0].duration, c.expected) << c.what;
    }
}

TEST(ModifyDuration, TenutoReachesTheNextNoteAfterTheEnd) {
    midiSong song;
    loadTracks(song, 1, {TrackBuilder().note(0, 60, 400).note(480, 62, 400).note(960, 64, 400).note(960, 67, 400)});
    EffectSettings s = effectOfType(6);
    s.duration.durChangeMethod = 2;
    apply(song, s);
    auto n = notesOf(*song.track(1));
    EXPECT_EQ(n[0].duration, 480);
    EXPECT_EQ(n[1].duration, 480);
    EXPECT_EQ(n[2].duration, 400);  // no note starts at or after its end
    EXPECT_EQ(n[3].duration, 400);
    s.duration.SingleNote = true;
    s.duration.TenutoPC = "50";
    midiSong single;
    loadTracks(single, 1, {TrackBuilder().note(0, 60, 400).note(0, 64, 400).note(480, 62, 400)});
    apply(single, s);
    EXPECT_EQ(notesOf(*single.track(1))[0].duration, 240);  // next onset, skipping the chord
}

// ---- Echo ------------------------------------------------------------------------------------

TEST(Echo, RepeatsTimesVelocitiesAndOverlap) {
    auto echoOf = [](int overlap, const char* delay, int count = 3) {
        midiSong song;
        loadTracks(song, 2, {TrackBuilder().note(0, 60, 480)});
        EffectSettings s = effectOfType(4);
        s.echo.EchoDelayText = delay;
        s.echo.Overlap = overlap;
        s.echo.EchoCount = count;
        EffectResult r = apply(song, s);
        EXPECT_EQ(r.statusText(), "1 / 1 events hit");
        return notesOf(*song.track(1));
    };
    EXPECT_EQ(echoOf(0, "150"), (std::vector<Note>{{0, 60, 100, 149, 0}, {150, 60, 100, 149, 0}, {300, 60, 82, 149, 0},
                                                   {450, 60, 66, 480, 0}}));
    EXPECT_EQ(echoOf(1, "150").size(), 1u);  // each repeat would overlap the one before
    EXPECT_EQ(echoOf(2, "1").size(), 1u);    // a 1-tick delay into the same track doubles nothing
}

TEST(Echo, TranspositionFoldsOrDrops) {
    for (int outOfRange : {0, 1}) {
        midiSong song;
        loadTracks(song, 2, {TrackBuilder().note(0, 120, 10)});
        EffectSettings s = effectOfType(4);
        s.echo.EchoCount = 1;
        s.echo.EditOct[0] = "12";
        s.echo.OutOfRange = outOfRange;
        apply(song, s);
        auto n = notesOf(*song.track(1));
        if (outOfRange == 0) {
            ASSERT_EQ(n.size(), 2u);
            EXPECT_EQ(n[1].key, 120);
        } else {
            EXPECT_EQ(n.size(), 1u);
        }
    }
}

TEST(Echo, AnEchoTrackCollectsEveryTracksEchoesOnce) {
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().note(0, 60, 10), TrackBuilder().note(0, 64, 10, 100, 1)});
    const std::string before = dumpSong(song);
    const auto journals = journalSizes(song);
    EffectSettings s = effectOfType(4);
    s.echo.EchoOtherTrack = true;
    EffectResult r = apply(song, s, 1, 2);
    ASSERT_EQ(song.trackCount(), 4);
    EXPECT_TRUE(r.echoTrackCreated);
    EXPECT_EQ(r.echoTrack, 3);
    EXPECT_EQ(song.track(3)->name, "Echo Track");
    EXPECT_EQ(notesOf(*song.track(3)).size(), 6u);
    // The target's first channel: channel 1 of the first source's echoes.
    for (const Note& n : notesOf(*song.track(3))) EXPECT_EQ(n.channel, 0);
    undoBackTo(song, journals);
    EXPECT_TRUE(notesOf(*song.track(3)).empty());
    EXPECT_EQ(dumpSong(song).substr(0, before.size()), before);

    // With the echo track inside the selection, the echoes of the run are not echoed again.
    midiSong again;
    loadTracks(again, 2, {TrackBuilder().note(0, 60, 10), TrackBuilder().name("Echo Track")});
    apply(again, s, 1, 2);
    EXPECT_EQ(again.trackCount(), 3);
    EXPECT_EQ(notesOf(*again.track(2)).size(), 3u);
}

// A tempo event of four data bytes 80 00 00 01 is 2147483649 microseconds per quarter note, not
// a negative tempo: a 150 ms delay is less than a tick, and the echo lands on the note.
TEST(Echo, AMillisecondDelayUnderATempoPastTwoToThe31IsUnderATick) {
    Bytes file = header(1, 2);
    Bytes conductorChunk = trackChunk(cat({at(0, {0xFF, 0x51, 0x04, 0x80, 0x00, 0x00, 0x01}), at(3840, {0xFF, 0x01, 0x01, 'e'})}));
    Bytes notes = trackChunk(TrackBuilder().note(0, 60, 10).bytes());
    file.insert(file.end(), conductorChunk.begin(), conductorChunk.end());
    file.insert(file.end(), notes.begin(), notes.end());
    midiSong song;
    load(song, file);
    EXPECT_EQ(song.tempoAt(0), 2147483649u);
    EffectSettings s = effectOfType(4);
    s.echo.EchoDelayText = "150";
    s.echo.EchoDelayUnit = 1;  // ms
    s.echo.EchoCount = 1;
    s.echo.Overlap = 2;  // "Not Care": the echo may start with its note
    s.echo.EchoOtherTrack = true;
    apply(song, s);
    ASSERT_EQ(song.trackCount(), 3);
    EXPECT_EQ(notesOf(*song.track(2)), (std::vector<Note>{{0, 60, 100, 10, 0}}));
}

TEST(Echo, SustainEmulationAndOwnChannels) {
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().cc(0, 64, 0).note(0, 60, 10)});
    EffectSettings s = effectOfType(4);
    s.echo.EmulateSustain = true;
    apply(song, s);
    EXPECT_EQ(notesOf(*song.track(1)).size(), 1u);

    midiSong pedal;
    loadTracks(pedal, 2, {TrackBuilder().cc(0, 64, 127).note(0, 60, 400).cc(500, 64, 0)});
    s.echo.Overlap = 2;
    apply(pedal, s);
    auto n = notesOf(*pedal.track(1));
    ASSERT_EQ(n.size(), 4u);
    EXPECT_EQ(n[3].time, 450);
    EXPECT_EQ(n[3].duration, 50);  // cut where the pedal is released

    midiSong two;
    loadTracks(two, 2, {TrackBuilder().note(0, 60, 10, 100, 0).note(1000, 64, 10, 100, 3)});
    EffectSettings e = effectOfType(4);
    apply(two, e);
    for (const Note& note : notesOf(*two.track(1))) EXPECT_EQ(note.channel, note.key == 64 ? 3 : 0);
}

// ---- Chord Stroke ----------------------------------------------------------------------------

TEST(ChordStroke, TimeMapSpreadsUpOnTheBeatAndDownBetween) {
    midiSong song;
    loadTracks(song, 4, {TrackBuilder()
                             .note(1920, 60, 100).note(1920, 64, 100).note(1920, 67, 100)
                             .note(2160, 60, 100).note(2160, 64, 100).note(2160, 67, 100)
                             .note(3840, 60, 100).note(3840, 64, 100)});
    const std::string before = dumpSong(song);
    const auto journals = journalSizes(song);
    EXPECT_EQ(apply(song, effectOfType(7)).statusText(), "3 chords processed");
    auto n = notesOf(*song.track(1));
    std::vector<std::pair<int, int32_t>> keyTimes;
    for (const Note& x : n) keyTimes.emplace_back(x.key, x.time);
    EXPECT_EQ(keyTimes, (std::vector<std::pair<int, int32_t>>{{60, 1900}, {64, 1920}, {67, 1940}, {60, 2180}, {64, 2160},
                                                             {67, 2140}, {60, 3820}, {64, 3860}}));
    expectUndoRestores(song, before, journals);
}

TEST(ChordStroke, ToleranceZeroAndSingleNotes) {
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().note(960, 60, 100).note(961, 64, 100).note(1500, 70, 10)});
    EffectSettings s = effectOfType(7);
    s.chord.ChordBound = "0";
    EXPECT_EQ(apply(song, s).statusText(), "0 chords processed");
    EXPECT_EQ(notesOf(*song.track(1))[0].time, 960);
    EXPECT_EQ(notesOf(*song.track(1))[1].time, 961);
}

TEST(ChordStroke, AutoAlternatesAndRestartsAfterAGap) {
    midiSong song;
    TrackBuilder t;
    for (uint32_t at : {1920u, 2400u, 2880u, 5760u}) t.note(at, 60, 100).note(at, 64, 100);
    loadTracks(song, 4, {t});
    EffectSettings s = effectOfType(7);
    s.chord.StrokeMethod = 1;
    apply(song, s);
    auto n = notesOf(*song.track(1));
    // Lowest key first (true) or highest first (false), chord by chord.
    std::vector<bool> lowestFirst;
    for (size_t k = 0; k < n.size(); k += 2) lowestFirst.push_back(n[k].time < n[k + 1].time);
    EXPECT_EQ(lowestFirst, (std::vector<bool>{false, true, false, false}));
}

TEST(ChordStroke, SpreadNotesNeverCutTheirKeyOrGoNegative) {
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().note(960, 60, 100).note(960, 60, 100).note(960, 64, 100).note(1000, 64, 300)});
    EffectSettings s = effectOfType(7);
    apply(song, s);
    auto n = notesOf(*song.track(1));
    ASSERT_EQ(n.size(), 4u);
    for (size_t a = 0; a < n.size(); ++a) {
        EXPECT_GE(n[a].duration, 0);
        for (size_t b = 0; b < n.size(); ++b)
            if (a != b && n[a].key == n[b].key && n[a].time <= n[b].time && (n[a].time < n[b].time || a < b)) {
                EXPECT_LT(n[a].time + n[a].duration, n[b].time) << n[a] << n[b];
            }
    }
}

// ---- the frame -------------------------------------------------------------------------------

TEST(EffectFrame, OneStepPerTrackAndNothingOnFailure) {
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().note(0, 60, 10), TrackBuilder().note(0, 62, 10), TrackBuilder().note(0, 64, 10)});
    EffectSettings s = effectOfType(2, "Soft");
    apply(song, s, 1, 3);
    for (int t = 1; t <= 3; ++t) EXPECT_EQ(song.track(t)->undoLabel(), "Modify Velocity<Soft>");
    song.track(1)->undo();
    EXPECT_EQ(song.track(2)->undoLabel(), "Modify Velocity<Soft>");

    const auto journals = journalSizes(song);
    const std::string before = dumpSong(song);
    EffectSettings bad = effectOfType(2);
    bad.velocity.VeloRangeMax = "12x";
    try {
        apply(song, bad, 1, 3);
        FAIL() << "a field that does not read must stop the run";
    } catch (const MidiError& e) {
        EXPECT_EQ(std::string(e.what()), "VeloRangeMax: Integer Only (not an integer: 12x)");
    }
    EffectSettings none = effectOfType(-1);
    EXPECT_THROW(apply(song, none, 1, 3), MidiError);
    EffectSettings zero = effectOfType(1);
    zero.addEvent.Distance = "0";  // the interval gates every type
    EXPECT_FALSE(apply(song, zero, 1, 3).applied);
    EXPECT_EQ(journalSizes(song), journals);
    EXPECT_EQ(dumpSong(song), before);
}

// A run that gives up after it finished some tracks and opened a step in one that has written
// nothing yet: every track's undo and redo are as they were, empty steps included, and the
// steps before the run still undo.
TEST(EffectFrame, AFailedRunLeavesEveryTracksUndoAndRedoAsTheyWere) {
    midiSong song;
    TrackBuilder first, second, third;
    for (uint32_t i = 0; i < 2000; ++i) {
        first.note(i * 10, 60, 5);
        second.note(i * 10, 62, 5);
    }
    for (uint32_t i = 0; i < 1000; ++i) third.cc(i * 10, 7, 100);
    loadTracks(song, 11, {first, second, third, TrackBuilder().note(0, 64, 5)});
    auto note = [&](int t) { return static_cast<NoteOnEvent*>(song.track(t)->at(song.track(t)->size() - 1)); };
    // Track 1: a step to keep and one undone (redo); track 2: a step, then an empty one;
    // track 3: a step and a redo; track 4: nothing.
    song.track(1)->beginUndoStep("Kept");
    song.track(1)->setVelocity(note(1), 50);
    song.track(1)->beginUndoStep("Redone");
    song.track(1)->setVelocity(note(1), 20);
    song.track(1)->undo();
    song.track(2)->beginUndoStep("Earlier");
    song.track(2)->setKey(note(2), 40);
    song.track(2)->beginUndoStep("Empty");
    song.track(3)->beginUndoStep("Earlier");
    song.track(3)->setControlValue(static_cast<ControlChangeEvent*>(song.track(3)->at(0)), 1);
    song.track(3)->beginUndoStep("Later");
    song.track(3)->setControlValue(static_cast<ControlChangeEvent*>(song.track(3)->at(0)), 2);
    song.track(3)->undo();
    struct History {
        std::vector<std::string> journal;
        int redoCount;
        std::string redoLabel;
        bool operator==(const History&) const = default;
    };
    auto histories = [&] {
        std::vector<History> out;
        for (int t = 0; t < song.trackCount(); ++t)
            out.push_back({song.track(t)->journal, song.track(t)->redoCount(), song.track(t)->redoLabel()});
        return out;
    };
    const auto before = histories();
    const std::string dump = dumpSong(song);

    // The run gives up while it examines track 3, before it writes anything there.
    EffectProgress stop;
    stop.interval = std::chrono::milliseconds(0);
    stop.report = [](const EffectCounts& c) {
        if (c.examined > 4000) throw MidiError("The effect was stopped.");
    };
    EffectSettings s = effectOfType(2, "Soft");
    EXPECT_THROW(applyEffect(song, s, scopeOf(song, 1, 4), stop), MidiError);
    EXPECT_EQ(dumpSong(song), dump);
    EXPECT_TRUE(histories() == before);
    for (int t = 1; t <= 4; ++t) EXPECT_FALSE(song.track(t)->historyMarked());

    song.track(1)->redo();
    EXPECT_EQ(note(1)->velocity(), 20);
    song.track(1)->undo();
    song.track(1)->undo();
    EXPECT_EQ(note(1)->velocity(), 100);
    song.track(2)->undo();
    EXPECT_EQ(note(2)->note(), 62);
    song.track(3)->redo();
    EXPECT_EQ(static_cast<ControlChangeEvent*>(song.track(3)->at(0))->value(), 2);
}

// Echo into a track it creates: undo of the run's steps takes the track away (name event and
// all), so the song counts as unchanged and saves without it; redo brings it back.
TEST(Echo, UndoOfTheRunRemovesTheTrackItCreatedAndRedoBringsItBack) {
    midiSong song;
    loadTracks(song, 2, {TrackBuilder().note(0, 60, 10), TrackBuilder().note(0, 64, 10, 100, 1)});
    const std::string before = dumpSong(song);
    EffectSettings s = effectOfType(4, "Slap");
    s.echo.EchoOtherTrack = true;
    s.echo.NewTrackName = "Echoes";
    apply(song, s, 1, 2);
    ASSERT_EQ(song.trackCount(), 4);
    const std::string after = dumpSong(song);
    midiTrack* made = song.track(3);
    ASSERT_NE(made->nameEvent, nullptr);

    // The echo track holds a step per source track; each source track an empty one.
    while (song.trackCount() == 4 && song.track(3)->undoCount() != 0) song.undoTrack(3);
    ASSERT_EQ(song.trackCount(), 3);
    for (int t = 0; t < song.trackCount(); ++t) EXPECT_EQ(song.track(t)->undoCount(), 0) << t;
    EXPECT_EQ(dumpSong(song), before);
    EXPECT_TRUE(song.canRedoTrack(1));
    EXPECT_EQ(song.redoLabelOfTrack(1), "Echo <Slap>");

    song.redoTrack(1);  // track 1 has nothing to redo: the dropped track comes back
    ASSERT_EQ(song.trackCount(), 4);
    EXPECT_FALSE(song.canRedoTrack(1));
    while (song.track(3)->canRedo()) song.redoTrack(3);
    EXPECT_EQ(song.track(3), made);
    EXPECT_EQ(dumpSong(song), after);
    EXPECT_EQ(made->nameEvent->text(), "Echoes");

    while (song.trackCount() == 4 && song.track(3)->undoCount() != 0) song.undoTrack(3);
    midiSong saved;
    load(saved, save(song));
    EXPECT_EQ(saved.trackCount(), 3);
    EXPECT_FALSE(song.canRedoTrack(1)) << "a save ends every redo";
}

TEST(EffectFrame, ATrackOutOfOrderIsSortedBeforeTheWalk) {
    midiSong song;
    loadTracks(song, 4, {TrackBuilder().note(100, 50, 10).note(5000, 70, 10)});
    midiTrack& t = *song.track(1);
    anyEvent* x = t.at(0);
    anyEvent* y = t.at(1);
    t.moveEvent(x, 5900);  // list: x at 6000, y at 5000
    t.moveEvent(y, -4990);  // list: x at 6000, y at 10
    t.journal.clear();
    EffectSettings s = effectOfType(2);
    s.velocity.ChangeMethod = 1;
    applyEffect(song, s, EffectScope::of(song, Selection::cell(1, 0)));
    EXPECT_NE(static_cast<NoteOnEvent*>(y)->velocity(), 100);
    EXPECT_EQ(static_cast<NoteOnEvent*>(x)->velocity(), 100);
}

TEST(EffectFrame, TheLastGridColumnAndProgress) {
    midiSong song;
    TrackBuilder t;
    for (uint32_t i = 0; i < 6000; ++i) t.cc(i, 7, static_cast<int>(i % 128));
    loadTracks(song, 1, {t});
    Selection all = Selection::wholeSong(song);
    EffectScope scope = EffectScope::of(song, all);
    EXPECT_GE(scope.range.to, song.songEnd);
    int reports = 0;
    int64_t lastExamined = 0;
    EffectProgress progress;
    progress.interval = std::chrono::milliseconds(0);
    progress.report = [&](const EffectCounts& c) {
        ++reports;
        EXPECT_GE(c.examined, lastExamined);
        lastExamined = c.examined;
    };
    EffectSettings s = effectOfType(5);
    s.modifyControl.ComboBoxControl = 7;
    EffectResult r = applyEffect(song, s, scope, progress);
    EXPECT_EQ(r.counts.hits, 6000);
    EXPECT_GE(reports, 1);
    EXPECT_LE(reports, 2);  // every few thousand events, never at every hit
}
