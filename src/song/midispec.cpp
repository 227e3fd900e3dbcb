// The name tables are fixed texts; their spellings (including the odd ones) are what users of
// the program know, so they must not be corrected.

#include "song/midispec.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace tonvela {

namespace {

constexpr const char* kProgramNames[128] = {
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honkey-tonk Piano", "Electric Piano1", "Electric Piano2", "Harpsichord", "Clavi",
    "Celesta", "Glockenspiel", "Music Box", "Vibraphone", "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ", "Reed Organ", "Accordion", "Harmonica", "Tango Accordion",
    "Acoustic Guitar(nylon)", "Acoustic Guitar(steel)", "Electric Guitar(jazz)", "Electric Guitar(clean)", "Electric Guitar(muted)", "Overdriven Guitar", "Distortion Guitar", "Guitar harmonics",
    "Acoustic Bass", "Electric Bass(finger)", "Electric Bass(pick)", "Fretless Bass", "Slap Bass1", "Slap Bass2", "Synth Bass1", "Synth Bass2",
    "Violin", "Viola", "Cello", "Contrabass", "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Emsemble1", "String Emsemble2", "Synth String1", "Synth String2", "Choir Aahs", "Voice Oohs", "Synth Vox", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet", "French Horn", "Brass Section", "Synth Brass1", "Synth Brass2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax", "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute", "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
    "Lead1(square)", "Lead2(sawtooth)", "Lead3(calliope)", "Lead4(chiff)", "Lead5(charang)", "Lead6(voice)", "Lead7(fifths)", "Lead8(bass + lead)",
    "Pad1(new age)", "Pad2(warm)", "Pad3(polysynth)", "Pad4(choir)", "Pad5(bowed)", "Pad6(metallic)", "Pad7(halo)", "Pad8(sweep)",
    "Fx1(rain)", "Fx2(soundtrack)", "Fx3(crystal)", "Fx4(atmosphere)", "Fx5(brightness)", "Fx6(goblins)", "Fx7(echoes)", "Fx8(sci-fi)",
    "Sitar", "Banjo", "Shamisen", "Koto", "Kalimba", "Bag pipe", "Fiddle", "Shanai",
    "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock", "Taiko", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet", "Telephone Ring", "Helicopter", "Applause", "Gunshot",
};

struct NumberedName {
    int number;
    const char* name;
};

constexpr NumberedName kControllerNames[] = {
    {0, "Bank Select MSB(0)"},
    {1, "Modulation(1)"},
    {5, "Portament Time(5)"},
    {6, "Data Entry MSB(6)"},
    {7, "Main Volume(7)"},
    {10, "Panpot(10)"},
    {11, "Expression(11)"},
    {16, "16(AC1 Default Num)"},
    {17, "17(AC2 Default Num)"},
    {32, "Bank Select LSB(32)"},
    {38, "Data Entry LSB(38)"},
    {64, "Sustain(64)"},
    {65, "Portament(65)"},
    {66, "Sostenuto(66)"},
    {67, "Soft Pedal(67)"},
    {71, "Harmonic Content(71)"},
    {72, "Release Time(72)"},
    {73, "Atack Time(73)"},
    {74, "Brightness(74)"},
    {84, "Portament Control(84)"},
    {91, "Reverb(91)"},
    {93, "Chorus(93)"},
    {94, "Variation(94)"},
    {96, "Deta Increment(96)"},
    {97, "Data Decrement(97)"},
    {98, "NRPN LSB(98)"},
    {99, "NRPN MSB(99)"},
    {100, "RPN LSB(100)"},
    {101, "RPN MSB(101)"},
    {120, "All Sound Off(120)"},
    {121, "Reset All Controllers(121)"},
    {123, "All Note Off(123)"},
    {124, "OMNI Off(124)"},
    {125, "OMNI On(125)"},
    {126, "MONO(126)"},
    {127, "POLY(127)"},
};

constexpr NumberedName kDrumKitNames[] = {
    {0, "Standard 1"},
    {1, "Standard 2/(88)"},
    {2, "Dry/Std 3(88p)"},
    {3, "Bright(XG)"},
    {4, "Skim(XG)"},
    {5, "Slim(XG)"},
    {6, "Rogue(XG)"},
    {7, "Hob(XG)"},
    {8, "Room"},
    {9, "Dark Room/Hip Hop(88p)"},
    {10, "Jungle(88p)"},
    {11, "Techno(88p)"},
    {16, "Rock/Power"},
    {17, "Rock Kit2(XG)"},
    {24, "Electro/Electric"},
    {25, "Analog/TR-808"},
    {26, "Analog 2/Dance(88)"},
    {27, "Dance/CR-78(88p)"},
    {28, "Hip Hop/TR-606(88p)"},
    {29, "Jungle/TR-707(88p)"},
    {30, "Apogee/TR-909(88p)"},
    {31, "Perigee(XG)"},
    {32, "Jazz"},
    {33, "Jazz 2(XG)"},
    {40, "Brush"},
    {41, "Brush2(XG)"},
    {48, "Symphony/Orchestra"},
    {49, "Ethnic(88)"},
    {50, "Kick&Snare(88)"},
    {52, "Asia(88p)"},
    {53, "Cymbal&Claps(88p)"},
    {56, "Natural/SFX"},
    {57, "Natural Funk/Rhythm FX(88)"},
    {58, "Rhythm FX(88p)"},
    {64, "Tramp(XG)"},
    {65, "Amber(XG)"},
    {66, "Coffin(XG)"},
    {80, "Live!Standard(XG)"},
    {81, "Live!Funk(XG)"},
    {82, "Live!Brush(XG)"},
    {83, "Live!Std.&Perc.(XG)"},
    {84, "Live!Funk&Perc.(XG)"},
    {85, "Live!Brush&Perc.(XG)"},
    {127, "CM-64(GS)"},
};

// Keys 13 to 88; slash = XG name/GS name, "(XG)"/"(GS)" = only in that map.
constexpr int kFirstDrumNote = 13;
constexpr const char* kDrumNoteNames[] = {
    "Surdo Mute(XG)", "Surdo Open(XG)", "Hi Q(XG)", "Whip Slap(XG)", "Scratch H(XG)", "Scratch L(XG)", "Finger Snap(XG)", "Click Noise(XG)",
    "Mtrnm Click(XG)", "Mtrnm Bell/MC-500Beep", "Seq Click L/MC-500Beep2", "Seq Click H/ConsertSD", "Brush Tap/SnareRoll", "Brush Swirl/FingerSnap2", "Brush Slap/HighQ", "BrushTapSwrl/Slap",
    "Snare Roll/ScratchPush", "Castanet/ScratchPull", "Snare Soft/Sticks", "Sticks/SquareClick", "Kick Soft/MetronomeClick", "Open RimShot/MetronomeBell", "Kick Tight", "Kick Short",
    "Side Stick", "Snare Short", "Hand Clap", "Snare Tight", "Floor Tom L", "Hi-HatClosed", "Floor Tom H", "Hi-Hat Pedal",
    "Low Tom", "Hi-Hat Open", "Mid Tom L", "Mid Tom H", "CrashCymbal1", "High Tom", "Ride Cymbal", "Chinese Cym",
    "Ride Cym Cup", "Tambourine", "SplashCymbal", "Cowbell", "CrashCymbal2", "Vibraslap", "RideCymbal 2", "Bongo H",
    "Bongo L", "Conga H Mute", "Conga H Open", "Conga L", "Timbale H", "Timbale L", "Agogo H", "Agogo L",
    "Cabasa", "Maracas", "SambaWhistlH", "SambaWhistlL", "Guiro Short", "Guiro Long", "Claves", "Wood Block H",
    "Wood Block L", "Cuica Mute", "Cuica Open", "TriangleMute", "TriangleOpen", "Shaker", "Jingle Bells", "Bell Tree",
    "Castanets(GS)", "Mute Surdo(GS)", "Open Surdo(GS)", "Applause2(GS)",
};

static_assert(std::size(kDrumNoteNames) == 88 - kFirstDrumNote + 1);

constexpr const char* kPitchNames[12] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"};

// A table of 128 texts where unnamed entries read as a number: `offset` is added to the index.
std::array<std::string, 128> numberedTable(const NumberedName* named, size_t count, int offset) {
    std::array<std::string, 128> t;
    for (int i = 0; i < 128; ++i) t[static_cast<size_t>(i)] = std::to_string(i + offset);
    for (size_t i = 0; i < count; ++i) t[static_cast<size_t>(named[i].number)] = named[i].name;
    return t;
}

std::string buildNoteName(int key) {
    const std::string pitch = kPitchNames[key % 12];
    const int octave = key / 12 - 1;
    if (octave < 0) return (pitch.size() == 1 ? " " + pitch : pitch) + "-1";
    const std::string digit = std::to_string(octave);
    return pitch.size() == 1 ? " " + pitch + " " + digit : " " + pitch + digit;
}

struct Tables {
    std::vector<std::string> controllers;
    std::array<std::string, 128> kits;
    std::array<std::string, 128> notes;
    std::array<std::string, 128> drumNotes;
};

const Tables& tables() {
    static const Tables t = [] {
        Tables r;
        auto c = numberedTable(kControllerNames, std::size(kControllerNames), 0);
        r.controllers.assign(c.begin(), c.end());
        r.kits = numberedTable(kDrumKitNames, std::size(kDrumKitNames), 1);
        for (int k = 0; k < 128; ++k) {
            r.notes[static_cast<size_t>(k)] = buildNoteName(k);
            const int d = k - kFirstDrumNote;
            r.drumNotes[static_cast<size_t>(k)] =
                d >= 0 && d < static_cast<int>(std::size(kDrumNoteNames)) ? kDrumNoteNames[d] : std::to_string(k);
        }
        return r;
    }();
    return t;
}

bool inRange(int n) { return n >= 0 && n < 128; }

// Tonics of the major keys by signature -7..+7, in the lowest octave; C is 12 so that key 0
// stays outside every scale.
constexpr int kTonic[15] = {11, 6, 1, 8, 3, 10, 5, 12, 7, 2, 9, 4, 11, 6, 1};
constexpr int kRising[2][7] = {{2, 2, 1, 2, 2, 2, 1}, {2, 1, 2, 2, 1, 3, 1}};
constexpr int kFalling[2][7] = {{1, 2, 2, 2, 1, 2, 2}, {1, 3, 1, 2, 2, 1, 2}};

}  // namespace

