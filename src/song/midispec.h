#pragma once

// Display names for MIDI numbers (programs, controllers, drum kits, notes, drum notes) and the
// scale helpers of the trill tools. The tables are built on first use and never change, so
// every lookup is safe from any thread.

#include <bitset>
#include <string>
#include <vector>

namespace tonvela {

// One flag per key number: the key belongs to the scale.
using ScaleNotes = std::bitset<128>;

class MIDISpec {
public:
    MIDISpec() = delete;

    // Numbers outside 0..127 read as their decimal number (data bytes of damaged files can be).
    static std::string programName(int program);
    static std::string controllerName(int controller);
    static std::string drumKitName(int program);
    static std::string drumNoteName(int key);
    // Four characters: " C 4" for 60, "C#-1" for 1; "----" below 0, "++++" above 127.
    static std::string noteName(int key);

    // The 128 controller names in controller-number order, for controller choices.
    static const std::vector<std::string>& controllerNames();

    // The keys of the scale of a key signature: keyNumber = sharps (negative = flats), clamped
    // to -7..+7; mode 1 lays the harmonic minor from the signature's own (relative) minor
    // tonic, any other mode the major scale. Key 0 is never part of a scale.
    static ScaleNotes buildScale(int keyNumber, int mode);
    // The key reached from `key` by `steps` scale notes (negative: downward). A step beyond the
    // highest or lowest scale note stops at that note; with no scale note in that direction the
    // starting key is returned. The starting key is clamped to 0..127.
    static int scaleStep(const ScaleNotes& scaleNotes, int key, int steps);
};

}  // namespace tonvela
