// Name tables: first, last and irregular entries, unnamed entries, the note-name format, and
// the scale helpers of the trill tools.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "song/midispec.h"

using tonvela::MIDISpec;
using tonvela::ScaleNotes;

namespace {

struct NameCase {
    const char* table;
    int number;
    std::string expected;
};

std::string lookUp(const std::string& table, int n) {
    if (table == "program") return MIDISpec::programName(n);
    if (table == "controller") return MIDISpec::controllerName(n);
    if (table == "kit") return MIDISpec::drumKitName(n);
    if (table == "note") return MIDISpec::noteName(n);
    if (table == "drum") return MIDISpec::drumNoteName(n);
    ADD_FAILURE() << "no table " << table;
    return {};
}

}  // namespace

TEST(MidiSpec, NamesAsSpelledByTheTables) {
    const NameCase cases[] = {
        {"program", 0, "Acoustic Grand Piano"},
        {"program", 3, "Honkey-tonk Piano"},
        {"program", 48, "String Emsemble1"},
        {"program", 87, "Lead8(bass + lead)"},
        {"program", 109, "Bag pipe"},
        {"program", 127, "Gunshot"},
        {"controller", 0, "Bank Select MSB(0)"},
        {"controller", 2, "2"},
        {"controller", 7, "Main Volume(7)"},
        {"controller", 16, "16(AC1 Default Num)"},
        {"controller", 17, "17(AC2 Default Num)"},
        {"controller", 73, "Atack Time(73)"},
        {"controller", 96, "Deta Increment(96)"},
        {"controller", 122, "122"},
        {"controller", 127, "POLY(127)"},
        {"kit", 0, "Standard 1"},
        {"kit", 1, "Standard 2/(88)"},
        {"kit", 12, "13"},
        {"kit", 83, "Live!Std.&Perc.(XG)"},
        {"kit", 126, "127"},
        {"kit", 127, "CM-64(GS)"},
        {"drum", 0, "0"},
        {"drum", 12, "12"},
        {"drum", 13, "Surdo Mute(XG)"},
        {"drum", 24, "Seq Click H/ConsertSD"},
        {"drum", 42, "Hi-HatClosed"},
        {"drum", 88, "Applause2(GS)"},
        {"drum", 89, "89"},
        {"drum", 127, "127"},
        {"note", 60, " C 4"},
        {"note", 61, " C#4"},
        {"note", 0, " C-1"},
        {"note", 1, "C#-1"},
        {"note", 2, " D-1"},
        {"note", 3, "Eb-1"},
        {"note", 10, "Bb-1"},
        {"note", 11, " B-1"},
        {"note", 12, " C 0"},
        {"note", 70, " Bb4"},
        {"note", 127, " G 9"},
        {"note", -1, "----"},
        {"note", -500, "----"},
        {"note", 128, "++++"},
        {"note", 100000, "++++"},
    };
    for (const auto& c : cases) EXPECT_EQ(lookUp(c.table, c.number), c.expected) << c.table << " " << c.number;
}

TEST(MidiSpec, EveryNoteNameIsFourCharacters) {
    for (int k = -2; k <= 129; ++k) EXPECT_EQ(MIDISpec::noteName(k).size(), 4u) << k;
}

// Damaged files can carry data bytes above 127; every lookup must still answer.
TEST(MidiSpec, NumbersOutsideTheTablesReadAsNumbers) {
    EXPECT_EQ(MIDISpec::programName(200), "200");
    EXPECT_EQ(MIDISpec::controllerName(-3), "-3");
    EXPECT_EQ(MIDISpec::drumKitName(128), "129");
    EXPECT_EQ(MIDISpec::drumNoteName(255), "255");
}

TEST(MidiSpec, ControllerNamesListIsTheControllerTable) {
    const auto& names = MIDISpec::controllerNames();
    ASSERT_EQ(names.size(), 128u);
    for (int c = 0; c < 128; ++c) EXPECT_EQ(names[static_cast<size_t>(c)], MIDISpec::controllerName(c)) << c;
}

TEST(MidiSpec, TablesReadTheSameFromManyThreads) {
    std::vector<std::thread> threads;
    std::vector<std::string> seen(8);
    for (size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&seen, t] {
            for (int i = 0; i < 128; ++i) seen[t] += MIDISpec::noteName(i) + MIDISpec::drumKitName(i) + MIDISpec::controllerName(i);
        });
    for (auto& th : threads) th.join();
    for (const auto& s : seen) EXPECT_EQ(s, seen[0]);
}