std::string MIDISpec::programName(int program) {
    return inRange(program) ? kProgramNames[program] : std::to_string(program);
}

std::string MIDISpec::controllerName(int controller) {
    return inRange(controller) ? tables().controllers[static_cast<size_t>(controller)] : std::to_string(controller);
}

std::string MIDISpec::drumKitName(int program) {
    return inRange(program) ? tables().kits[static_cast<size_t>(program)] : std::to_string(program + 1);
}

std::string MIDISpec::drumNoteName(int key) {
    return inRange(key) ? tables().drumNotes[static_cast<size_t>(key)] : std::to_string(key);
}

std::string MIDISpec::noteName(int key) {
    if (key < 0) return "----";
    if (key > 127) return "++++";
    return tables().notes[static_cast<size_t>(key)];
}

const std::vector<std::string>& MIDISpec::controllerNames() { return tables().controllers; }

ScaleNotes MIDISpec::buildScale(int keyNumber, int mode) {
    const int k = std::clamp(keyNumber, -7, 7);
    const int m = mode == 1 ? 1 : 0;
    int tonic = kTonic[k + 7];
    // A minor signature names the minor key three fifths above its major tonic (A minor for
    // no sharps); laying the harmonic minor from the major tonic would leave the key.
    if (m == 1) tonic = (tonic + 9) % 12 == 0 ? 12 : (tonic + 9) % 12;
    ScaleNotes marks;
    for (int p = tonic, i = 0; p > 0; p -= kFalling[m][i % 7], ++i) marks.set(static_cast<size_t>(p));
    for (int p = tonic, i = 0; p < 128; p += kRising[m][i % 7], ++i) marks.set(static_cast<size_t>(p));
    return marks;
}

int MIDISpec::scaleStep(const ScaleNotes& scaleNotes, int key, int steps) {
    int n = std::clamp(key, 0, 127);
    if (steps == 0) return n;
    const int d = steps > 0 ? 1 : -1;
    int reached = n;
    for (int counter = 0; counter != steps;) {
        n += d;
        if (n < 0 || n > 127) break;
        if (scaleNotes.test(static_cast<size_t>(n))) {
            reached = n;
            counter += d;
        }
    }
    return reached;
}

}  // namespace tonvela
