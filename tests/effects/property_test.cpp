// Properties over real songs: random settings of every type, applied to the whole song, write
// only valid MIDI, undo back to the song exactly, and save to a file that reloads the same.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "base/errors.h"
#include "effect_fixture.h"
#include "effects/effect_file.h"
#include "settings/numbertext.h"

using namespace tonvela;
using namespace tonvela::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> corpusFiles() {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(TONVELA_CORPUS_DIR, ec)) {
        auto ext = e.path().extension().string();
        if (ext == ".mid" || ext == ".midi" || ext == ".kar") out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

struct Random {
    std::mt19937 gen;
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); }
    bool coin() { return between(0, 1) == 1; }
    // A choice, now and then none at all.
    int choice(int items) { return between(0, 19) == 0 ? -1 : between(0, items - 1); }
    std::string number(int lo, int hi) {
        switch (between(0, 9)) {
        case 0: return std::to_string(between(-100000, 100000));
        case 1: return "2000000000";
        default: return std::to_string(between(lo, hi));
        }
    }
    std::string decimal(int lo, int hi) { return formatDecimal(between(lo * 100, hi * 100) / 100.0); }
};

EffectSettings randomEffect(Random& r, int type, int timeBase) {
    EffectSettings s;
    s.effectType = type;
    s.EffectName = "Random";
    setChordDefaults(s.chord, timeBase);
    FunctionPage& f = s.function;
    f.Function = r.choice(7);
    f.F2 = r.coin();
    f.Function2 = r.choice(7);
    f.F3 = r.coin();
    f.Function3 = r.choice(7);
    f.FlipX = r.coin();
    f.FlipY = r.coin();
    f.Abs = r.coin();
    f.TrackBar1 = r.between(-50, 50);
    f.TrackBar2 = r.between(-50, 50);
    f.TrackBar3 = r.between(-50, 50);
    AddEventPage& a = s.addEvent;
    chooseAddItem(a, r.choice(13));
    a.CtrlNoEdit = std::to_string(r.between(0, 127));
    a.NoteMin = r.number(0, 60);
    a.NoteMax = r.number(60, 127);
    a.AllowOverlap = r.coin();
    a.Independent = r.coin();
    a.Cutoff = r.choice(2);
    a.Distance = r.decimal(1, 40);
    a.DistanceUnit = r.choice(9);
    if (a.DistanceUnit == 1 || a.DistanceUnit == 2) a.Distance = "1";
    a.PitchBendUnit = r.choice(2);
    a.MinDiffUnit = r.choice(2);
    a.MinimunDifference = r.decimal(0, 3);
    a.StartShift = r.number(-20, 20);
    a.ApplyRange = r.choice(2);
    a.DurationPercent = std::to_string(r.between(-50, 300));
    a.ApplyPosition = r.choice(3);
    a.ApplyTime = r.decimal(0, 2000);
    a.FunctionSource1 = r.choice(3);
    a.ReplaceEvent = r.coin();
    a.PreProcess = r.coin();
    a.PostProcess = r.coin();
    a.PitchNameFilter = r.between(0, 12);
    if (a.PitchNameFilter > 0 && r.coin()) a.PitchNameFilter = 0;
    DeletePage& d = s.deleteEvents;
    chooseDeleteItem(d, r.choice(8));
    d.DelCtrlNoEdit1 = std::to_string(r.between(0, 127));
    d.DelNumel = std::to_string(r.between(1, 10));
    d.DelDenom = std::to_string(r.between(1, 10));
    VelocityPage& v = s.velocity;
    v.VeloRangeMin = r.number(-50, 60);
    v.VeloRangeMax = r.number(60, 200);
    v.ChangeMethod = r.choice(2);
    v.VeloModScaling = r.choice(2);
    v.FunctionX = r.choice(7);
    s.timeShift.TSValMin = r.number(-200, 0);
    s.timeShift.TSValMax = r.number(0, 200);
    s.timeShift.TimeShiftRadioGroup = r.choice(3);
    EchoPage& e = s.echo;
    e.EchoDelayText = r.decimal(0, 500);
    e.EchoDelayUnit = r.choice(9);
    if (e.EchoDelayUnit >= 2 && e.EchoDelayUnit <= 4) e.EchoDelayText = "0.25";
    e.EchoCount = r.between(1, 5);
    for (auto& vol : e.EchoVol) vol = r.between(1, 255);
    for (auto& oct : e.EditOct) oct = std::to_string(r.between(-40, 40));
    e.OutOfRange = r.choice(2);
    e.Overlap = r.choice(3);
    e.EchoOtherTrack = r.between(0, 3) == 0;
    e.OtherChannel = r.coin();
    e.UpDownEchannel = r.between(1, 16);
    e.EmulateSustain = r.between(0, 3) == 0;
    ModifyControlPage& m = s.modifyControl;
    chooseModify(m, r.choice(2));
    m.ComboBoxControl = r.choice(128);
    if (r.coin()) m.ComboBoxControl = r.coin() ? 7 : 11;
    m.ModContFS = r.choice(4);
    m.ModContVal = r.choice(2);
    m.ContModScaling = r.choice(2);
    if (r.between(0, 4) == 0) m.Edit1ModCOntrolMin = "-99999";
    DurationPage& u = s.duration;
    u.durChangeMethod = r.choice(3);
    u.durPercent = std::to_string(r.between(-100, 400));
    u.DurValue = r.number(0, 2000);
    u.TenutoPC = std::to_string(r.between(-50, 200));
    u.SingleNote = r.coin();
    u.durMinLimit = std::to_string(r.between(-10, 50));
    u.durMaxLimit = r.number(-5, 9999);
    ChordPage& c = s.chord;
    c.ChordBound = std::to_string(r.between(-5, 120));
    c.Center = r.choice(3);
    c.StrokeMethod = r.choice(2);
    c.Devision = r.between(1, 6);
    c.Stroke = r.choice(2);
    c.resStart = r.number(-200, 0);
    c.resEnd = r.number(0, 200);
    return s;
}