TEST(MidiSpec, MajorScales) {
    const ScaleNotes c = MIDISpec::buildScale(0, 0);
    // The white keys from 2 upward; key 0 is never marked.
    for (int k = 0; k < 128; ++k) {
        const int pc = k % 12;
        const bool white = pc == 0 || pc == 2 || pc == 4 || pc == 5 || pc == 7 || pc == 9 || pc == 11;
        EXPECT_EQ(c.test(static_cast<size_t>(k)), white && k >= 2) << k;
    }
    struct StepCase {
        int keyNumber, from, steps, expected;
    };
    const StepCase steps[] = {
        {0, 64, 1, 65},    // E -> F in C major
        {0, 65, -1, 64},   // F -> E
        {0, 61, 1, 62},    // C# is no scale note; the next one up is D
        {0, 61, -1, 60},
        {0, 60, 0, 60},
        {0, 60, 7, 72},    // an octave
        {0, 60, -3, 55},
        {2, 64, 1, 66},    // D major: E -> F#
        {-2, 68, 1, 69},   // Bb major: G# (no scale note) -> A
        {-2, 72, -1, 70},  // C -> Bb
        {7, 60, 1, 61},    // C# major: B# (=C) -> C#
    };
    for (const auto& s : steps) {
        EXPECT_EQ(MIDISpec::scaleStep(MIDISpec::buildScale(s.keyNumber, 0), s.from, s.steps), s.expected)
            << "key " << s.keyNumber << " from " << s.from << " by " << s.steps;
    }
}

// Minor signatures lay the harmonic minor from their own tonic: A minor has G#, never Eb.
TEST(MidiSpec, MinorScaleIsTheHarmonicMinorOfTheSignaturesKey) {
    const ScaleNotes a = MIDISpec::buildScale(0, 1);
    const std::vector<int> aHarmonic = {57, 59, 60, 62, 64, 65, 68, 69};
    for (int k = 57; k <= 69; ++k) {
        const bool in = std::find(aHarmonic.begin(), aHarmonic.end(), k) != aHarmonic.end();
        EXPECT_EQ(a.test(static_cast<size_t>(k)), in) << k;
    }
    EXPECT_EQ(MIDISpec::scaleStep(a, 65, 1), 68);  // F -> G#, the augmented second
    EXPECT_EQ(MIDISpec::scaleStep(a, 68, -1), 65);
    EXPECT_FALSE(a.test(0));

    // F# minor (three sharps): E#(=F) is the leading note, D natural the sixth.
    const ScaleNotes fs = MIDISpec::buildScale(3, 1);
    EXPECT_EQ(MIDISpec::scaleStep(fs, 66, -1), 65);
    EXPECT_EQ(MIDISpec::scaleStep(fs, 64, -1), 62);
    // G minor (two flats).
    const ScaleNotes g = MIDISpec::buildScale(-2, 1);
    EXPECT_EQ(MIDISpec::scaleStep(g, 67, 1), 69);
    EXPECT_EQ(MIDISpec::scaleStep(g, 69, 1), 70);
    EXPECT_EQ(MIDISpec::scaleStep(g, 67, -1), 66);  // F#, the leading note
}

// Steps beyond the ends stop at the last scale note; with none in that direction the key stays.
TEST(MidiSpec, ScaleStepsStopAtTheEnds) {
    const ScaleNotes c = MIDISpec::buildScale(0, 0);
    EXPECT_EQ(MIDISpec::scaleStep(c, 125, 1), 127);
    EXPECT_EQ(MIDISpec::scaleStep(c, 125, 5), 127);
    EXPECT_EQ(MIDISpec::scaleStep(c, 127, 1), 127);
    EXPECT_EQ(MIDISpec::scaleStep(c, 4, -5), 2);
    EXPECT_EQ(MIDISpec::scaleStep(c, 2, -1), 2);
    EXPECT_EQ(MIDISpec::scaleStep(c, 1, -1), 1);
    EXPECT_EQ(MIDISpec::scaleStep(c, 0, -1), 0);
    EXPECT_EQ(MIDISpec::scaleStep(c, 200, -1), 125);  // starting key clamped to 127
    EXPECT_EQ(MIDISpec::scaleStep(ScaleNotes{}, 60, 1), 60);
}

TEST(MidiSpec, SignaturesOutsideTheTableAreClampedAndOddModesAreMajor) {
    EXPECT_EQ(MIDISpec::buildScale(12, 0), MIDISpec::buildScale(7, 0));
    EXPECT_EQ(MIDISpec::buildScale(-9, 0), MIDISpec::buildScale(-7, 0));
    EXPECT_EQ(MIDISpec::buildScale(0, 5), MIDISpec::buildScale(0, 0));
}
