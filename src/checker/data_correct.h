#pragma once

// Corrections of the data checker's findings. Each check number selects one kind:
//   001, 003  shorten the latest earlier note of that key that still sounds to end one tick
//             before the listed note on (remove the listed note on when that note began 0 or
//             1 tick earlier, or when the listed note has duration 0)
//   002       a note whose end was already cut by an All Notes Off / All Sound Off ends there
//             (or goes, when that leaves nothing worth keeping); a note of duration 0 is
//             removed; a note off of its own is removed
//   004-008, 014, 016, 017
//             remove the event
//   009       nothing (the line is only taken off the list)
//   010, 011  remove the earlier changes of that tick (the last one is the one that takes
//             effect), and the last one too when it gives back the value in force before the
//             tick; where an event that uses the value stands between them, only a change that
//             repeats the value before it goes; a switch released and pressed on one tick keeps
//             its release, a tick earlier
//   012, 013  move the control changes and pitch bends of the note's tick earlier (1 tick, the
//             sustain pedal 5), when that passes nothing whose order matters (never a channel
//             mode message, never past a note on, a Reset All Controllers or a change of the
//             same controller, never a pedal past the end of a note)
//   015       set the switch to 0 or 127, or remove it when it stood on that side already
// Every change goes through the journal of the track that holds the changed event, under one
// undo step per changed track.

#include <string>
#include <vector>

namespace tonvela {

class midiSong;
class CheckReport;

inline constexpr const char* kDataCorrectUndoLabel = "Data Checker <Data Correct>";
inline constexpr const char* kCorrectDoneText = "Correct Done.";

// Corrects the findings whose flag in `ticked` is set, from the top of the report, and returns
// one flag per finding: true when it was corrected (the caller takes those lines off the list).
// A line whose event is no longer in the song, or whose correction cannot be made, is not
// corrected and the song is not changed for it. The changed tracks are packed once at the end,
// and re-sorted when times changed. Linear in the song plus the number of lines.
std::vector<bool> correctFindings(midiSong& song, const CheckReport& report, const std::vector<bool>& ticked);

}  // namespace tonvela