// Every event a run can write holds data a MIDI file can carry.
void expectValidMidi(const midiSong& song, const std::string& what) {
    for (int t = 0; t < song.trackCount(); ++t)
        for (const anyEvent* e : song.track(t)->events()) {
            if (!e) continue;
            ASSERT_GE(e->time, 0) << what;
            if (e->kind() == kindNote) {
                auto* n = static_cast<const NoteOnEvent*>(e);
                ASSERT_TRUE(n->note() >= 0 && n->note() <= 127 && n->velocity() >= 1 && n->velocity() <= 127) << what;
                ASSERT_GE(n->duration(), 0) << what << " " << dumpLine(t, *e);
            } else if (e->kind() == kindControl) {
                auto* c = static_cast<const ControlChangeEvent*>(e);
                ASSERT_TRUE(c->controller() <= 127 && c->value() <= 127) << what;
            } else if (e->kind() == kindPitchBend) {
                auto* b = static_cast<const PitchBendEvent*>(e);
                ASSERT_TRUE(b->rawBend() >= 0 && b->rawBend() <= 16383) << what;
            }
        }
}

// The dump without the bar:beat:tick column: a reload measures bars by the new song end.
std::string withoutPositions(const std::string& dump) {
    std::string out;
    size_t start = 0;
    while (start < dump.size()) {
        size_t end = dump.find('\n', start);
        std::string line = dump.substr(start, end - start);
        size_t a = line.find(' ');
        size_t b = line.find(' ', a + 1);
        size_t c = line.find(' ', b + 1);
        out += line.substr(0, b) + line.substr(c) + "\n";
        start = end + 1;
    }
    return out;
}

// The first line where two dumps differ, for a readable failure.
std::string firstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    size_t from = a.rfind('\n', i == 0 ? 0 : i - 1);
    from = from == std::string::npos ? 0 : from + 1;
    auto lineAt = [from](const std::string& s) {
        return from >= s.size() ? std::string("<end>") : s.substr(from, s.find('\n', from) - from);
    };
    return "expected: " + lineAt(a) + "\nactual:   " + lineAt(b);
}

}  // namespace

TEST(EffectProperties, RandomEffectsOnTheCorpusAreValidUndoableAndSaveable) {
    auto files = corpusFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << TONVELA_CORPUS_DIR;
    Random r{std::mt19937(20240611)};
    int runs = 0;
    for (const std::string& path : files) {
        midiSong original;
        try {
            original.load(path);
        } catch (const MidiError&) {
            continue;  // the corpus holds broken files on purpose
        }
        if (original.trackCount() < 2) continue;
        for (int type = 0; type < 8; ++type) {
            midiSong song;
            song.load(path);
            song.format = 1;  // a saved format 0 song would merge the echo track away
            const std::string before = dumpSong(song);
            const int tracksBefore = song.trackCount();
            const auto journals = journalSizes(song);
            EffectSettings s = randomEffect(r, type, song.timeBase);
            Selection sel = Selection::wholeSong(song);
            if (r.coin()) {
                sel.firstBar = r.between(0, std::max(0, static_cast<int>(song.barStarts.size()) - 1));
                sel.lastBar = r.between(sel.firstBar, std::max(sel.firstBar, static_cast<int>(song.barStarts.size()) - 1));
            }
            const std::string what = path + " type " + std::to_string(type) + "\n" + formatEffect(s);
            EffectResult result;
            try {
                result = applyEffect(song, s, EffectScope::of(song, sel));
            } catch (const MidiError& e) {
                ADD_FAILURE() << what << e.what();
                continue;
            }
            ++runs;
            expectValidMidi(song, what);

            // Saved and reloaded, the song reads back as it stands after the save.
            std::vector<uint8_t> bytes;
            midiSong saved;
            {
                midiSong copy;
                copy.load(path);
                copy.format = 1;
                applyEffect(copy, s, EffectScope::of(copy, sel));
                try {
                    copy.write(bytes);
                } catch (const MidiError& e) {
                    ADD_FAILURE() << what << "cannot be saved: " << e.what() << " " << e.detail();
                    return;
                }
                const std::string written = dumpSong(copy);
                try {
                    saved.loadBytes(bytes.data(), bytes.size());
                } catch (const MidiError& e) {
                    ADD_FAILURE() << what << "the saved song does not load: " << e.what() << " " << e.detail();
                    return;
                }
                const std::string reloaded = withoutPositions(dumpSong(saved));
                const std::string expected = withoutPositions(written);
                if (saved.trackCount() == copy.trackCount()) {
                    EXPECT_TRUE(reloaded == expected) << what << firstDifference(expected, reloaded);
                }
            }

            undoBackTo(song, journals);
            // Undo puts a removed event back after the other events of its tick; the model's
            // sort (time, then creation) gives the order the song was loaded in.
            for (int t = 0; t < song.trackCount(); ++t) song.track(t)->sortEvents();
            std::string after = dumpSong(song);
            // A created echo track stays (a track is not journaled), holding only its name.
            for (int t = tracksBefore; t < song.trackCount(); ++t)
                for (const anyEvent* e : song.track(t)->events())
                    if (e) {
                        EXPECT_EQ(e->kind(), kindTrackName) << what;
                    }
            EXPECT_TRUE(after.substr(0, before.size()) == before) << what << firstDifference(before, after);
            if (::testing::Test::HasFailure()) return;
        }
    }
    EXPECT_GT(runs, 0);
}
