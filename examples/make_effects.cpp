// Writes the effect library shipped with the program: effect files (.fxl) in one folder per
// purpose and effect groups (.fxg) chaining them. Usage: make_effects OUTPUT_FOLDER
// The files are written by the same code as the effect editor's Save Data, so they are exactly
// what a user would get by building these effects in the editor; the output is the same bytes
// on every run. Settings assume 480 ticks per quarter note where they are given in ticks.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "effects/effect_file.h"
#include "effects/effect_group.h"

using namespace tonvela;
namespace fs = std::filesystem;

namespace {

// Items used below, by their index in the editor's lists.
enum AddItemIndex { kPitchBend = 0, kModulation = 1, kPanpot = 3, kExpression = 4, kBrightness = 6 };
enum FunctionIndex { kLinear = 0, kSin = 1, kCos = 2, kSquare = 4 };
enum TimeUnit { kTick = 0, kMs = 1, kWhole = 2, kHalf = 3, kQuarter = 4, kEighth = 5, kSixteenth = 6 };
enum Scaling { kCutoff = 0, kScale = 1 };

struct Effect {
    std::string folder;
    EffectSettings s;
};

EffectSettings effect(int type, const std::string& name, std::vector<std::string> description) {
    EffectSettings s;
    s.effectType = type;
    s.EffectName = name;
    s.Description = std::move(description);
    return s;
}

// A curve under the notes (Add Events) of a controller or the pitch bend. Every note may carry
// one, overlapping notes and chords included.
EffectSettings addEvents(const std::string& name, std::vector<std::string> description, int item) {
    EffectSettings s = effect(0, name, std::move(description));
    chooseAddItem(s.addEvent, item);
    s.addEvent.AllowOverlap = true;
    s.addEvent.Cutoff = kScale;
    s.addEvent.MinimunDifference = item == kPitchBend ? "0.01" : "1";
    return s;
}

// A controller curve over the whole selected range.
EffectSettings rangeCurve(const std::string& name, std::vector<std::string> description, int item,
                          const std::string& lo, const std::string& hi) {
    EffectSettings s = addEvents(name, std::move(description), item);
    s.addEvent.FunctionSource1 = 1;  // "Select Range"
    s.addEvent.ValueMin = lo;
    s.addEvent.ValueMax = hi;
    s.addEvent.PreProcess = false;  // a value at each head would break the curve
    return s;
}

// A smooth S-shaped rise (half a cosine) from -peak to +peak, or a fall.
void cosineRamp(FunctionPage& f, bool rising) {
    f.Function = kCos;
    f.TrackBar1 = 5;
    f.FlipY = rising;
}

// A flat curve at 0: the scaled reading is then the middle of the range.
void flat(FunctionPage& f) {
    f.Function = kLinear;
    f.TrackBar1 = 0;
}

// An irregular curve: a sine whose frequency grows with the square of the position, folded
// into the 256 points, times a slower cosine. Read along time it gives values that look random
// from note to note without any two runs differing.
void scatter(FunctionPage& f) {
    f.Function = kSin;
    f.TrackBar1 = 50;
    f.F2 = true;
    f.Function2 = kSquare;
    f.TrackBar2 = 50;
    f.F3 = true;
    f.Function3 = kCos;
    f.TrackBar3 = 37;
}

std::vector<Effect> library() {
    std::vector<Effect> out;
    auto add = [&out](const std::string& folder, EffectSettings s) { out.push_back({folder, std::move(s)}); };

    // ---- Expression: the Expression controller (11) shaped over the selection or each note --
    {
        EffectSettings s = rangeCurve("Crescendo",
                                      {"Crescendo over the selected bars: expression rises smoothly from 40 to 127.",
                                       "Replaces the expression (controller 11) in the range."},
                                      kExpression, "40", "127");
        s.addEvent.PostProcess = false;  // it ends at full expression anyway
        cosineRamp(s.function, true);
        add("Expression", s);
    }
    {
        EffectSettings s = rangeCurve("Diminuendo",
                                      {"Diminuendo over the selected bars: expression falls smoothly from 127 to 40.",
                                       "Replaces the expression (controller 11) in the range; full expression",
                                       "is restored at the first note after it."},
                                      kExpression, "40", "127");
        cosineRamp(s.function, false);
        add("Expression", s);
    }
    {
        EffectSettings s = rangeCurve("Swell",
                                      {"Swell over the selected bars: expression rises from 50 to 127 and falls back.",
                                       "A crescendo and diminuendo in one arch (controller 11); full expression",
                                       "is restored at the first note after the range."},
                                      kExpression, "50", "127");
        s.function.Function = kCos;
        s.function.TrackBar1 = 10;
        s.function.FlipY = true;
        add("Expression", s);
    }
    {
        EffectSettings s = addEvents("Swell each long note",
                                     {"Bowed swell on every note of a quarter or longer: expression 70 - 127 - 70.",
                                      "Shorter notes are left alone and play at full expression."},
                                     kExpression);
        s.addEvent.ValueMin = "70";
        s.addEvent.ValueMax = "127";
        s.addEvent.DurMin = "1";
        s.addEvent.DurationUnit = kQuarter;
        s.addEvent.PreProcess = false;
        s.function.Function = kCos;
        s.function.TrackBar1 = 10;
        s.function.FlipY = true;
        add("Expression", s);
    }
    {
        EffectSettings s = rangeCurve("Fade in",
                                      {"Fades the selected bars in from silence to full expression.",
                                       "Expression (controller 11) rises smoothly from 0 to 127."},
                                      kExpression, "0", "127");
        s.addEvent.PostProcess = false;
        cosineRamp(s.function, true);
        add("Expression", s);
    }
    {
        EffectSettings s = rangeCurve("Fade out",
                                      {"Fades the selected bars out to silence.",
                                       "Expression (controller 11) falls smoothly from 127 to 0; full expression",
                                       "is restored at the first note after the range."},
                                      kExpression, "0", "127");
        cosineRamp(s.function, false);
        add("Expression", s);
    }

    // ---- Pitch: pitch bend shapes under the notes ------------------------------------------------
    {
        EffectSettings s = addEvents("Vibrato",
                                     {"Delayed vibrato: pitch bend of 5.5 cycles a second that grows from nothing.",
                                      "Depth up to a quarter tone (+-0.25 semitone) after one second; notes",
                                      "longer than a second start straight, short notes stay nearly straight."},
                                     kPitchBend);
        AddEventPage& a = s.addEvent;
        a.PitchBendUnit = 1;  // "Half Tone": the depth follows the channel's bend range
        a.ValueMin = "-0.25";
        a.ValueMax = "0.25";
        // Every note gets its curve, so each begins on the centre; 5-tick steps keep the next
        // note's reset close to its start.
        a.Distance = "5";
        a.ApplyRange = 1;  // "Time": one second of vibrato, the end of longer notes
        a.ApplyTime = "1000";
        a.ApplyTimeUnit = kMs;
        a.ApplyPosition = 2;  // "Tail"
        FunctionPage& f = s.function;
        f.Function = kSin;
        f.TrackBar1 = 11;  // 5 periods of the linear inner function times 1.1: 5.5 cycles
        f.F2 = true;
        f.Function2 = kLinear;
        f.TrackBar2 = 50;
        f.F3 = true;  // depth rising linearly over the second
        f.Function3 = kLinear;
        f.TrackBar3 = 10;
        add("Pitch", s);
    }
    {
        EffectSettings s = addEvents("Vibrato (modulation)",
                                     {"Vibrato by the modulation wheel: controller 1 blooms from 0 to 70 on each note.",
                                      "For sounds whose vibrato follows the wheel; notes of an 8th or longer."},
                                     kModulation);
        s.addEvent.ValueMin = "-70";  // the curve runs 0..127: the upper half of the range, 0..70
        s.addEvent.ValueMax = "70";
        s.addEvent.DurMin = "1";
        s.addEvent.DurationUnit = kEighth;
        s.addEvent.MinimunDifference = "2";
        s.function.Function = kSquare;
        add("Pitch", s);
    }
    {
        EffectSettings s = addEvents("Scoop into phrases",
                                     {"Bends into the first note of each phrase from a semitone below.",
                                      "The scoop lasts a 16th note; only notes after a rest (Independent)."},
                                     kPitchBend);
        AddEventPage& a = s.addEvent;
        a.PitchBendUnit = 1;
        a.ValueMin = "-1";
        a.ValueMax = "1";
        a.Ascending = a.Decemdimg = a.Flat = false;
        a.Distance = "5";
        a.MinimunDifference = "0";  // every step, so the scoop ends exactly on the centre
        a.ApplyRange = 1;
        a.ApplyTime = "1";
        a.ApplyTimeUnit = kSixteenth;
        a.PreProcess = false;
        a.PostProcess = false;  // the scoop lands on the centre itself
        FunctionPage& f = s.function;
        f.Function = kSquare;  // -(x^2) read backwards: quick rise, soft landing
        f.TrackBar1 = -10;
        f.FlipY = true;
        f.FlipX = true;
        add("Pitch", s);
    }
    {
        EffectSettings s = addEvents("Fall off",
                                     {"Fall-off at the end of long notes: the pitch drops two semitones in an 8th.",
                                      "Notes of a quarter or longer; the bend is reset at the next note."},
                                     kPitchBend);
        AddEventPage& a = s.addEvent;
        a.PitchBendUnit = 1;
        a.ValueMin = "-2";
        a.ValueMax = "2";
        a.DurMin = "1";
        a.DurationUnit = kQuarter;
        a.Distance = "3";  // the bend is set back this long after the next note begins
        a.ApplyRange = 1;
        a.ApplyTime = "1";
        a.ApplyTimeUnit = kEighth;
        a.ApplyPosition = 2;
        FunctionPage& f = s.function;
        f.Function = kSquare;  // slow start, fast drop
        f.FlipY = true;
        add("Pitch", s);
    }

    // ---- Dynamics: velocities ----------------------------------------------------------------
    {
        EffectSettings s = effect(2, "Humanise velocity",
                                  {"Humanises velocities: each note a few steps louder or softer (up to 5).",
                                   "The variation follows the time from the start of the selection."});
        s.velocity.VeloRangeMin = "-6";
        s.velocity.VeloRangeMax = "6";
        s.velocity.FunctionX = 2;  // "Time(from Range Start)"
        scatter(s.function);
        add("Dynamics", s);
    }
    {
        EffectSettings s = effect(2, "Accent on the beat",
                                  {"Metric accent: notes on the beat up to 6 louder, off-beat 8ths 4 softer.",
                                   "16ths between stay about the same."});
        s.velocity.VeloRangeMin = "-4";
        s.velocity.VeloRangeMax = "6";
        s.velocity.FunctionX = 1;  // "Beat": one period per bar
        s.function.Function = kCos;
        s.function.TrackBar1 = 40;  // a peak on each of the four beats
        add("Dynamics", s);
    }
    {
        EffectSettings s = effect(2, "Accent beats 1 and 3",
                                  {"Accents beats 1 and 3 (up to 6 louder) and softens beats 2 and 4 (3 softer).",
                                   "For 4/4; a classical or march feel."});
        s.velocity.VeloRangeMin = "-3";
        s.velocity.VeloRangeMax = "6";
        s.velocity.FunctionX = 1;
        s.function.Function = kCos;
        s.function.TrackBar1 = 20;
        add("Dynamics", s);
    }
    {
        EffectSettings s = effect(2, "Backbeat accent",
                                  {"Accents the backbeat: beats 2 and 4 up to 8 louder, beats 1 and 3 2 softer.",
                                   "For 4/4 drums and rhythm parts."});
        s.velocity.VeloRangeMin = "-2";
        s.velocity.VeloRangeMax = "8";
        s.velocity.FunctionX = 1;
        s.function.Function = kCos;
        s.function.TrackBar1 = 20;
        s.function.FlipY = true;
        add("Dynamics", s);
    }
    {
        EffectSettings s = effect(2, "Compress velocities",
                                  {"Compresses velocities 2:1 toward the middle: 20 becomes 42, 100 becomes 82.",
                                   "Evens out a part played too unevenly."});
        s.velocity.VeloRangeMin = "-30";
        s.velocity.VeloRangeMax = "97";
        s.velocity.ChangeMethod = 1;  // "Absolute"
        s.velocity.FunctionX = 6;     // "Original Velocity"
        add("Dynamics", s);
    }
    {
        EffectSettings s = effect(2, "Louder", {"Makes every note 10 velocity steps louder.", "Velocities stop at 127."});
        s.velocity.VeloRangeMin = "10";
        s.velocity.VeloRangeMax = "10";
        flat(s.function);
        add("Dynamics", s);
    }
    {
        EffectSettings s = effect(2, "Softer", {"Makes every note 10 velocity steps softer.", "Velocities stop at 1."});
        s.velocity.VeloRangeMin = "-10";
        s.velocity.VeloRangeMax = "-10";
        flat(s.function);
        add("Dynamics", s);
    }

    // ---- Timing: note times ------------------------------------------------------------------
    {
        EffectSettings s = effect(3, "Humanise timing",
                                  {"Humanises timing: each note moves up to 8 ticks early or late.",
                                   "Notes played together move together, so chords stay chords."});
        s.timeShift.TSValMin = "-8";
        s.timeShift.TSValMax = "8";
        s.timeShift.TimeShiftRadioGroup = 2;  // "Time(from Range Start)"
        scatter(s.function);
        add("Timing", s);
    }
    {
        EffectSettings s = effect(3, "Laid back",
                                  {"Plays behind the beat: every note 12 ticks later.", "About 12 ms at 120 bpm."});
        s.timeShift.TSValMin = "12";
        s.timeShift.TSValMax = "12";
        flat(s.function);
        add("Timing", s);
    }
    {
        EffectSettings s = effect(3, "Push ahead",
                                  {"Plays ahead of the beat: every note 8 ticks earlier.", "About 8 ms at 120 bpm."});
        s.timeShift.TSValMin = "-8";
        s.timeShift.TSValMax = "-8";
        flat(s.function);
        add("Timing", s);
    }
    {
        EffectSettings s = effect(3, "Swing 8ths",
                                  {"Swings straight 8ths: off-beat 8ths move 80 ticks later (triplet feel).",
                                   "Notes on the beat stay; 16ths between move half as far."});
        // One more than the swing: the scaled reading halves with truncation, so 0..81 moves the
        // beats by exactly 0 and the off-beats by 80.
        s.timeShift.TSValMin = "0";
        s.timeShift.TSValMax = "81";
        s.timeShift.TimeShiftRadioGroup = 1;  // "Beat"
        s.function.Function = kCos;
        s.function.TrackBar1 = 40;
        s.function.FlipY = true;
        add("Timing", s);
    }
    {
        EffectSettings s = effect(3, "Swing 16ths",
                                  {"Swings straight 16ths: off-beat 16ths move 40 ticks later.",
                                   "Notes on 8th positions stay."});
        s.timeShift.TSValMin = "0";
        s.timeShift.TSValMax = "41";
        s.timeShift.TimeShiftRadioGroup = 1;
        FunctionPage& f = s.function;
        f.Function = kCos;  // cos of 4 x 2 periods: eight per bar
        f.TrackBar1 = 40;
        f.F2 = true;
        f.Function2 = kLinear;
        f.TrackBar2 = 20;
        f.FlipY = true;
        add("Timing", s);
    }

    // ---- Articulation: note lengths and chord rolls -------------------------------------------
    {
        EffectSettings s = effect(6, "Staccato", {"Staccato: every note half as long.", "Notes keep at least 1 tick."});
        s.duration.durPercent = "50";
        add("Articulation", s);
    }
    {
        EffectSettings s = effect(6, "Staccatissimo", {"Staccatissimo: every note a quarter of its length."});
        s.duration.durPercent = "25";
        add("Articulation", s);
    }
    {
        EffectSettings s = effect(6, "Portato", {"Portato: notes slightly detached, 80 % of their length."});
        s.duration.durPercent = "80";
        add("Articulation", s);
    }
    {
        EffectSettings s = effect(6, "Legato",
                                  {"Legato: every note lasts until the next note (or chord) begins.",
                                   "Fills rests too: select a phrase. Uses the editor's Tenuto 100 %."});
        s.duration.durChangeMethod = 2;  // "Tenuto(%)"
        s.duration.SingleNote = true;
        add("Articulation", s);
    }
    {
        EffectSettings s = effect(7, "Roll chords",
                                  {"Rolls chords like a harp: notes follow from the lowest up over 90 ticks.",
                                   "Chords in the second half of a beat roll down."});
        ChordPage& c = s.chord;
        c.ChordBound = "30";
        c.Center = 0;  // "First": the lowest note stays where it was
        c.Devision = 1;
        c.Stroke = 1;
        c.resStart = "0";
        c.resEnd = "90";
        add("Articulation", s);
    }

    // ---- Echo ------------------------------------------------------------------------------------
    {
        EffectSettings s = effect(4, "Echo dotted 8th",
                                  {"Echo at a dotted 8th: three repeats fading from 67 % to 31 %.",
                                   "Repeats go into the same track."});
        EchoPage& e = s.echo;
        e.EchoDelayText = "1.5";
        e.EchoDelayUnit = kEighth;
        e.EchoCount = 3;
        e.EchoVol = {170, 195, 215, 180, 190};
        add("Echo", s);
    }
    {
        EffectSettings s = effect(4, "Slapback",
                                  {"Slapback: one quick repeat 80 ms later at 59 %.", "The delay is kept in milliseconds."});
        EchoPage& e = s.echo;
        e.EchoDelayText = "80";
        e.EchoDelayUnit = kMs;
        e.EchoCount = 1;
        e.EchoVol = {180, 150, 170, 180, 190};
        add("Echo", s);
    }
    {
        EffectSettings s = effect(4, "Octave echo",
                                  {"Sparkle echo: two repeats a quarter apart, one and two octaves up.",
                                   "Repeats above the top key are left out."});
        EchoPage& e = s.echo;
        e.EchoDelayText = "1";
        e.EchoDelayUnit = kQuarter;
        e.EchoCount = 2;
        e.EchoVol = {190, 215, 170, 180, 190};
        e.EditOct = {"12", "24", "0", "0", "0"};
        e.OutOfRange = 1;  // "Don't Add"
        add("Echo", s);
    }

    // ---- Guitar: strums ------------------------------------------------------------------------
    {
        EffectSettings s = effect(7, "Strum 8ths",
                                  {"Strums chords in 8ths: down (low to high) on the beat, up between.",
                                   "6 ticks per string over 36 ticks, the first string on time."});
        ChordPage& c = s.chord;
        c.ChordBound = "30";
        c.Center = 0;
        c.Devision = 2;
        c.Stroke = 1;
        c.resStart = "0";
        c.resEnd = "36";
        add("Guitar", s);
    }
    {
        EffectSettings s = effect(7, "Strum 16ths",
                                  {"Strums chords in 16ths: down on 8th positions, up on the 16ths between.",
                                   "Quicker strokes: 24 ticks across the strings."});
        ChordPage& c = s.chord;
        c.ChordBound = "30";
        c.Center = 0;
        c.Devision = 4;
        c.Stroke = 1;
        c.resStart = "0";
        c.resEnd = "24";
        add("Guitar", s);
    }

    // ---- Controllers: pan, brightness, modulation ------------------------------------------------
    {
        EffectSettings s = rangeCurve("Auto-pan",
                                      {"Auto-pan: the sound sweeps left and right twice over the selection.",
                                       "Pan 24 - 104, ending in the centre."},
                                      kPanpot, "24", "104");
        s.addEvent.PostProcess = false;
        s.function.Function = kSin;
        s.function.TrackBar1 = 20;
        add("Controllers", s);
    }
    {
        EffectSettings s = rangeCurve("Brightness sweep",
                                      {"Opens the filter over the selection: brightness (controller 74) 30 to 110.",
                                       "Set back to 64 at the first note after the range."},
                                      kBrightness, "30", "110");
        cosineRamp(s.function, true);
        add("Controllers", s);
    }
    {
        EffectSettings s = effect(5, "Halve modulation",
                                  {"Halves the modulation wheel: every controller 1 value becomes half.",
                                   "Tames a vibrato that was recorded too deep."});
        chooseModify(s.modifyControl, 0);
        s.modifyControl.ComboBoxControl = 1;
        s.modifyControl.ModContVal = 1;  // "Absolute"
        s.modifyControl.ModContFS = 2;   // "Original Value"
        s.modifyControl.Edit1ModCOntrolMin = "-64";
        s.modifyControl.Edit2ModCOntrolMax = "64";
        add("Controllers", s);
    }

    // ---- Cleanup: thinning and removing data ----------------------------------------------------
    {
        EffectSettings s = effect(1, "Thin out pitch bends",
                                  {"Deletes every other pitch bend, keeping the centre and both extremes.",
                                   "Halves dense bend data with little audible change."});
        chooseDeleteItem(s.deleteEvents, 0);
        s.deleteEvents.DelDenom = "2";
        add("Cleanup", s);
    }
    {
        EffectSettings s = effect(1, "Thin out expression",
                                  {"Deletes every other expression value, keeping 0 and 127.",
                                   "Halves dense controller 11 data."});
        chooseDeleteItem(s.deleteEvents, 4);
        s.deleteEvents.DelDenom = "2";
        add("Cleanup", s);
    }
    {
        EffectSettings s = effect(1, "Remove modulation",
                                  {"Deletes the modulation wheel moves (controller 1), keeping the resets to 0."});
        chooseDeleteItem(s.deleteEvents, 1);
        add("Cleanup", s);
    }
    {
        EffectSettings s = effect(6, "Short drum notes",
                                  {"Sets every note to 60 ticks: tidy drum hits of any recorded length.",
                                   "For drum tracks, where a note's length means nothing."});
        s.duration.durChangeMethod = 1;  // "Value"
        s.duration.DurValue = "60";
        add("Cleanup", s);
    }
    return out;
}

struct Group {
    std::string folder;
    EffectGroup group;
};

std::vector<Group> groups() {
    return {
        {"Dynamics", {"Humanise", {"Dynamics\\Humanise velocity.fxl", "Timing\\Humanise timing.fxl"}}},
        {"Expression",
         {"Strings swell",
          {"Articulation\\Legato.fxl", "Expression\\Swell each long note.fxl", "Pitch\\Vibrato (modulation).fxl"}}},
        {"Guitar",
         {"Guitar strum",
          {"Guitar\\Strum 8ths.fxl", "Dynamics\\Accent on the beat.fxl", "Dynamics\\Humanise velocity.fxl"}}},
        // The vibrato first: the scoop then takes the head of the phrase's first note.
        {"Pitch",
         {"Expressive lead", {"Pitch\\Vibrato.fxl", "Pitch\\Scoop into phrases.fxl", "Dynamics\\Humanise velocity.fxl"}}},
        // The accents read the straight positions, so they come before the swing.
        {"Timing",
         {"Swing feel", {"Dynamics\\Accent on the beat.fxl", "Timing\\Swing 8ths.fxl", "Timing\\Humanise timing.fxl"}}},
        {"Echo", {"Staccato echo", {"Articulation\\Staccato.fxl", "Echo\\Echo dotted 8th.fxl"}}},
        {"Articulation", {"Detached and accented", {"Articulation\\Portato.fxl", "Dynamics\\Accent beats 1 and 3.fxl"}}},
        {"Controllers",
         {"Pad motion", {"Controllers\\Auto-pan.fxl", "Controllers\\Brightness sweep.fxl", "Expression\\Swell.fxl"}}},
        {"Cleanup", {"Tidy controllers", {"Cleanup\\Thin out pitch bends.fxl", "Cleanup\\Thin out expression.fxl"}}},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_effects OUTPUT_FOLDER\n");
        return 2;
    }
    const fs::path root(argv[1]);
    try {
        for (const Effect& e : library()) {
            fs::create_directories(root / e.folder);
            saveEffect((root / e.folder / (e.s.EffectName + ".fxl")).string(), e.s);
        }
        for (const Group& g : groups()) {
            fs::create_directories(root / g.folder);
            saveEffectGroup((root / g.folder / (g.group.name + ".fxg")).string(), g.group);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
