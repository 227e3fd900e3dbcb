#pragma once

// The user's settings of the options dialog and their file option.prf (newest version 9).
// Field names follow the dialog's control names, by which the rest of the program refers to
// them.

#include <string>
#include <vector>

namespace tonvela {

struct Options {
    // General
    int historyCount = 10;            // UpDownHistoryCt, 1..100
    std::string dispInterval = "1000";  // DispInterval, text as typed
    bool makeBackup = true;           // MakeBackup
    int extension = 1;                // Extension: 0 ".BAK", 1 ".000", 2 "000.mid"
    bool midiErrorSound = true;       // MIDIErrorSound
    // Data Check
    bool deleteDuplicatedNote = true;
    bool detectShortDuraion = true;
    int minimumDur = 2;               // UpDown1, 1..100
    bool detectIllegalVel = false;
    int illegalVeloMin = 1;           // UpDown2, 1..127
    int illegalVeloMax = 32;          // UpDown3, 1..127
    bool detectSametimeonoff = true;
    bool detectSameControlValue = true;
    bool detectSynchronousNoteON = true;
    bool detectSameBendValue = true;
    bool detectInvalidDataEntry = true;
    bool detectSynchronousControl = true;
    bool detectSynchronousPitchBend = true;
    bool checkInitial = true;
    bool detectNoteOnandOtherEvent = true;
    bool noteonWhileVol0 = true;
    bool invalidOnOff = true;
    bool nonefctPB = true;
    bool ineffectivePitchbend = false;
    // Copyright
    std::string editName1, editName2, editName3;
};

enum class OptionPrefsStatus {
    Read,          // every line the version promises was read
    Short,         // the file ended early; what was read is applied, the rest kept
    NewerVersion,  // refused with kNewerOptionVersion; nothing applied
    Unreadable,    // no version number in line 1; nothing applied
};

inline constexpr const char* kNewerOptionVersion =
    "Illegal data version.  Use latest version of MIDI Tonvela.";

struct DialogPosition {
    int top = 0, left = 0;
    bool known = false;
};

// Applies option.prf's lines to `options` (which hold the current values) and gives the
// dialog's top and left in `position`. Settings of groups newer than the file's version get
// their values for older files; lines that do not read as numbers leave their setting alone.
OptionPrefsStatus readOptionPrefs(const std::vector<std::string>& lines, Options& options,
                                  DialogPosition& position);
// All 33 lines, version "0009".
std::vector<std::string> formatOptionPrefs(const Options& options, int top, int left, int width,
                                           int height);

// DispInterval after a change of its text: a negative integer becomes "0"; anything else stays.
std::string normalizedDispInterval(const std::string& text);
// The display interval in milliseconds that playback uses; 1000 when the text is no integer.
int dispIntervalMs(const std::string& text);

}  // namespace tonvela
